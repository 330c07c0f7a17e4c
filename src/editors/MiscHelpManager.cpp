// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/MiscHelpManager.h"

#include "Toskfile/Module.h"
#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/HelpBook.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"
#include "editors/HelpWindow.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

QPointer<MiscHelpManager>& sharedInstance()
{
    static QPointer<MiscHelpManager> manager;
    return manager;
}

// Log lines are UTF-8; names and pages may carry Latin-1 bytes from the
// database.
std::string logText(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        }
    }
    return out;
}

QString localPath(const std::string& path)
{
    return QString::fromStdString(path);
}

} // namespace

MiscHelpManager::MiscHelpManager(QObject* parent) : QObject(parent) {}

MiscHelpManager::~MiscHelpManager()
{
    delete window_;
}

MiscHelpManager& MiscHelpManager::sharedHelpManager()
{
    QPointer<MiscHelpManager>& manager = sharedInstance();
    if (!manager) {
        manager = new MiscHelpManager;
        // Gone while the application still stands, with its window.
        qAddPostRoutine([] { delete sharedInstance().data(); });
        manager->registerBook();
    }
    return *manager;
}

void MiscHelpManager::reportError(int code, const char* operation, const std::string& data)
{
    if (code == 0)
        return;
    const std::string text = logText(data);
    if (code == kFileNotFound)
        logf("IXHelpManager %s: File not found.  (\"%s\")", operation, text.c_str());
    else if (code == kInvalidParameter)
        logf("IXHelpManager %s: Invalid parameter.  (\"%s\")", operation, text.c_str());
    else
        logf("IXHelpManager %s: Unknown error %d.  (\"%s\")", operation, code, text.c_str());
}

std::string MiscHelpManager::registerBook()
{
    if (!bookDirectory_.empty()) {
        std::error_code ec;
        if (fs::is_directory(bookDirectory_, ec))
            return bookDirectory_;
        reportError(kFileNotFound, "registerBook", "");
        return {};
    }
    std::shared_ptr<SigDbase> db = sigDbase_ ? sigDbase_ : SigDbase::sharedSigDbase();
    if (!db || !db->sigDbaseCreated()) {
        reportError(kFileNotFound, "registerBook", "");
        return {};
    }
    try {
        return HelpBook::directoryFor(*db);
    } catch (const TkxException& e) {
        logf("MiscHelpManager.registerBook: exception %s - %s", e.name().c_str(), e.reason().c_str());
        reportError(kWriteFailed, "registerBook", "");
        return {};
    }
}

std::string MiscHelpManager::bookFor(const char* operation, const std::string& data)
{
    std::string dir = registerBook();
    if (dir.empty())
        reportError(kFileNotFound, operation, data);
    return dir;
}

void MiscHelpManager::show(const std::string& book, const std::string& file, const std::string& anchor)
{
    if (!window_)
        window_ = new HelpWindow;
    window_->setBookDirectory(localPath(book));
    window_->showPage(localPath(file), QString::fromLatin1(anchor.data(), qsizetype(anchor.size())));
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void MiscHelpManager::openIndex(const char* operation)
{
    const std::string dir = bookFor(operation, "");
    if (dir.empty())
        return;
    const std::string file = HelpBook::findPage(dir, HelpBook::indexPage);
    if (file.empty())
        return reportError(kFileNotFound, operation, "");
    show(dir, file, {});
}

void MiscHelpManager::goToUserHelpCenter()
{
    // The guide when it came with the program, else the reference's index.
    const std::string guide = HelpBook::userGuideIndex();
    if (guide.empty())
        return openIndex("goToUserHelpCenter");
    const std::string dir = bookFor("goToUserHelpCenter", "");
    show(dir.empty() ? HelpBook::bundledDirectory() : dir, guide, {});
}

void MiscHelpManager::goToTableOfContents()
{
    openIndex("goToTableOfContents");
}

void MiscHelpManager::goToPage(const std::string& page)
{
    if (!HelpBook::isSafePagePath(page))
        return reportError(kInvalidParameter, "goToPage: ", page);
    const std::string dir = bookFor("goToPage: ", page);
    if (dir.empty())
        return;
    const std::string file = HelpBook::findPage(dir, page);
    if (file.empty())
        return reportError(kFileNotFound, "goToPage: ", page);
    show(dir, file, {});
}

void MiscHelpManager::goToAnchorNamed(const std::string& anchor)
{
    if (anchor.empty() || anchor.find('"') != std::string::npos)
        return reportError(kInvalidParameter, "goToAnchorNamed: ", anchor);
    const std::string dir = bookFor("goToAnchorNamed: ", anchor);
    if (dir.empty())
        return;
    // The index first, then the pages of the modules folder in name order.
    std::vector<std::string> files{HelpBook::findPage(dir, HelpBook::indexPage)};
    std::vector<std::string> modules;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(dir) / "modules", ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".htm")
            modules.push_back(it->path().string());
    std::sort(modules.begin(), modules.end());
    files.insert(files.end(), modules.begin(), modules.end());
    const std::string marks[] = {"id=\"" + anchor + "\"", "name=\"" + anchor + "\""};
    for (const std::string& file : files) {
        std::string bytes;
        if (file.empty() || !readWholeFile(file, bytes))
            continue;
        if (bytes.find(marks[0]) != std::string::npos || bytes.find(marks[1]) != std::string::npos)
            return show(dir, file, anchor);
    }
    reportError(kFileNotFound, "goToAnchorNamed: ", anchor);
}

void MiscHelpManager::goToAnchorNamed(const std::string& anchor, const std::string& page)
{
    const std::string data = page + ": " + anchor;
    if (!HelpBook::isSafePagePath(page))
        return reportError(kInvalidParameter, "goToAnchorNamed: onPage: ", data);
    const std::string dir = bookFor("goToAnchorNamed: onPage: ", data);
    if (dir.empty())
        return;
    const std::string file = HelpBook::findPage(dir, page);
    if (file.empty())
        return reportError(kFileNotFound, "goToAnchorNamed: onPage: ", data);
    show(dir, file, anchor);
}

void MiscHelpManager::showOperatorHelp(std::string_view operatorName)
{
    if (auto page = HelpBook::operatorPage(operatorName))
        return goToPage(*page);
    reportError(kInvalidParameter, "goToPage: ", "modules/idh_" + std::string(operatorName) + ".htm");
}

void MiscHelpManager::showClassHelp(std::string_view className)
{
    if (auto page = HelpBook::classPage(className))
        return goToPage(*page);
    reportError(kInvalidParameter, "goToPage: ", "modules/idh_" + std::string(className) + "_modules.htm");
}

void MiscHelpManager::showModuleHelp(const Module& module)
{
    if (!module.opDescriptor())
        return reportError(kInvalidParameter, "goToPage: ", "");
    showOperatorHelp(module.opDescriptor()->name());
}

HelpWindow* MiscHelpManager::helpWindow() const
{
    return window_.data();
}

} // namespace tosk
