// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ApplicationMenu.h"

#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/KeyboardShortcutsDialog.h"
#include "app/MainMenuDelegate.h"
#include "app/PictureExport.h"
#include "app/UnitCommands.h"
#include "canvas/CanvasCommands.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"
#include "editors/MiscHelpManager.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace tosk {

namespace {

GraphicWindowController* patchWindowOf(QMenuBar* bar)
{
    return qobject_cast<GraphicWindowController*>(bar->window());
}

// The application's windows a user can switch to (shown, titled, not a
// menu or a tooltip), patch windows first; with `patchesOnly`, the patch
// windows alone.
std::vector<QWidget*> openWindows(bool patchesOnly)
{
    std::vector<QWidget*> patches, others;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowTitle().isEmpty() || qobject_cast<QMenu*>(w) ||
            w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup)
            continue;
        (qobject_cast<GraphicWindowController*>(w) ? patches : others).push_back(w);
    }
    if (!patchesOnly)
        patches.insert(patches.end(), others.begin(), others.end());
    return patches;
}

void bringForward(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

// The items of one menu that carry canvas commands. While the menu shows,
// each item is enabled and titled as the command's state says; once it has
// closed every item is enabled again, so that a key equivalent always
// reaches the command, which checks again whether it can run.
class CommandMenu : public QObject {
public:
    CommandMenu(QMenuBar* bar, QMenu* menu) : QObject(menu), bar_(bar), menu_(menu)
    {
        QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { validate(); });
        QObject::connect(menu, &QMenu::aboutToHide, menu, [this] {
            for (auto& [action, command] : items_)
                action->setEnabled(true);
        });
    }

    QAction* add(CanvasCommand command, const char* name, QList<QKeySequence> keys = {})
    {
        QAction* action = menu_->addAction(CanvasCommands::defaultTitle(command));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setCheckable(command == CanvasCommand::ShowRuler || command == CanvasCommand::ShowGrid ||
                             command == CanvasCommand::SnapToGrid);
        QMenuBar* bar = bar_;
        QObject::connect(action, &QAction::triggered, menu_, [bar, command] {
            if (GraphicWindowController* w = patchWindowOf(bar))
                w->graphicView()->commands().perform(command);
        });
        items_.emplace_back(action, command);
        return action;
    }

    void validate()
    {
        GraphicWindowController* w = patchWindowOf(bar_);
        for (auto& [action, command] : items_) {
            const CommandState state = w ? w->graphicView()->commands().state(command) : CommandState{};
            action->setEnabled(state.enabled);
            action->setText(state.title.isEmpty() ? CanvasCommands::defaultTitle(command) : state.title);
            if (action->isCheckable())
                action->setChecked(state.checked);
        }
    }

private:
    QMenuBar* bar_;
    QMenu* menu_;
    std::vector<std::pair<QAction*, CanvasCommand>> items_;
};

// Lives as long as its menu.
CommandMenu* commandMenu(QMenuBar* bar, QMenu* menu)
{
    return new CommandMenu(bar, menu);
}

QMenu* addMenu(QMenuBar* bar, const char* name, const char* key, const char* title)
{
    QMenu* menu = bar->addMenu(Latin1::text(key, title));
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

void addEditMenu(QMenuBar* bar)
{
    QMenu* edit = addMenu(bar, "menuEdit", "MenuEdit", "&Edit");
    CommandMenu* items = commandMenu(bar, edit);
    using C = CanvasCommand;
    items->add(C::Undo, "actionUndo", QKeySequence::keyBindings(QKeySequence::Undo));
    QList<QKeySequence> redo = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redo.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redo.append(QKeySequence(Qt::CTRL | Qt::Key_Y));
    items->add(C::Redo, "actionRedo", redo);
    edit->addSeparator();
    items->add(C::Cut, "actionCut", QKeySequence::keyBindings(QKeySequence::Cut));
    items->add(C::Copy, "actionCopy", QKeySequence::keyBindings(QKeySequence::Copy));
    // The picture of the selection, or of the whole patch, for other programs.
    QAction* copyPicture = edit->addAction(Latin1::text("MenuCopyPicture", "Copy P&icture"));
    copyPicture->setObjectName(QStringLiteral("actionCopyPicture"));
    copyPicture->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QObject::connect(copyPicture, &QAction::triggered, edit, [bar] {
        if (GraphicWindowController* w = patchWindowOf(bar))
            PictureExport::copyPicture(*w);
    });
    items->add(C::Paste, "actionPaste", QKeySequence::keyBindings(QKeySequence::Paste));
    items->add(C::Duplicate, "actionDuplicate", {QKeySequence(Qt::CTRL | Qt::Key_D)});
    items->add(C::Delete, "actionDelete", {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
    edit->addSeparator();
    items->add(C::SelectAll, "actionSelectAll", QKeySequence::keyBindings(QKeySequence::SelectAll));
    items->add(C::DeselectAll, "actionDeselectAll", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)});
    // The window's own actions: their keys work in it with or without a menu.
    if (GraphicWindowController* w = patchWindowOf(bar)) {
        edit->addSeparator();
        edit->addAction(w->findAction());
        edit->addAction(w->findNextAction());
        edit->addAction(w->findPreviousAction());
    }
}

void addPatchMenu(QMenuBar* bar, MainMenuDelegate& delegate)
{
    QMenu* patch = addMenu(bar, "menuPatch", "MenuPatch", "&Patch");
    // The add-module panel, following this window, ready to search.
    QAction* add = patch->addAction(Latin1::text("MenuAddModule", "&Add Module..."));
    add->setObjectName(QStringLiteral("actionAddModule"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    MainMenuDelegate* d = &delegate;
    QObject::connect(add, &QAction::triggered, d, [d, bar] { d->addModuleSearchAction(bar->window()); });
    CommandMenu* items = commandMenu(bar, patch);
    using C = CanvasCommand;
    items->add(C::AddComment, "actionAddComment");
    items->add(C::InspectModule, "actionInspectModule", {QKeySequence(Qt::CTRL | Qt::Key_I)});
    items->add(C::EditSpecific, "actionEditSpecific", {QKeySequence(Qt::CTRL | Qt::Key_E)});
    patch->addSeparator();
    items->add(C::AddRepeatingField, "actionAddRepeatingField");
    items->add(C::DeleteRepeatingField, "actionDeleteRepeatingField");
    patch->addSeparator();
    items->add(C::AlignLeft, "actionAlignLeft");
    items->add(C::AlignRight, "actionAlignRight");
    items->add(C::AlignTop, "actionAlignTop");
    items->add(C::AlignBottom, "actionAlignBottom");
    items->add(C::GridSelected, "actionGridSelected");
    patch->addSeparator();
    items->add(C::Reposition, "actionReposition");
    items->add(C::Reorder, "actionReorder");
    patch->addSeparator();
    items->add(C::SetTitleAndAuthor, "actionSetTitle");
}

void addViewMenu(QMenuBar* bar, MainMenuDelegate& delegate, bool patchWindow)
{
    QMenu* view = addMenu(bar, "menuView", "MenuView", "&View");
    if (patchWindow) {
        CommandMenu* items = commandMenu(bar, view);
        using C = CanvasCommand;
        items->add(C::ShowRuler, "actionShowRuler");
        items->add(C::ShowGrid, "actionShowGrid");
        items->add(C::SnapToGrid, "actionSnapToGrid");
        view->addSeparator();
        // Ctrl+= too: the key that holds + on most layouts, without Shift.
        QList<QKeySequence> zoomIn = QKeySequence::keyBindings(QKeySequence::ZoomIn);
        for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)})
            if (!zoomIn.contains(key))
                zoomIn.append(key);
        items->add(C::ZoomIn, "actionZoomIn", zoomIn);
        items->add(C::ZoomOut, "actionZoomOut", QKeySequence::keyBindings(QKeySequence::ZoomOut));
        items->add(C::ZoomToFit, "actionZoomToFit", {QKeySequence(Qt::CTRL | Qt::Key_0)});
        items->add(C::ZoomToSelection, "actionZoomToSelection", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_0)});
        view->addSeparator();
    }
    // The one grid panel follows the last active patch window; another
    // part of the program provides it.
    QAction* grid = view->addAction(Latin1::text("MenuGridPanel", "Grid &Panel"));
    grid->setObjectName(QStringLiteral("actionGridPanel"));
    MainMenuDelegate* d = &delegate;
    auto refresh = [grid, d] { grid->setEnabled(static_cast<bool>(d->gridPanelHook())); };
    refresh();
    QObject::connect(view, &QMenu::aboutToShow, grid, refresh);
    QObject::connect(grid, &QAction::triggered, d, [d, bar] {
        if (d->gridPanelHook())
            d->gridPanelHook()(bar->window());
    });
}
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
    QAction* compareWith = add("actionCompareWith", "MenuCompareWith", "Co&mpare With...", QKeySequence());
    QAction* compareSaved =
        add("actionCompareWithSaved", "MenuCompareWithSaved", "Compare with Save&d", QKeySequence());
    file->addSeparator();
    QAction* exportPicture = add("actionExportPicture", "MenuExportPicture", "&Export Picture...", QKeySequence());
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
        QObject::connect(compareWith, &QAction::triggered, documents, [documents, patchWindow] {
            if (auto* w = patchWindow())
                documents->compareWithChooser(*w);
        });
        QObject::connect(compareSaved, &QAction::triggered, documents, [documents, patchWindow] {
            if (auto* w = patchWindow())
                documents->compareWithSaved(*w);
        });
        QObject::connect(exportPicture, &QAction::triggered, documents, [patchWindow] {
            if (auto* w = patchWindow())
                PictureExport::exportPicture(*w);
        });
        QObject::connect(recent, &QMenu::aboutToShow, documents, [recent, documents, bar] {
            recent->clear();
            for (const QString& path : documents->recentDocuments())
                QObject::connect(recent->addAction(path), &QAction::triggered, documents,
                                 [documents, path, bar] { documents->openRecentDocument(path, bar->window()); });
            recent->addSeparator();
            QAction* clear = recent->addAction(Latin1::text("MenuClearRecent", "&Clear Menu"));
            clear->setEnabled(!documents->recentDocuments().isEmpty());
            QObject::connect(clear, &QAction::triggered, documents, [documents] { documents->clearRecentDocuments(); });
        });
    }
    QObject::connect(close, &QAction::triggered, bar, [patchWindow] {
        if (auto* w = patchWindow())
            w->close();
    });
    // What can be done depends on the window and its document.
    auto refresh = [=] {
        GraphicWindowController* w = patchWindow();
        SigDocument* doc = w ? w->sigDocument() : nullptr;
        close->setEnabled(w);
        save->setEnabled(doc);
        saveAs->setEnabled(doc);
        revert->setEnabled(doc && !doc->fileName().empty() && doc->isDocumentEdited());
        exportPicture->setEnabled(doc);
        compareWith->setEnabled(doc && doc->sigFile());
        compareSaved->setEnabled(doc && doc->sigFile() && !doc->fileName().empty());
    };
    refresh();
    QObject::connect(file, &QMenu::aboutToShow, bar, refresh);
}

// Unit ▸ ...: the commands that talk to the unit through the dispatcher,
// each enabled as the database and the window allow.
void addUnitMenu(QMenuBar* bar, UnitCommands& unit)
{
    QMenu* menu = bar->addMenu(Latin1::text("MenuUnit", "&Unit"));
    menu->setObjectName(QStringLiteral("menuUnit"));
    using Item = UnitCommands::Item;
    std::vector<std::pair<QAction*, Item>> items;
    auto add = [&](const char* name, const char* key, const char* fallback, Item item) {
        QAction* action = menu->addAction(Latin1::text(key, fallback));
        action->setObjectName(QString::fromLatin1(name));
        items.emplace_back(action, item);
        return action;
    };
    QAction* getPatch = add("actionGetPatch", "MenuGetPatch", "&Get Patch", Item::GetPatch);
    QAction* sendPatch = add("actionSendPatch", "MenuSendPatch", "&Send Patch", Item::SendPatch);
    QAction* updatePatch = add("actionUpdatePatch", "MenuUpdatePatch", "&Update Patch", Item::UpdatePatch);
    QAction* compare = add("actionCompareWithUnit", "MenuCompareWithUnit", "&Compare with Unit", Item::CompareWithUnit);
    menu->addSeparator();
    QAction* frontPanel = add("actionFrontPanel", "MenuFrontPanel", "&Front Panel", Item::FrontPanel);
    menu->addSeparator();
    QAction* getDbase = add("actionGetDbase", "MenuGetDbase", "Get &Database...", Item::GetDbase);
    QAction* getScreen = add("actionGetScreen", "MenuGetScreen", "Get Sc&reen", Item::GetScreen);
    menu->addSeparator();
    add("actionGetUserFiles", "MenuGetUserFiles", "Get User Fi&les", Item::GetUserFiles);
    add("actionGetSetup", "MenuGetSetup", "Get Se&tup", Item::GetSetup);
    add("actionSendUserFiles", "MenuSendUserFiles", "Send User F&iles", Item::SendUserFiles);
    add("actionSendSetup", "MenuSendSetup", "Send Setu&p", Item::SendSetup);

    QPointer<UnitCommands> commands(&unit);
    auto window = [bar] { return bar->window(); };
    QObject::connect(getPatch, &QAction::triggered, &unit, [commands] { commands->onMidiGetPatch(); });
    QObject::connect(sendPatch, &QAction::triggered, &unit,
                     [commands, window] { commands->onMidiSendPatch(window()); });
    QObject::connect(updatePatch, &QAction::triggered, &unit,
                     [commands, window] { commands->onMidiUpdatePatch(window()); });
    QObject::connect(compare, &QAction::triggered, &unit, [commands, window] { commands->onMidiCompare(window()); });
    QObject::connect(frontPanel, &QAction::triggered, &unit, [commands] { commands->onFrontPanel(); });
    QObject::connect(getDbase, &QAction::triggered, &unit, [commands, window] { commands->onMidiGetDbase(window()); });
    QObject::connect(getScreen, &QAction::triggered, &unit, [commands] { commands->onMidiGetScreen(); });
    auto refresh = [items, commands, window] {
        for (const auto& [action, item] : items)
            action->setEnabled(commands && commands->validateMenuItem(item, window()));
    };
    refresh();
    QObject::connect(menu, &QMenu::aboutToShow, bar, refresh);
}

// Window ▸ ...: the windows of the application that are not documents.
void addWindowMenu(QMenuBar* bar, MainMenuDelegate& delegate)
{
    QMenu* menu = bar->addMenu(Latin1::text("MenuWindow", "&Window"));
    menu->setObjectName(QStringLiteral("menuWindow"));
    QAction* browser = menu->addAction(Latin1::text("MenuUnitBrowser", "Unit &Browser"));
    browser->setObjectName(QStringLiteral("actionShowKorvatelView"));
    browser->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    QObject::connect(browser, &QAction::triggered, &delegate, &MainMenuDelegate::showKorvatelViewAction);
    QAction* traffic = menu->addAction(Latin1::text("MenuUnitTraffic", "Unit &Traffic"));
    traffic->setObjectName(QStringLiteral("actionUnitTraffic"));
    QObject::connect(traffic, &QAction::triggered, &delegate, &MainMenuDelegate::showUnitTraffic);
    QAction* disk = menu->addAction(Latin1::text("MenuDiskBrowser", "&Disk Browser"));
    disk->setObjectName(QStringLiteral("actionShowDiskView"));
    QObject::connect(disk, &QAction::triggered, &delegate, &MainMenuDelegate::showDiskViewAction);
    QAction* addModule = menu->addAction(Latin1::text("MenuAddModulePanel", "&Add Module Panel"));
    addModule->setObjectName(QStringLiteral("actionAddModulePanel"));
    QObject::connect(addModule, &QAction::triggered, &delegate, &MainMenuDelegate::addModuleAction);
    QAction* next = menu->addAction(Latin1::text("MenuNextPatchWindow", "&Next Patch Window"));
    next->setObjectName(QStringLiteral("actionNextPatchWindow"));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft));
    QObject::connect(next, &QAction::triggered, bar, [bar] {
        const std::vector<QWidget*> patches = openWindows(true);
        if (patches.empty())
            return;
        auto at = std::find(patches.begin(), patches.end(), bar->window());
        bringForward(at == patches.end() || ++at == patches.end() ? patches.front() : *at);
    });
    // Below a line, every open window by its title, rebuilt each time the
    // menu opens; the window in front is checked.
    menu->addSeparator();
    auto listed = std::make_shared<std::vector<QAction*>>();
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, bar, listed] {
        for (QAction* action : *listed)
            delete action;
        listed->clear();
        for (QWidget* window : openWindows(false)) {
            QAction* action = menu->addAction(window->windowTitle());
            action->setObjectName(QStringLiteral("actionWindowItem"));
            action->setCheckable(true);
            action->setChecked(window == bar->window());
            QPointer<QWidget> target = window;
            QObject::connect(action, &QAction::triggered, menu, [target] {
                if (target)
                    bringForward(target);
            });
            listed->push_back(action);
        }
    });
}

// Help ▸ ...: the user's help, the operator reference (the help book made
// from the database in use), the keys of this window's menu, and what this
// program and its database are.
void addHelpMenu(QMenuBar* bar, MainMenuDelegate& delegate)
{
    QMenu* menu = addMenu(bar, "menuHelp", "MenuHelp", "&Help");
    auto add = [menu](const char* name, const char* key, const char* fallback) {
        QAction* action = menu->addAction(Latin1::text(key, fallback));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    QAction* help = add("actionToskHelp", "MenuToskHelp", "Tosk &Help");
    help->setShortcuts(QKeySequence::keyBindings(QKeySequence::HelpContents));
    QAction* reference = add("actionOperatorReference", "MenuOperatorReference", "&Operator Reference");
    QAction* keys = add("actionKeyboardShortcuts", "MenuShortcuts", "&Keyboard Shortcuts");
    menu->addSeparator();
    QAction* about = add("actionAbout", "MenuAbout", "&About Tosk");
    about->setMenuRole(QAction::AboutRole);
    QObject::connect(help, &QAction::triggered, menu,
                     [] { MiscHelpManager::sharedHelpManager().goToUserHelpCenter(); });
    // From a patch with one module selected, the reference opens at that
    // module's operator.
    QObject::connect(reference, &QAction::triggered, menu, [bar] {
        MiscHelpManager& help = MiscHelpManager::sharedHelpManager();
        GraphicWindowController* w = patchWindowOf(bar);
        const std::vector<Module*> selected = w ? w->graphicView()->selectedModules() : std::vector<Module*>{};
        if (selected.size() == 1 && selected.front() != w->graphicView()->head())
            help.showModuleHelp(*selected.front());
        else
            help.goToTableOfContents();
    });
    QObject::connect(keys, &QAction::triggered, menu, [bar] {
        auto* dialog = new KeyboardShortcutsDialog(bar, bar->window());
        dialog->show();
    });
    MainMenuDelegate* d = &delegate;
    QObject::connect(about, &QAction::triggered, d, [d, bar] { d->aboutAction(bar->window()); });
}

void addPreferencesCommand(QMenu* file, MainMenuDelegate& delegate)
{
    QAction* preferences = file->addAction(Latin1::text("MenuPreferences", "&Preferences..."));
    preferences->setObjectName(QStringLiteral("actionPreferences"));
    preferences->setMenuRole(QAction::PreferencesRole);
    QObject::connect(preferences, &QAction::triggered, &delegate, &MainMenuDelegate::showPreferencesPanelAction);
    file->addSeparator();
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

    addPreferencesCommand(file, delegate);
    QAction* quit = file->addAction(Latin1::text("MenuQuit", "&Quit"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, &delegate, &MainMenuDelegate::terminate);

    // The canvas's commands act on the window whose menu this is; the
    // start window has only what needs no patch.
    const bool patchWindow = patchWindowOf(bar) != nullptr;
    if (patchWindow) {
        addEditMenu(bar);
        addPatchMenu(bar, delegate);
    }
    addViewMenu(bar, delegate, patchWindow);
    if (UnitCommands* unit = delegate.unitCommands())
        addUnitMenu(bar, *unit);
    addWindowMenu(bar, delegate);
    addHelpMenu(bar, delegate);
}

} // namespace tosk
