// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace tosk {

// A text field for searching or filtering: placeholder, the name a screen
// reader announces, and a clear button that has a name too.
QLineEdit* makeSearchField(QWidget* parent, const QString& objectName, const QString& placeholder,
                           const QString& accessibleName);

} // namespace tosk
