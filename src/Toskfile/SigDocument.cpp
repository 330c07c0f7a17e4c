// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/SigDocument.h"

#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"
#include "base/AtomicFile.h"
#include "base/NotificationCenter.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <filesystem>

namespace tosk {

namespace {

SigDocument::LoadStatus statusOf(const SigFile& patch)
{
    if (!patch.readProblems().empty())
        return SigDocument::LoadStatus::Degraded;
    return patch.unresolvedCount() > 0 ? SigDocument::LoadStatus::UnresolvedReferences
                                       : SigDocument::LoadStatus::Faithful;
}

} // namespace

SigDocument::SigDocument()
{
    undoManager_.setChangeObserver([this](UndoManager::Change change) { stackChanged(change); });
    savedState_ = undoManager_.stateId();
}

void SigDocument::stackChanged(UndoManager::Change change)
{
    switch (change) {
    case UndoManager::Change::Done:
    case UndoManager::Change::Redone:
        ++changeCount_;
        break;
    case UndoManager::Change::Undone:
        --changeCount_;
        break;
    }
}

SigDocument::~SigDocument()
{
    releaseModules();
}

void SigDocument::releaseModules()
{
    // Modules may outlive the document (held by a copy or the clipboard):
    // they must not point at it afterwards.
    if (!sigFile_)
        return;
    undoManager_.removeAllActions(sigFile_.get());
    sigFile_->setSigDocument(nullptr);
    for (const auto& m : sigFile_->listOfModules())
        if (m->sigDocument() == this)
            m->setDocument(nullptr, nullptr);
    if (const auto& tail = sigFile_->tail())
        tail->setDocument(nullptr, nullptr);
}

std::unique_ptr<SigDocument> SigDocument::documentWithData(const std::optional<std::string>& bytes,
                                                           const std::optional<std::string>& patchName,
                                                           const std::optional<std::string>& fileName)
{
    auto document = std::make_unique<SigDocument>();
    document->initWithData(bytes, patchName, fileName);
    return document;
}

void SigDocument::initWithData(const std::optional<std::string>& bytes, const std::optional<std::string>& patchName,
                               const std::optional<std::string>& fileName, std::shared_ptr<SigDbase> dbase)
{
    if (dbase)
        sigDbase_ = std::move(dbase);
    undoManager_.disableUndoRegistration();
    setSigFile(SigFile::fileWithData(bytes, fileName, sigDbase(), this));
    undoManager_.enableUndoRegistration();
    if (bytes) {
        sigData_ = *bytes;
        displayName_ = patchName ? *patchName : sigFile_->sigFileName();
        loadStatus_ = statusOf(*sigFile_);
    } else {
        displayName_ = "untitled";
        sigData_ = sigFile_->dataRepresentation();
    }
}

std::shared_ptr<SigDbase> SigDocument::sigDbase() const
{
    return sigDbase_ ? sigDbase_ : SigDbase::sharedSigDbase();
}

std::string SigDocument::databaseProblem() const
{
    const std::shared_ptr<SigDbase> db = sigDbase();
    if (db && db->sigDbaseCreated())
        return std::string();
    const std::string path = db ? db->fullPathName() : std::string();
    return path.empty() ? std::string("no operator database is loaded")
                        : "no operator database is loaded (\"" + path + "\" did not load)";
}

bool SigDocument::loadDataRepresentation(std::string bytes, const std::string& type)
{
    // Without a database every record reads as an unknown operator: the
    // patch would be empty, and the first save would empty the file.
    if (type != documentType || !databaseProblem().empty())
        return false;
    displayName_ = fileName_.empty() ? std::string("UNKNOWN") : std::filesystem::path(fileName_).stem().string();
    // Kept as read, and read from where it is kept: a large patch's text is
    // not copied.
    sigData_ = std::move(bytes);
    undoManager_.disableUndoRegistration();
    setSigFile(SigFile::fileWithData(sigData_, fileName_.empty() ? std::nullopt : std::optional<std::string>(fileName_),
                                     sigDbase(), this));
    undoManager_.enableUndoRegistration();
    undoManager_.removeAllActions();
    updateChangeCount(ChangeCleared);
    loadStatus_ = statusOf(*sigFile_);
    return true;
}

bool SigDocument::readFromFile(const std::string& path, std::string* reason)
{
    if (std::string problem = databaseProblem(); !problem.empty()) {
        if (reason)
            *reason = problem;
        return false;
    }
    std::string bytes;
    if (!readWholeFile(path, bytes, reason))
        return false;
    const std::string previous = fileName_;
    fileName_ = path;
    if (!loadDataRepresentation(std::move(bytes), documentType)) {
        fileName_ = previous;
        return false;
    }
    return true;
}

std::optional<std::string> SigDocument::dataRepresentationOfType(const std::string& type) const
{
    if (type != documentType || !sigFile_)
        return std::nullopt;
    return sigFile_->dataRepresentation();
}

void SigDocument::writeToFile(const std::string& path)
{
    // Two saves in a row must not make the first save's text the backup: the
    // backup is the file as it was before the first.
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(path, ec).string();
    if (ec)
        key = path;
    writeFileAtomically(path, sigData(), !backedUp_.contains(key));
    backedUp_.insert(key);
    setFileName(path);
    updateChangeCount(ChangeCleared);
    noteSaved();
}

void SigDocument::noteSaved()
{
    if (loadStatus_ == LoadStatus::Degraded)
        loadStatus_ =
            sigFile_ && sigFile_->unresolvedCount() > 0 ? LoadStatus::UnresolvedReferences : LoadStatus::Faithful;
}

std::string SigDocument::sigData() const
{
    return sigFile_ ? sigFile_->dataRepresentation() : std::string();
}

std::string SigDocument::sigDataForUpload() const
{
    return sigFile_ ? sigFile_->uploadRepresentation() : std::string();
}

void SigDocument::setFileName(const std::string& path)
{
    std::string stem = std::filesystem::path(path).stem().string();
    if (!stem.empty() && stem != displayName_)
        displayName_ = stem;
    fileName_ = path;
}

bool SigDocument::isDocumentEdited() const
{
    return unrecoverable_ || undoManager_.stateId() != savedState_;
}

void SigDocument::updateChangeCount(ChangeType change)
{
    switch (change) {
    case ChangeDone:
        markUnrecoverableChange();
        break;
    case ChangeRedone:
        ++changeCount_;
        break;
    case ChangeUndone:
        --changeCount_;
        break;
    case ChangeCleared:
        changeCount_ = 0;
        unrecoverable_ = false;
        savedState_ = undoManager_.stateId();
        break;
    }
}

void SigDocument::markUnrecoverableChange()
{
    ++changeCount_;
    unrecoverable_ = true;
}

void SigDocument::setSigFile(std::unique_ptr<SigFile> sigFile)
{
    releaseModules();
    sigFile_ = std::move(sigFile);
    if (!sigFile_)
        return;
    sigFile_->setSigDocument(this);
    for (const auto& m : sigFile_->listOfModules())
        m->setDocument(this, sigFile_.get());
    if (const auto& tail = sigFile_->tail())
        tail->setDocument(this, sigFile_.get());
}

void SigDocument::addChangeListener(const void* owner, ChangeListener listener)
{
    listeners_.emplace_back(owner, std::move(listener));
}

void SigDocument::removeChangeListeners(const void* owner)
{
    std::erase_if(listeners_, [owner](const auto& l) { return l.first == owner; });
}

void SigDocument::patchDidChange(const PatchChange& change)
{
    auto listeners = listeners_; // a listener may remove itself
    for (const auto& l : listeners)
        l.second(change);
}

} // namespace tosk
