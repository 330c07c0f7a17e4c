// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>
#include <string_view>

namespace tosk {

class HelpWindow;
class Module;
class SigDbase;

// Opens the operator reference (HelpBook) in the help window: the index, a
// page, or an anchor. Every lookup first finds the book of the database in
// use ("registers" it), making the book in the cache when that database is
// not the bundled one. Nothing is shown to the user when a page cannot be
// found; the failure is logged as
//   IXHelpManager <operation>: File not found.  ("<page>")
// with -43 (no book, no such page), -50 (a page name that is refused) or
// another code (the book could not be written).
class MiscHelpManager : public QObject {
    Q_OBJECT

public:
    static constexpr int kFileNotFound = -43;
    static constexpr int kInvalidParameter = -50;
    static constexpr int kWriteFailed = -36;

    explicit MiscHelpManager(QObject* parent = nullptr);
    ~MiscHelpManager() override;

    // The one the menus, the inspector and the add-module panel use; made
    // on first use and gone with the application.
    static MiscHelpManager& sharedHelpManager();

    // The database whose book is shown; the shared database when none is set.
    void setSigDbase(std::shared_ptr<SigDbase> db) { sigDbase_ = std::move(db); }
    // A book folder to use whatever the database (empty: the database's).
    void setBookDirectory(const std::string& dir) { bookDirectory_ = dir; }

    // The help book's index; the user's help centre is the same page until
    // a user guide exists.
    void goToUserHelpCenter();
    void goToTableOfContents();
    // A page of the book ("modules/idh_LOWPASS.htm"), found without regard
    // to case.
    void goToPage(const std::string& page);
    // The first page of the book (index, classes, operators) that has the
    // anchor.
    void goToAnchorNamed(const std::string& anchor);
    void goToAnchorNamed(const std::string& anchor, const std::string& page);

    // The page of an operator (the "help" button of the inspector and of
    // the add-module panel on an operator), of a class of operators (the
    // add-module panel on a class), of a module's operator.
    void showOperatorHelp(std::string_view operatorName);
    void showClassHelp(std::string_view className);
    void showModuleHelp(const Module& module);

    // The window pages are shown in; null until the first page was shown.
    HelpWindow* helpWindow() const;

    // The book of the database in use ("" when there is none; logged).
    std::string registerBook();

private:
    void reportError(int code, const char* operation, const std::string& data);
    // The book's folder, or "" after logging why not.
    std::string bookFor(const char* operation, const std::string& data);
    void openIndex(const char* operation);
    void show(const std::string& book, const std::string& file, const std::string& anchor);

    std::shared_ptr<SigDbase> sigDbase_;
    std::string bookDirectory_;
    QPointer<HelpWindow> window_;
};

} // namespace tosk
