#include "Toskfile/SigDocument.h"

#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"
#include "base/AtomicFile.h"
#include "base/NotificationCenter.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <filesystem>

namespace tosk {

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
    } else {
        displayName_ = "untitled";
        sigData_ = sigFile_->dataRepresentation();
    }
}

std::shared_ptr<SigDbase> SigDocument::sigDbase() const
{
    return sigDbase_ ? sigDbase_ : SigDbase::sharedSigDbase();
}

bool SigDocument::loadDataRepresentation(const std::string& bytes, const std::string& type)
{
    if (type != documentType)
        return false;
    displayName_ = fileName_.empty() ? std::string("UNKNOWN") : std::filesystem::path(fileName_).stem().string();
    sigData_ = bytes;
    undoManager_.disableUndoRegistration();
    setSigFile(SigFile::fileWithData(bytes, fileName_.empty() ? std::nullopt : std::optional<std::string>(fileName_),
                                     sigDbase(), this));
    undoManager_.enableUndoRegistration();
    undoManager_.removeAllActions();
    updateChangeCount(ChangeCleared);
    return true;
}

bool SigDocument::readFromFile(const std::string& path, std::string* reason)
{
    std::string bytes;
    if (!readWholeFile(path, bytes, reason))
        return false;
    const std::string previous = fileName_;
    fileName_ = path;
    if (!loadDataRepresentation(bytes, documentType)) {
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
    writeFileAtomically(path, sigData(), true);
    setFileName(path);
    updateChangeCount(ChangeCleared);
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

void SigDocument::invalidateModule(const Module& module)
{
    auto handlers = invalidators_; // a handler may remove itself
    for (const auto& h : handlers)
        h.second(module);
}

void SigDocument::addInvalidationHandler(const void* owner, std::function<void(const Module&)> handler)
{
    invalidators_.emplace_back(owner, std::move(handler));
}

void SigDocument::removeInvalidationHandlers(const void* owner)
{
    std::erase_if(invalidators_, [owner](const auto& h) { return h.first == owner; });
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

    for (const auto* list : {&change.modules, &change.removed, &change.added})
        for (const auto& m : *list)
            invalidateModule(*m);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const bool fieldsChanged = change.touches(PatchChange::Wiring) || change.touches(PatchChange::Values) ||
                               change.touches(PatchChange::FieldLists);
    for (const auto& m : change.modules) {
        if (change.touches(PatchChange::Geometry))
            center.post(Module::DidMoveNotification, m.get());
        if (fieldsChanged)
            center.post(Module::DidChangeNotification, m.get(), {{"sender", change.sender}});
    }
    center.post(HasChangedNotification, this);
}

} // namespace tosk
