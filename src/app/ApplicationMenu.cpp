#include "app/ApplicationMenu.h"

#include "app/MainMenuDelegate.h"
#include "base/Localization.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tosk {

namespace {
QString text(const char* key, const char* fallback)
{
    return QString::fromLatin1(localized(key, fallback).c_str());
}
} // namespace

void ApplicationMenu::build(QMenuBar* bar, MainMenuDelegate& delegate)
{
    QMenu* file = bar->addMenu(text("MenuFile", "&File"));
    file->setObjectName(QStringLiteral("menuFile"));

    QAction* quit = file->addAction(text("MenuQuit", "&Quit"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, &delegate, &MainMenuDelegate::terminate);
}

} // namespace tosk
