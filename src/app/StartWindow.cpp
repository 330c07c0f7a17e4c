#include "app/StartWindow.h"

#include "app/ApplicationMenu.h"
#include "app/MainMenuDelegate.h"
#include "base/PreferenceController.h"
#include "canvas/Latin1.h"

#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

namespace tosk {

namespace {

QString shown(const std::optional<std::string>& s)
{
    return s ? Latin1::qstring(*s) : Latin1::text("StartUnknown", "unknown");
}

} // namespace

StartWindow::StartWindow(MainMenuDelegate& delegate, const DatabaseSummary& database, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("startWindow"));
    setWindowTitle(QStringLiteral("Tosk"));
    ApplicationMenu::build(menuBar(), delegate);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    auto* title = new QLabel(QStringLiteral("Tosk"), central);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    title->setFont(big);
    column->addWidget(title);

    status_ = new QLabel(Latin1::text("StartNoDatabase", "No operator database is loaded."), central);
    status_->setObjectName(QStringLiteral("databaseStatus"));
    column->addWidget(status_);

    form_ = new QFormLayout();
    column->addLayout(form_);
    product_ = addRow("StartProduct", "Product", "productValue");
    version_ = addRow("StartVersion", "Version", "versionValue");
    date_ = addRow("StartDate", "Date", "dateValue");
    operators_ = addRow("StartOperators", "Operators", "operatorCountValue");
    path_ = addRow("StartDatabase", "Database", "pathValue");
    path_->setWordWrap(true);
    nextPath_ = addRow("StartNextDatabase", "Next start", "nextPathValue");
    nextPath_->setWordWrap(true);
    column->addStretch(1);
    setCentralWidget(central);
    resize(520, 260);

    showDatabase(database);
    connect(&delegate, &MainMenuDelegate::sigDbaseLocationChanged, this, &StartWindow::showNextDatabase);
}

QLabel* StartWindow::addRow(const char* key, const char* fallback, const char* name)
{
    auto* value = new QLabel(this);
    value->setObjectName(QString::fromLatin1(name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form_->addRow(Latin1::text(key, fallback) + QLatin1Char(':'), value);
    return value;
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
