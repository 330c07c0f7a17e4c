// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/AddModuleController.h"

#include "Toskfile/ConnectionRules.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/NotificationCenter.h"
#include "base/TkxException.h"
#include "browsers/MyOutlineView.h"
#include "browsers/OutlineFilter.h"
#include "browsers/TreeNodeModel.h"
#include "canvas/CanvasStyle.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"
#include "database/OperatorDesc.h"
#include "database/OperatorTreeNode.h"
#include "database/SigDbase.h"
#include "editors/MiscHelpManager.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <any>
#include <map>

namespace tosk {

namespace {

QPointer<AddModuleController>& sharedInstance()
{
    static QPointer<AddModuleController> panel;
    return panel;
}

std::shared_ptr<SigDbase>& initialDbase()
{
    static std::shared_ptr<SigDbase> db;
    return db;
}

const OperatorNodeData* operatorData(const TreeNode* node)
{
    return node ? dynamic_cast<const OperatorNodeData*>(node->nodeData()) : nullptr;
}

} // namespace

AddModuleController& AddModuleController::sharedAddModuleController()
{
    QPointer<AddModuleController>& panel = sharedInstance();
    if (!panel) {
        panel = new AddModuleController;
        // The application hands it the database at launch; until then it
        // shows the database of the patch it follows.
        panel->setSigDbase(initialDbase());
        // Gone while the application still stands.
        qAddPostRoutine([] { delete sharedInstance().data(); });
    }
    return *panel;
}

void AddModuleController::initializeAddModuleController(std::shared_ptr<SigDbase> db)
{
    initialDbase() = db;
    if (AddModuleController* panel = sharedInstance().data())
        panel->setSigDbase(std::move(db));
}

AddModuleController::AddModuleController(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("addModulePanel"));
    setWindowTitle(Latin1::text("AddModuleTitle", "Add Module"));

    const QString search = Latin1::text("SearchOperators", "Search operators");
    searchField_ = OutlineFilter::makeField(this, QStringLiteral("searchField"), search, search);
    searchField_->installEventFilter(this);
    connect(searchField_, &QLineEdit::textChanged, this, &AddModuleController::searchChanged);

    model_ = new TreeNodeModel(this);
    model_->setHeaderTitle(Latin1::text("Operators", "Operators"));
    model_->setIconProvider([](const TreeNode& node) {
        const OperatorNodeData* data = operatorData(&node);
        return data && data->isGroup() && data->isExpandable() ? iconImageForOperatorID(data->operatorId()) : QIcon();
    });
    // Only one operator at a time goes onto a canvas, by its name.
    model_->setDragSource(QString::fromLatin1(GraphicView::OperatorMimeType),
                          [](const std::vector<TreeNode::Ptr>& nodes) {
                              const OperatorNodeData* data = nodes.size() == 1 ? operatorData(nodes[0].get()) : nullptr;
                              if (!data || data->isExpandable() || !data->operatorDesc())
                                  return QByteArray();
                              const std::string& name = data->operatorDesc()->name();
                              return QByteArray(name.data(), qsizetype(name.size()));
                          });
    moduleView_ = new MyOutlineView(this);
    moduleView_->setObjectName(QStringLiteral("moduleView"));
    moduleView_->setAccessibleName(Latin1::text("Operators", "Operators"));
    moduleView_->setTreeModel(model_);
    moduleView_->setHeaderHidden(true);
    moduleView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    moduleView_->setDragEnabled(true);
    moduleView_->setDragDropMode(QAbstractItemView::DragOnly);
    moduleView_->setDefaultDropAction(Qt::CopyAction);
    moduleView_->setExpandsOnDoubleClick(false);
    connect(moduleView_, &QAbstractItemView::doubleClicked, this, &AddModuleController::moduleViewDoubleAction);
    connect(moduleView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AddModuleController::updateButtons);

    addButton_ = new QPushButton(Latin1::text("AddModuleButton", "Add"), this);
    addButton_->setObjectName(QStringLiteral("addButton"));
    addButton_->setToolTip(Latin1::text("AddModuleTip", "Add the operator after the selected module"));
    addButton_->setAccessibleName(addButton_->toolTip());
    addButton_->setAutoDefault(false);
    connect(addButton_, &QPushButton::clicked, this, [this] { onAdd(); });
    infoButton_ = new QPushButton(Latin1::text("ModuleInfo", "Help"), this);
    infoButton_->setObjectName(QStringLiteral("infoButton"));
    infoButton_->setToolTip(Latin1::text("OperatorInfoTip", "The help page of the operator or class"));
    infoButton_->setAccessibleName(infoButton_->toolTip());
    infoButton_->setAutoDefault(false);
    connect(infoButton_, &QPushButton::clicked, this, &AddModuleController::moduleInfoAction);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);
    column->addWidget(searchField_);
    column->addWidget(moduleView_, 1);
    auto* row = new QHBoxLayout();
    row->addWidget(infoButton_);
    row->addStretch(1);
    row->addWidget(addButton_);
    column->addLayout(row);

    NotificationCenter& center = NotificationCenter::defaultCenter();
    // A database read again (or another one) gets a tree of its own.
    center.addObserver(this, SigDbase::didLoadNotification, nullptr, [this](const Notification& n) {
        if (n.object && (n.object == treeDbase_.get() || n.object == sigDbase_.get()))
            loadOutlineView();
    });
    resize(260, 520);
    updateButtons();
}

AddModuleController::~AddModuleController()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

QIcon AddModuleController::iconImageForOperatorID(int operatorId)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(QRect(2, 2, 14, 14), CanvasStyle::gray());
    painter.fillRect(QRect(0, 0, 15, 15), CanvasStyle::operatorClass(operatorId));
    painter.end();
    return QIcon(pixmap);
}

void AddModuleController::setSigDbase(std::shared_ptr<SigDbase> db)
{
    sigDbase_ = std::move(db);
    followDbase();
}

void AddModuleController::setMainWindow(QWidget* window)
{
    mainWindow_ = qobject_cast<GraphicWindowController*>(window);
    if (inspectingGraphicView_)
        disconnect(inspectingGraphicView_, &GraphicView::selectionChanged, this, nullptr);
    inspectingGraphicView_ = mainWindow_ ? mainWindow_->graphicView() : nullptr;
    // The buttons follow the selection of the canvas being inspected.
    if (inspectingGraphicView_)
        connect(inspectingGraphicView_, &GraphicView::selectionChanged, this, [this] { updateButtons(); });
    followDbase();
    updateButtons();
}

GraphicView* AddModuleController::inspectingGraphicView() const
{
    return inspectingGraphicView_.data();
}

void AddModuleController::followDbase()
{
    // The operators of the followed patch are the ones its canvas can add.
    std::shared_ptr<SigDbase> db = sigDbase_;
    if (inspectingGraphicView_ && inspectingGraphicView_->sigFile() && inspectingGraphicView_->sigFile()->sigDbase())
        db = inspectingGraphicView_->sigFile()->sigDbase();
    if (db != treeDbase_ || !operatorTreeData_) {
        treeDbase_ = db;
        loadOutlineView();
    }
}

void AddModuleController::loadOutlineView()
{
    try {
        operatorTreeData_ = OperatorTreeNode::treeFromSigDbase(treeDbase_.get());
    } catch (const TkxException& e) {
        Alerts::error(failureWords(e), this);
        return;
    }
    searchChanged();
}

void AddModuleController::searchChanged()
{
    const std::string query = Latin1::bytes(searchField_->text());
    const bool searching = query.find_first_not_of(" \t") != std::string::npos;
    if (searching && treeDbase_)
        model_->setRoot(OperatorTreeNode::searchTree(*treeDbase_, query));
    else
        model_->setRoot(operatorTreeData_);
    // The best match is the one Return adds.
    if (searching && model_->rowCount() > 0)
        moduleView_->setCurrentIndex(model_->index(0, 0));
    updateButtons();
}

std::shared_ptr<OperatorDesc> AddModuleController::selectedOperator() const
{
    TreeNode::Ptr node = moduleView_->selectedItem();
    const OperatorNodeData* data = operatorData(node.get());
    return data && data->isLeaf() ? data->operatorDesc() : nullptr;
}

void AddModuleController::updateButtons()
{
    const std::vector<TreeNode::Ptr> rows = moduleView_->allSelectedItems();
    const OperatorNodeData* data = rows.size() == 1 ? operatorData(rows.front().get()) : nullptr;
    GraphicView* view = inspectingGraphicView_.data();
    if (data && data->isLeaf() && view && view->sigFile()) {
        addButton_->setEnabled(view->selectedModules().size() <= 1);
        infoButton_->setEnabled(true);
    } else {
        addButton_->setEnabled(false);
        infoButton_->setEnabled(rows.size() == 1);
    }
}

bool AddModuleController::onAdd(bool wire)
{
    std::shared_ptr<OperatorDesc> op = selectedOperator();
    GraphicView* view = inspectingGraphicView_.data();
    SigFile* patch = view ? view->sigFile() : nullptr;
    SigDocument* document = view ? view->sigDocument() : nullptr;
    if (!op || !patch || !document)
        return false;
    const std::vector<Module*> selection = view->selectedModules();
    if (selection.size() > 1)
        return false;
    Module* anchor = selection.size() == 1 ? selection.front()
                                           : (patch->moduleCount() ? patch->listOfModules().front().get() : nullptr);
    // The module, and the wire to it, are one step.
    UndoGroup event(*document);
    // An empty patch takes the module as its first.
    if (!view->insertModule(op->name(), anchor))
        return false;
    const std::vector<Module*> now = view->selectedModules();
    if (wire && selection.size() == 1 && now.size() == 1) {
        auto [output, input] = ConnectionRules::chain(*selection.front(), *now.front());
        if (output && input)
            PatchEditor(*document).connectFields(output, input);
    }
    return true;
}

void AddModuleController::moduleInfoAction()
{
    TreeNode::Ptr node = moduleView_->selectedItem();
    const OperatorNodeData* data = operatorData(node.get());
    if (!data)
        return;
    MiscHelpManager& help = MiscHelpManager::sharedHelpManager();
    if (data->isLeaf())
        help.showOperatorHelp(data->operatorDesc() ? data->operatorDesc()->name() : data->name());
    else
        help.showClassHelp(data->name());
}

void AddModuleController::moduleViewDoubleAction(const QModelIndex& index)
{
    const std::vector<TreeNode::Ptr> rows = moduleView_->allSelectedItems();
    if (rows.size() != 1 || !index.isValid())
        return;
    const OperatorNodeData* data = operatorData(rows.front().get());
    if (!data)
        return;
    if (data->isGroup()) {
        const QModelIndex row = model_->indexForNode(rows.front().get());
        if (moduleView_->isExpanded(row))
            moduleView_->collapse(row);
        else
            moduleView_->expand(row);
        return;
    }
    if (addButton_->isEnabled())
        onAdd();
}

void AddModuleController::showForSearch()
{
    show();
    raise();
    activateWindow();
    searchField_->setFocus(Qt::ShortcutFocusReason);
    searchField_->selectAll();
}

bool AddModuleController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == searchField_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (model_->rowCount() > 0 && !searchField_->text().trimmed().isEmpty())
                moduleView_->setCurrentIndex(model_->index(0, 0));
            onAdd(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Down) {
            moduleView_->setFocus(Qt::TabFocusReason);
            if (!moduleView_->currentIndex().isValid() && model_->rowCount() > 0)
                moduleView_->setCurrentIndex(model_->index(0, 0));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tosk
