// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a screen reader finds in a window. Call on any QWidget (usually a
// top-level window, shown or not):
//
//     EXPECT_EQ(tosk::test::unnamedControls(&window), QStringList{});
//
// lists every control that assistive technology would announce without a
// name, one path per control ("graphicWindow/QToolButton#zoomInBtn
// [ToolButton]"), so that a failure names the widgets to fix.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <functional>

namespace tosk::test {

// The roles a user operates, and so must hear named.
inline bool isInteractiveRole(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::MenuItem:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTab:
    case QAccessible::Canvas:
        return true;
    default:
        return false;
    }
}

inline QString accessibleRoleName(QAccessible::Role role)
{
    const QMetaEnum roles = QMetaEnum::fromType<QAccessible::Role>();
    const char* key = roles.valueToKey(role);
    return key ? QString::fromLatin1(key) : QString::number(int(role));
}

// One step of a path: the object's name when it has one, else its class,
// then the role.
inline QString accessiblePathStep(QAccessibleInterface* iface)
{
    QString step;
    if (QObject* object = iface->object()) {
        step = QString::fromLatin1(object->metaObject()->className());
        if (!object->objectName().isEmpty())
            step += QLatin1Char('#') + object->objectName();
    } else {
        // Menu items and table cells have no object of their own: their text
        // says which one it is.
        step = QLatin1Char('"') + iface->text(QAccessible::Name) + QLatin1Char('"');
    }
    return step + QLatin1String(" [") + accessibleRoleName(iface->role()) + QLatin1Char(']');
}

// Calls `visit` for every interface under `root` (the root included) with
// its path. Item views are not entered: their cells are named by their data.
// Widgets hidden on purpose (a toolbar's overflow button while everything
// fits) are left out with all they hold.
inline void walkAccessible(QAccessibleInterface* root,
                           const std::function<void(QAccessibleInterface*, const QString&)>& visit,
                           const QString& parentPath = QString(), int depth = 0)
{
    if (!root || !root->isValid() || depth > 64)
        return;
    const QString path =
        parentPath.isEmpty() ? accessiblePathStep(root) : parentPath + QLatin1Char('/') + accessiblePathStep(root);
    visit(root, path);
    const QAccessible::Role role = root->role();
    if (role == QAccessible::List || role == QAccessible::Tree || role == QAccessible::Table)
        return;
    const int count = root->childCount();
    for (int i = 0; i < count; ++i) {
        QAccessibleInterface* child = root->child(i);
        auto* w = child ? qobject_cast<QWidget*>(child->object()) : nullptr;
        if (w && w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            continue;
        walkAccessible(child, visit, path, depth + 1);
    }
}

// The whole tree under `widget`, one "path = name" line per element: what
// to print when a check fails and the reason is not plain.
inline QStringList accessibleTree(QWidget* widget)
{
    QStringList lines;
    walkAccessible(QAccessible::queryAccessibleInterface(widget),
                   [&lines](QAccessibleInterface* iface, const QString& path) {
                       lines << path + QLatin1String(" = ") + iface->text(QAccessible::Name);
                   });
    return lines;
}

// Every interactive element under `widget` whose accessible name is empty.
// Separators and the menus' tear-off items are no controls.
inline QStringList unnamedControls(QWidget* widget)
{
    QStringList found;
    walkAccessible(QAccessible::queryAccessibleInterface(widget),
                   [&found](QAccessibleInterface* iface, const QString& path) {
                       if (isInteractiveRole(iface->role()) && iface->text(QAccessible::Name).trimmed().isEmpty())
                           found << path;
                   });
    return found;
}

// How many interactive elements the walk met: a check that finds nothing
// unnamed means something only when it looked at the controls.
inline int interactiveControlCount(QWidget* widget)
{
    int count = 0;
    walkAccessible(QAccessible::queryAccessibleInterface(widget),
                   [&count](QAccessibleInterface* iface, const QString&) {
                       if (isInteractiveRole(iface->role()))
                           ++count;
                   });
    return count;
}

// The items of the menus (and of their submenus) that have no keyboard
// mnemonic ('&'), as "File > Clear Menu". Separators and items filled in
// only when a menu opens are skipped.
inline QStringList menuEntriesWithoutMnemonic(const QList<QAction*>& actions, const QString& prefix = QString())
{
    QStringList found;
    for (QAction* action : actions) {
        if (action->isSeparator() || action->text().isEmpty())
            continue;
        QString plain = action->text();
        plain.remove(QLatin1Char('&'));
        const QString path = prefix.isEmpty() ? plain : prefix + QLatin1String(" > ") + plain;
        // "&&" is a literal ampersand, not a mnemonic.
        if (!QString(action->text()).remove(QLatin1String("&&")).contains(QLatin1Char('&')))
            found << path;
        if (QMenu* menu = action->menu())
            found << menuEntriesWithoutMnemonic(menu->actions(), path);
    }
    return found;
}

// The same for a menu bar, titles included.
inline QStringList menuEntriesWithoutMnemonic(QMenuBar* bar)
{
    return bar ? menuEntriesWithoutMnemonic(bar->actions()) : QStringList();
}

// The same for a pop-up menu: its items (its title is shown nowhere).
inline QStringList menuEntriesWithoutMnemonic(QMenu* menu)
{
    return menu ? menuEntriesWithoutMnemonic(menu->actions()) : QStringList();
}

// The enabled controls under `widget` that the keyboard cannot reach: out
// of the tab order, without a shortcut of their own.
inline QStringList controlsOutOfTabOrder(QWidget* widget)
{
    QStringList found;
    walkAccessible(QAccessible::queryAccessibleInterface(widget),
                   [&found](QAccessibleInterface* iface, const QString& path) {
                       auto* w = qobject_cast<QWidget*>(iface->object());
                       if (!w || w->isWindow() || !isInteractiveRole(iface->role()) || !w->isEnabled())
                           return;
                       // A combo box's line edit takes the focus through its box.
                       if (w->focusProxy())
                           w = w->focusProxy();
                       if (w->focusPolicy() & Qt::TabFocus)
                           return;
                       // A toolbar's buttons take no focus: a key of their own reaches them.
                       if (auto* tool = qobject_cast<QToolButton*>(w);
                           tool && tool->defaultAction() && !tool->defaultAction()->shortcut().isEmpty())
                           return;
                       if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->shortcut().isEmpty())
                           return;
                       // A text field's clear button: the field, which takes the focus, clears from the keys.
                       if (qobject_cast<QLineEdit*>(w->parentWidget()))
                           return;
                       found << path;
                   });
    return found;
}

} // namespace tosk::test
