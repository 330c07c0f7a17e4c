// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/HelpWindow.h"

#include "canvas/CloseKeys.h"
#include "database/HelpBook.h"

#include <QAction>
#include <QDir>
#include <QKeySequence>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

namespace tosk {

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent), browser_(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("helpWindow"));
    CloseKeys::install(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setAccessibleName(QStringLiteral("Help page"));
    // Links out of the book (a web address) go to the desktop's browser.
    browser_->setOpenExternalLinks(true);
    setCentralWidget(browser_);

    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setObjectName(QStringLiteral("helpNavigation"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"), browser_,
                           &QTextBrowser::backward);
    back_->setShortcut(QKeySequence::Back);
    back_->setEnabled(false);
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"), browser_,
                              &QTextBrowser::forward);
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setEnabled(false);
    index_ = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Index"), this,
                            &HelpWindow::showIndex);
    // The toolbar's buttons take no focus; their keys reach them.
    index_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    back_->setToolTip(QStringLiteral("Back (%1)").arg(back_->shortcut().toString(QKeySequence::NativeText)));
    forward_->setToolTip(QStringLiteral("Forward (%1)").arg(forward_->shortcut().toString(QKeySequence::NativeText)));
    index_->setToolTip(QStringLiteral("Index (%1)").arg(index_->shortcut().toString(QKeySequence::NativeText)));
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::updateTitle);

    updateTitle();
    resize(760, 560);
}

void HelpWindow::showPage(const QString& file, const QString& anchor)
{
    QUrl url = QUrl::fromLocalFile(file);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    // The operator reference is HTML; the user guide is Markdown.
    const bool markdown = file.endsWith(QLatin1String(".md"), Qt::CaseInsensitive);
    browser_->setSource(url, markdown ? QTextDocument::MarkdownResource : QTextDocument::HtmlResource);
}

void HelpWindow::showIndex()
{
    if (!bookDirectory_.isEmpty())
        showPage(QDir(bookDirectory_).filePath(QString::fromLatin1(HelpBook::indexPage)));
}

void HelpWindow::updateTitle()
{
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Tosk Help") : QStringLiteral("Tosk Help \u2014 %1").arg(title));
}

} // namespace tosk
