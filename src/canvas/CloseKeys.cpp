// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CloseKeys.h"

#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

namespace tosk {

CloseKeys::CloseKeys(QWidget* window, std::function<bool()> mayClose)
    : QObject(window), window_(window), mayClose_(std::move(mayClose))
{
}

CloseKeys* CloseKeys::install(QWidget* window, std::function<bool()> mayClose)
{
    auto* keys = new CloseKeys(window, std::move(mayClose));
    window->installEventFilter(keys);
    auto* shortcut = new QShortcut(QKeySequence::Close, window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, keys, &CloseKeys::closeWindow);
    return keys;
}

bool CloseKeys::eventFilter(QObject* watched, QEvent* event)
{
    // Key events a child left alone come up to the window.
    if (watched == window_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            closeWindow();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CloseKeys::closeWindow()
{
    if (!mayClose_ || mayClose_())
        window_->close();
}

} // namespace tosk
