// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/SearchField.h"

#include "canvas/Latin1.h"

#include <QLineEdit>
#include <QToolButton>

namespace tosk {

QLineEdit* makeSearchField(QWidget* parent, const QString& objectName, const QString& placeholder,
                           const QString& accessibleName)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(accessibleName);
    field->setClearButtonEnabled(true);
    // The clear button Qt adds has no name a screen reader could announce.
    for (auto* button : field->findChildren<QToolButton*>())
        button->setAccessibleName(Latin1::text("ClearField", "Clear"));
    return field;
}

} // namespace tosk
