#include "Toskfile/SigDocument.h"

#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"

#include <algorithm>
#include <filesystem>

namespace tosk {

SigDocument::SigDocument()
{
    undoManager_.setChangeObserver([this](UndoManager::Change change) {
        switch (change) {
        case UndoManager::Change::Done:
            updateChangeCount(ChangeDone);
            break;
        case UndoManager::Change::Undone:
            updateChangeCount(ChangeUndone);
            break;
        case UndoManager::Change::Redone:
            updateChangeCount(ChangeRedone);
            break;
        }
    });
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
    for (const auto& m : sigFile_->listOfModules())
        if (m->sigDocument() == this)
            m->setDocument(nullptr, nullptr);
}

void SigDocument::setFileName(const std::string& path)
{
    std::string stem = std::filesystem::path(path).stem().string();
    if (!stem.empty() && stem != displayName_)
        displayName_ = stem;
    fileName_ = path;
}

void SigDocument::updateChangeCount(ChangeType change)
{
    switch (change) {
    case ChangeDone:
    case ChangeRedone:
        ++changeCount_;
        break;
    case ChangeUndone:
        --changeCount_;
        break;
    case ChangeCleared:
        changeCount_ = 0;
        break;
    }
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

} // namespace tosk
