// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KeyboardShortcutsDialog.h"

#include "canvas/Latin1.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tosk {

namespace {

QString plain(QString title)
{
    // "&&" is a shown ampersand, a single "&" marks the mnemonic.
    title.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    title.remove(QLatin1Char('&'));
    title.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return title;
}

void collect(QMenu* menu, const QString& path, std::vector<std::pair<QString, QString>>& rows)
{
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString here = path + QStringLiteral(" \u25B8 ") + plain(action->text());
        if (QMenu* sub = action->menu()) {
            collect(sub, here, rows);
            continue;
        }
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        if (!keys.isEmpty())
            rows.emplace_back(here, keys.join(QStringLiteral(", ")));
    }
}

} // namespace

std::vector<std::pair<QString, QString>> KeyboardShortcutsDialog::shortcutsOf(QMenuBar* bar)
{
    std::vector<std::pair<QString, QString>> rows;
    if (!bar)
        return rows;
    for (QAction* action : bar->actions())
        if (QMenu* menu = action->menu())
            collect(menu, plain(menu->title()), rows);
    return rows;
}

KeyboardShortcutsDialog::KeyboardShortcutsDialog(QMenuBar* bar, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("keyboardShortcuts"));
    setWindowTitle(Latin1::text("MenuShortcuts", "&Keyboard Shortcuts").remove(QLatin1Char('&')));
    setAttribute(Qt::WA_DeleteOnClose);
    const auto rows = shortcutsOf(bar);
    table_ = new QTableWidget(int(rows.size()), 2, this);
    table_->setObjectName(QStringLiteral("shortcutTable"));
    table_->setAccessibleName(windowTitle());
    table_->setHorizontalHeaderLabels(
        {Latin1::text("ShortcutCommand", "Command"), Latin1::text("ShortcutKeys", "Keys")});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (size_t i = 0; i < rows.size(); ++i) {
        table_->setItem(int(i), 0, new QTableWidgetItem(rows[i].first));
        table_->setItem(int(i), 1, new QTableWidgetItem(rows[i].second));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(table_, 1);
    column->addWidget(buttons);
    resize(460, 520);
}

} // namespace tosk
