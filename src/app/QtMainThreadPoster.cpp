// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtMainThreadPoster.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tosk {

void QtMainThreadPoster::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

} // namespace tosk
