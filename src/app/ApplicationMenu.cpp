#include "app/ApplicationMenu.h"

#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace tosk {

namespace {
void addDocumentCommands(QMenuBar* bar, QMenu* file, DocumentController* documents)
{
    auto patchWindow = [bar] { return qobject_cast<GraphicWindowController*>(bar->window()); };
    auto add = [file](const char* name, const char* key, const char* fallback, const QKeySequence& shortcut) {
        QAction* action = file->addAction(Latin1::text(key, fallback));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        return action;
    };

    QAction* newDoc = add("actionNew", "MenuNew", "&New", QKeySequence::New);
    QAction* open = add("actionOpen", "MenuOpen", "&Open...", QKeySequence::Open);
    QMenu* recent = file->addMenu(Latin1::text("MenuOpenRecent", "Open &Recent"));
    recent->setObjectName(QStringLiteral("menuOpenRecent"));
    file->addSeparator();
    QAction* close = add("actionClose", "MenuClose", "&Close", QKeySequence::Close);
    QAction* save = add("actionSave", "MenuSave", "&Save", QKeySequence::Save);
    QAction* saveAs = add("actionSaveAs", "MenuSaveAs", "Save &As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    QAction* revert = add("actionRevert", "MenuRevert", "Re&vert", QKeySequence());
    file->addSeparator();
    // The title and author sheet, until a menu of patch commands holds it.
    QAction* setTitle = add("actionSetTitle", "MenuSetTitle", "Set &Title and Author...", QKeySequence());
    file->addSeparator();

    {
        QObject::connect(newDoc, &QAction::triggered, documents, [documents] { documents->newDocument(); });
        QObject::connect(open, &QAction::triggered, documents,
                         [documents, bar] { documents->openDocumentWithChooser(bar->window()); });
        QObject::connect(save, &QAction::triggered, documents, [documents, patchWindow] {
            if (auto* w = patchWindow())
                documents->saveDocument(*w);
        });
        QObject::connect(saveAs, &QAction::triggered, documents, [documents, patchWindow] {
            if (auto* w = patchWindow())
                documents->saveDocumentAs(*w);
        });
        QObject::connect(revert, &QAction::triggered, documents, [documents, patchWindow] {
            if (auto* w = patchWindow())
                documents->revertDocument(*w);
        });
        QObject::connect(recent, &QMenu::aboutToShow, documents, [recent, documents] {
            recent->clear();
            for (const QString& path : documents->recentDocuments())
                QObject::connect(recent->addAction(path), &QAction::triggered, documents,
                                 [documents, path] { documents->openDocument(path); });
            recent->addSeparator();
            QAction* clear = recent->addAction(Latin1::text("MenuClearRecent", "Clear Menu"));
            clear->setEnabled(!documents->recentDocuments().isEmpty());
            QObject::connect(clear, &QAction::triggered, documents, [documents] { documents->clearRecentDocuments(); });
        });
    }
    QObject::connect(close, &QAction::triggered, bar, [patchWindow] {
        if (auto* w = patchWindow())
            w->close();
    });
    QObject::connect(setTitle, &QAction::triggered, bar, [patchWindow] {
        if (auto* w = patchWindow())
            w->raiseTitleWindow();
    });
    // What can be done depends on the window and its document.
    auto refresh = [=] {
        GraphicWindowController* w = patchWindow();
        SigDocument* doc = w ? w->sigDocument() : nullptr;
        close->setEnabled(w);
        save->setEnabled(doc);
        saveAs->setEnabled(doc);
        revert->setEnabled(doc && !doc->fileName().empty() && doc->isDocumentEdited());
        setTitle->setEnabled(w && w->sigFile());
    };
    refresh();
    QObject::connect(file, &QMenu::aboutToShow, bar, refresh);
}

// Window ▸ Disk Browser, always enabled. The Window menu is made here when
// nothing has made it yet.
void addDiskBrowserCommand(QMenuBar* bar, MainMenuDelegate& delegate)
{
    auto* menu = bar->findChild<QMenu*>(QStringLiteral("menuWindow"), Qt::FindDirectChildrenOnly);
    if (!menu) {
        menu = bar->addMenu(Latin1::text("MenuWindow", "&Window"));
        menu->setObjectName(QStringLiteral("menuWindow"));
    }
    QAction* show = menu->addAction(Latin1::text("MenuDiskBrowser", "&Disk Browser"));
    show->setObjectName(QStringLiteral("actionShowDiskView"));
    QObject::connect(show, &QAction::triggered, &delegate, &MainMenuDelegate::showDiskViewAction);
}

} // namespace

void ApplicationMenu::build(QMenuBar* bar, MainMenuDelegate& delegate)
{
    QMenu* file = bar->addMenu(Latin1::text("MenuFile", "&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    // The document commands come with the document machinery; the commands
    // of a patch act on the window whose menu this is.
    if (DocumentController* documents = delegate.documentController())
        addDocumentCommands(bar, file, documents);

    QAction* quit = file->addAction(Latin1::text("MenuQuit", "&Quit"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, &delegate, &MainMenuDelegate::terminate);

    addDiskBrowserCommand(bar, delegate);
}

} // namespace tosk
