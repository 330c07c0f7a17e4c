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
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace tosk::test {

// The roles a user operates, and so must hear named.
inline bool isInteractiveRole(QAccessible::Role role)
{
    static const QAccessible::Role roles[] = {
        QAccessible::PushButton,     QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::EditableText,   QAccessible::Slider,   QAccessible::SpinBox,     QAccessible::List,
        QAccessible::Tree,           QAccessible::Table,    QAccessible::MenuItem,    QAccessible::ButtonMenu,
        QAccessible::ButtonDropDown, QAccessible::PageTab,  QAccessible::Canvas};
    return std::find(std::begin(roles), std::end(roles), role) != std::end(roles);
}

// One step of a path: the object's name when it has one, else its class,
// then the role. Menu items and table cells have no object of their own:
// their text says which one it is.
inline QString accessiblePathStep(QAccessibleInterface* iface)
{
    QString step = QLatin1Char('"') + iface->text(QAccessible::Name) + QLatin1Char('"');
    if (QObject* object = iface->object()) {
        step = QString::fromLatin1(object->metaObject()->className());
        if (!object->objectName().isEmpty())
            step += QLatin1Char('#') + object->objectName();
    }
    const char* role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(iface->role());
    return step + QLatin1String(" [") + (role ? QString::fromLatin1(role) : QString::number(int(iface->role()))) +
           QLatin1Char(']');
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
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        auto* w = child ? qobject_cast<QWidget*>(child->object()) : nullptr;
        if (!w || !w->isHidden() || !w->testAttribute(Qt::WA_WState_ExplicitShowHide))
            walkAccessible(child, visit, path, depth + 1);
    }
}

// The paths under `widget` whose element satisfies `test`.
inline QStringList accessiblePaths(QWidget* widget, const std::function<bool(QAccessibleInterface*)>& test)
{
    QStringList found;
    walkAccessible(QAccessible::queryAccessibleInterface(widget),
                   [&](QAccessibleInterface* iface, const QString& path) {
                       if (test(iface))
                           found << path + QLatin1String(" = ") + iface->text(QAccessible::Name);
                   });
    return found;
}

// Every interactive element under `widget` whose accessible name is empty.
inline QStringList unnamedControls(QWidget* widget)
{
    return accessiblePaths(widget, [](QAccessibleInterface* iface) {
        return isInteractiveRole(iface->role()) && iface->text(QAccessible::Name).trimmed().isEmpty();
    });
}

// The interactive elements under `widget`: a check that finds nothing
// unnamed means something only when it looked at the controls.
inline QStringList interactiveControls(QWidget* widget)
{
    return accessiblePaths(widget, [](QAccessibleInterface* iface) { return isInteractiveRole(iface->role()); });
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
        const QString path = (prefix.isEmpty() ? QString() : prefix + QLatin1String(" > ")) +
                             QString(action->text()).remove(QLatin1Char('&'));
        // "&&" is a literal ampersand, not a mnemonic.
        if (!QString(action->text()).remove(QLatin1String("&&")).contains(QLatin1Char('&')))
            found << path;
        if (QMenu* menu = action->menu())
            found << menuEntriesWithoutMnemonic(menu->actions(), path);
    }
    return found;
}

// The enabled controls under `widget` that the keyboard cannot reach: out
// of the tab order, without a shortcut of their own.
inline QStringList controlsOutOfTabOrder(QWidget* widget)
{
    return accessiblePaths(widget, [](QAccessibleInterface* iface) {
        auto* w = qobject_cast<QWidget*>(iface->object());
        if (!w || w->isWindow() || !isInteractiveRole(iface->role()) || !w->isEnabled())
            return false;
        // A combo box's line edit takes the focus through its box.
        if (w->focusProxy())
            w = w->focusProxy();
        // A toolbar's button takes no focus: a key of its own reaches it.
        auto* tool = qobject_cast<QToolButton*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        // A text field's clear button: the field, which takes the focus, clears from the keys.
        return !(w->focusPolicy() & Qt::TabFocus) &&
               !(tool && tool->defaultAction() && !tool->defaultAction()->shortcut().isEmpty()) &&
               !(button && !button->shortcut().isEmpty()) && !qobject_cast<QLineEdit*>(w->parentWidget());
    });
}

} // namespace tosk::test
