// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtWindows.h"

#include <QApplication>
#include <QWidget>

namespace tosk {

QWidget* widgetFor(const void* window)
{
    if (!window)
        return nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (static_cast<const void*>(w) == window)
            return w->window();
    return nullptr;
}

} // namespace tosk
