#pragma once

#include "Toskfile/UndoManager.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tosk {

class Module;
class SigFile;

// A patch document without its window: names, change count, undo stack and
// the patch it owns. The window layer attaches views through the
// invalidation handlers.
class SigDocument {
public:
    static constexpr const char* documentType = "TOSKXdocumentType";

    // How a change reaches the change count.
    enum ChangeType { ChangeDone = 0, ChangeUndone = 1, ChangeCleared = 2, ChangeRedone = 5 };

    SigDocument();
    ~SigDocument();
    SigDocument(const SigDocument&) = delete;
    SigDocument& operator=(const SigDocument&) = delete;

    const std::string& displayName() const { return displayName_; }
    void setDisplayName(const std::string& name) { displayName_ = name; }
    const std::string& fileName() const { return fileName_; }
    // The display name follows the file's name without folder and extension.
    void setFileName(const std::string& path);

    // Done and Redone count up, Undone counts down, Cleared (saved) resets.
    void updateChangeCount(ChangeType change);
    int changeCount() const { return changeCount_; }
    bool isDocumentEdited() const { return changeCount_ != 0; }

    // The undo stack; completed and replayed steps move the change count.
    UndoManager& undoManager() { return undoManager_; }

    SigFile* sigFile() const { return sigFile_.get(); }
    // Takes the patch and makes its modules belong to this document.
    void setSigFile(std::unique_ptr<SigFile> sigFile);

    // Every view of the document redraws the module.
    void invalidateModule(const Module& module);
    void addInvalidationHandler(const void* owner, std::function<void(const Module&)> handler);
    void removeInvalidationHandlers(const void* owner);

private:
    void releaseModules();

    std::string displayName_ = "untitled";
    std::string fileName_;
    int changeCount_ = 0;
    UndoManager undoManager_;
    std::unique_ptr<SigFile> sigFile_;
    std::vector<std::pair<const void*, std::function<void(const Module&)>>> invalidators_;
};

} // namespace tosk
