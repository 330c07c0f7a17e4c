// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QString>

class QAction;
class QTextBrowser;

namespace tosk {

// The window that shows the pages of the operator reference: a browser
// with Back, Forward and Index.
class HelpWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The book's folder, whose index the Index button opens.
    void setBookDirectory(const QString& dir) { bookDirectory_ = dir; }
    const QString& bookDirectory() const { return bookDirectory_; }

    // Shows the page of that file, scrolled to the anchor when one is given.
    void showPage(const QString& file, const QString& anchor = QString());
    void showIndex();

    QTextBrowser* browser() const { return browser_; }
    QAction* backAction() const { return back_; }
    QAction* forwardAction() const { return forward_; }
    QAction* indexAction() const { return index_; }

private:
    void updateTitle();

    QTextBrowser* browser_;
    QAction* back_;
    QAction* forward_;
    QAction* index_;
    QString bookDirectory_;
};

} // namespace tosk
