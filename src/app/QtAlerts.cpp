// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtAlerts.h"

#include "app/QtWindows.h"
#include "base/Localization.h"
#include "canvas/Latin1.h"

#include <QMessageBox>
#include <QPushButton>

namespace tosk {

namespace {

// The generic titles of the original ("ERROR", "ALERT") say nothing a user
// can use: the alert takes the title of its window, else the word in
// sentence case.
QString shownTitle(const std::string& title, const QWidget* window)
{
    const bool error = title == "ERROR" || title == localized("ERROR", "ERROR");
    const bool alert = title == "ALERT" || title == localized("ALERT", "ALERT");
    if (!error && !alert)
        return Latin1::message(title);
    if (window && !window->window()->windowTitle().isEmpty())
        return window->window()->windowTitle();
    return error ? Latin1::text("ErrorTitle", "Error") : Latin1::text("AlertTitle", "Alert");
}

} // namespace

int QtAlerts::run(const AlertRequest& request)
{
    QWidget* window = widgetFor(request.window);
    QMessageBox box(window);
    switch (request.style) {
    case AlertStyle::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case AlertStyle::Informational:
        box.setIcon(QMessageBox::Information);
        break;
    case AlertStyle::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.setWindowTitle(shownTitle(request.title, window));
    box.setText(Latin1::message(request.message));
    if (window)
        box.setWindowModality(Qt::WindowModal);

    std::vector<std::string> titles = request.buttons;
    if (titles.empty())
        titles.push_back(localized("OK", "OK"));
    const std::string cancel = localized("CANCEL", "Cancel");
    std::vector<QPushButton*> buttons;
    QPushButton* escape = nullptr;
    for (size_t i = 0; i < titles.size(); ++i) {
        const bool isCancel = titles[i] == cancel || titles[i] == "CANCEL";
        auto role = i == 0 ? QMessageBox::AcceptRole : isCancel ? QMessageBox::RejectRole : QMessageBox::ActionRole;
        QPushButton* button = box.addButton(Latin1::message(titles[i]), role);
        buttons.push_back(button);
        if (isCancel && !escape)
            escape = button;
    }
    box.setDefaultButton(buttons.front());
    // Escape presses the button the caller chose, else Cancel when there is
    // one, else the only button.
    if (request.escapeButton >= 0 && size_t(request.escapeButton) < buttons.size())
        escape = buttons[size_t(request.escapeButton)];
    if (!escape && buttons.size() == 1)
        escape = buttons.front();
    if (escape)
        box.setEscapeButton(escape);

    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return static_cast<int>(i);
    // Closed some other way: as if Cancel (or the only button) was pressed.
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == escape)
            return static_cast<int>(i);
    return 0;
}

} // namespace tosk
