// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartWindow.h"

#include "app/ApplicationMenu.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "canvas/Latin1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace tosk {

namespace {

QString shown(const std::optional<std::string>& s)
{
    return s ? Latin1::qstring(*s) : Latin1::text("StartUnknown", "unknown");
}

// The text without its mnemonic marker, as a screen reader should say it.
QString spoken(const QString& text)
{
    QString s = text;
    s.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    if (s.endsWith(QLatin1String("...")))
        s.chop(3);
    return s;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& description)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(spoken(text));
    b->setAccessibleDescription(description);
    return b;
}

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

// Draws a recent patch as its file name over its folder, the folder
// smaller and dimmed; a missing file in italics, dimmed too.
class RecentPatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        const QFontMetrics name(option.font);
        const QFontMetrics folder(smaller(option.font));
        return QSize(name.horizontalAdvance(QLatin1Char('x')) * 30, name.height() + folder.height() + 2 * kPadding);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& given, const QModelIndex& index) const override
    {
        QStyleOptionViewItem option = given;
        initStyleOption(&option, index);
        // The item's own text: the option's has its line breaks made into
        // line separators.
        const QString text = index.data(Qt::DisplayRole).toString();
        option.text.clear();
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);

        const bool selected = option.state & QStyle::State_Selected;
        const bool missing = option.font.italic();
        const QColor strong = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        QColor dim = strong;
        if (!selected)
            dim = option.palette.color(QPalette::Disabled, QPalette::Text);
        const QRect area = option.rect.adjusted(kPadding * 2, kPadding, -kPadding * 2, -kPadding);
        const qsizetype cut = text.indexOf(QLatin1Char('\n'));
        painter->save();
        QFont nameFont = option.font;
        nameFont.setBold(!missing);
        painter->setFont(nameFont);
        painter->setPen(missing ? dim : strong);
        const QFontMetrics nameMetrics(nameFont);
        painter->drawText(area.x(), area.y() + nameMetrics.ascent(),
                          nameMetrics.elidedText(text.left(cut), Qt::ElideMiddle, area.width()));
        const QFont folderFont = smaller(option.font);
        const QFontMetrics folderMetrics(folderFont);
        painter->setFont(folderFont);
        painter->setPen(dim);
        painter->drawText(area.x(), area.y() + nameMetrics.height() + folderMetrics.ascent(),
                          folderMetrics.elidedText(text.mid(cut + 1), Qt::ElideMiddle, area.width()));
        painter->restore();
    }

private:
    static constexpr int kPadding = 3;

    static QFont smaller(QFont font)
    {
        font.setPointSizeF(font.pointSizeF() * 0.85);
        return font;
    }
};

} // namespace

StartWindow::StartWindow(MainMenuDelegate& delegate, const DatabaseSummary& database, QWidget* parent)
    : QMainWindow(parent), documents_(delegate.documentController())
{
    setObjectName(QStringLiteral("startWindow"));
    setWindowTitle(QStringLiteral("Tosk"));
    ApplicationMenu::build(menuBar(), delegate);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    auto* title = new QLabel(QStringLiteral("Tosk"), central);
    title->setObjectName(QStringLiteral("welcomeTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    title->setFont(big);
    column->addWidget(title);

    // Start: a new patch, a chosen one, or one of the recent ones.
    auto* buttons = new QHBoxLayout();
    new_ = button(central, "newButton", Latin1::text("WelcomeNew", "&New Patch"),
                  Latin1::text("WelcomeNewHelp", "Opens an untitled patch"));
    open_ = button(central, "openButton", Latin1::text("WelcomeOpen", "&Open..."),
                   Latin1::text("WelcomeOpenHelp", "Chooses a patch file to open"));
    new_->setDefault(true);
    new_->setEnabled(documents_);
    open_->setEnabled(documents_);
    buttons->addWidget(new_);
    buttons->addWidget(open_);
    buttons->addStretch(1);
    column->addLayout(buttons);

    const QString recentTitle = Latin1::text("WelcomeRecent", "&Recent patches");
    auto* recentLabel = heading(recentTitle, central);
    column->addWidget(recentLabel);
    recent_ = new QListWidget(central);
    recent_->setObjectName(QStringLiteral("recentList"));
    recent_->setAccessibleName(spoken(recentTitle));
    recent_->setAccessibleDescription(Latin1::text("WelcomeRecentHelp", "Double click or press Enter to open a patch"));
    recent_->setSelectionMode(QAbstractItemView::SingleSelection);
    recent_->setItemDelegate(new RecentPatchDelegate(recent_));
    recent_->setMinimumHeight(120);
    recentLabel->setBuddy(recent_);
    column->addWidget(recent_, 1);
    noRecent_ = new QLabel(Latin1::text("WelcomeNoRecent", "No patch opened yet."), central);
    noRecent_->setObjectName(QStringLiteral("noRecentLabel"));
    column->addWidget(noRecent_);

    // Trying the editor without a unit.
    auto* tryBox = new QGroupBox(Latin1::text("WelcomeTryTitle", "Try without a unit"), central);
    tryBox->setObjectName(QStringLiteral("tryWithoutUnit"));
    auto* tryColumn = new QVBoxLayout(tryBox);
    auto* tryText =
        new QLabel(Latin1::text("WelcomeTryText", "No unit at hand? tosk-unit stands in for one. Start it with "
                                                  "\"tosk-unit --link /tmp/unit\", type /tmp/unit into the port box of "
                                                  "File > Preferences... and use the Unit menu."),
                   tryBox);
    tryText->setObjectName(QStringLiteral("tryWithoutUnitText"));
    tryText->setWordWrap(true);
    tryText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tryColumn->addWidget(tryText);
    column->addWidget(tryBox);

    // The operator database in use.
    auto* databaseBox = new QGroupBox(Latin1::text("WelcomeDatabase", "Operator database"), central);
    databaseBox->setObjectName(QStringLiteral("databaseBox"));
    auto* databaseColumn = new QVBoxLayout(databaseBox);
    status_ = new QLabel(Latin1::text("StartNoDatabase", "No operator database is loaded."), databaseBox);
    status_->setObjectName(QStringLiteral("databaseStatus"));
    databaseColumn->addWidget(status_);
    form_ = new QFormLayout();
    databaseColumn->addLayout(form_);
    product_ = addRow("StartProduct", "Product", "productValue");
    version_ = addRow("StartVersion", "Version", "versionValue");
    date_ = addRow("StartDate", "Date", "dateValue");
    operators_ = addRow("StartOperators", "Operators", "operatorCountValue");
    path_ = addRow("StartDatabase", "Database", "pathValue");
    path_->setWordWrap(true);
    nextPath_ = addRow("StartNextDatabase", "Next start", "nextPathValue");
    nextPath_->setWordWrap(true);
    column->addWidget(databaseBox);
    setCentralWidget(central);
    resize(600, 660);

    setTabOrder(new_, open_);
    setTabOrder(open_, recent_);

    if (documents_) {
        DocumentController* documents = documents_;
        connect(new_, &QPushButton::clicked, documents, [documents] { documents->newDocument(); });
        connect(open_, &QPushButton::clicked, documents,
                [documents, this] { documents->openDocumentWithChooser(this); });
        connect(documents, &DocumentController::recentDocumentsChanged, this, &StartWindow::showRecentDocuments);
    }
    // Double click and Enter.
    connect(recent_, &QListWidget::itemActivated, this, &StartWindow::openRecent);

    showRecentDocuments();
    showDatabase(database);
    connect(&delegate, &MainMenuDelegate::sigDbaseLocationChanged, this, &StartWindow::showNextDatabase);
}

QLabel* StartWindow::addRow(const char* key, const char* fallback, const char* name)
{
    auto* value = new QLabel(this);
    value->setObjectName(QString::fromLatin1(name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QString label = Latin1::text(key, fallback);
    value->setAccessibleName(label);
    form_->addRow(label + QLatin1Char(':'), value);
    return value;
}

void StartWindow::showEvent(QShowEvent* event)
{
    // Files come and go while the window is away.
    showRecentDocuments();
    QMainWindow::showEvent(event);
}

void StartWindow::showRecentDocuments()
{
    const QString current = recent_->currentItem() ? recent_->currentItem()->data(kPathRole).toString() : QString();
    recent_->clear();
    const QStringList paths = documents_ ? documents_->recentDocuments() : QStringList();
    const QString missing = Latin1::text("WelcomeMissing", "missing");
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const bool there = info.isFile();
        QString name = info.fileName();
        if (!there)
            name += QStringLiteral(" (") + missing + QLatin1Char(')');
        auto* item = new QListWidgetItem(name + QLatin1Char('\n') + QDir::toNativeSeparators(info.absolutePath()));
        item->setData(kPathRole, path);
        item->setToolTip(path);
        item->setData(Qt::AccessibleTextRole, name + QStringLiteral(", ") + info.absolutePath());
        if (!there) {
            QFont italic = item->font();
            italic.setItalic(true);
            item->setFont(italic);
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
        recent_->addItem(item);
        if (path == current)
            recent_->setCurrentItem(item);
    }
    if (!recent_->currentItem() && recent_->count() > 0)
        recent_->setCurrentRow(0);
    recent_->setVisible(!paths.isEmpty());
    noRecent_->setVisible(paths.isEmpty());
}

void StartWindow::openRecent(QListWidgetItem* item)
{
    if (!item || !documents_)
        return;
    const QString path = item->data(kPathRole).toString();
    if (!documents_->openRecentDocument(path, this) && !QFileInfo(path).isFile())
        showRecentDocuments();
}

void StartWindow::showDatabase(const DatabaseSummary& database)
{
    status_->setVisible(!database.loaded);
    product_->setText(shown(database.product));
    version_->setText(shown(database.version));
    date_->setText(shown(database.date));
    operators_->setText(QString::number(qulonglong(database.operatorCount)));
    path_->setText(database.path.empty() ? Latin1::text("StartUnknown", "unknown")
                                         : QFile::decodeName(database.path.c_str()));
    pathInUse_ = database.path;
    showNextDatabase();
}

void StartWindow::showNextDatabase()
{
    const std::string next = PreferenceController::shared().sigDbaseLocation();
    const bool other = !next.empty() && next != pathInUse_;
    nextPath_->setText(other ? QFile::decodeName(next.c_str()) : QString());
    form_->setRowVisible(nextPath_, other);
}

} // namespace tosk
