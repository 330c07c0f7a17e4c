// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchChange.h"
#include "Toskfile/UndoManager.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tosk {

class Module;
class SigDbase;
class SigFile;

// A patch document without its window: names, change count, undo stack and
// the patch it owns. Every edit of the patch is made by a PatchEditor on
// this document, which announces it here (patchDidChange); views listen
// with addChangeListener, and the older invalidation handlers and
// notifications are fed from the same announcement.
class SigDocument {
public:
    static constexpr const char* documentType = "TOSKXdocumentType";
    // Posted once per announced change, with the document as object.

    // How a change reaches the change count.
    enum ChangeType { ChangeDone = 0, ChangeUndone = 1, ChangeCleared = 2, ChangeRedone = 5 };

    // An untitled document without a patch (see initWithData).
    SigDocument();
    ~SigDocument();

    // A document on the bytes of a sig file, or on a new patch without
    // bytes, built with the shared database. The display name is the one
    // given, else the patch's file name ("untitled" for a new patch).
    static std::unique_ptr<SigDocument> documentWithData(const std::optional<std::string>& bytes,
                                                         const std::optional<std::string>& patchName,
                                                         const std::optional<std::string>& fileName);
    // The same with a database of the caller's (none: the shared one).
    void initWithData(const std::optional<std::string>& bytes, const std::optional<std::string>& patchName,
                      const std::optional<std::string>& fileName, std::shared_ptr<SigDbase> dbase = nullptr);

    // The database patches of this document are built with; the shared one
    // unless set.
    std::shared_ptr<SigDbase> sigDbase() const;
    void setSigDbase(std::shared_ptr<SigDbase> dbase) { sigDbase_ = std::move(dbase); }

    // Builds the patch from a file's bytes; only documentType is accepted,
    // and only while an operator database is loaded (false otherwise, with
    // the document as it was). The display name becomes the file name's
    // stem ("UNKNOWN" without a file name); loadStatus() tells how much of
    // the bytes made it into the patch. Loading never touches the file.
    bool loadDataRepresentation(std::string bytes, const std::string& type);
    // Reads the file and loads it; false (with the reason) when it cannot
    // be read or no database is loaded, leaving the document as it was.
    bool readFromFile(const std::string& path, std::string* reason = nullptr);
    // Why no patch can be read now: no operator database is loaded (naming
    // the file that failed). Empty when one is.
    std::string databaseProblem() const;

    // How faithfully the patch was read: wholly; wholly but with references
    // that name nothing (kept in the file); or with data left out, which the
    // patch's readProblems() list. Saving over the file would lose that data.
    enum class LoadStatus { Faithful, UnresolvedReferences, Degraded };
    LoadStatus loadStatus() const { return loadStatus_; }
    // The document's text is now its file's: nothing read is left out any
    // more (unresolved references stay in the file, and so in the status).
    void noteSaved();
    // Takes over the backups the document before it in the same window made
    // (a Revert reads the file into a new document): still one per file.
    void continueSessionOf(const SigDocument& previous) { backedUp_ = previous.backedUp_; }
    // The patch's file text for documentType, none for any other type.
    std::optional<std::string> dataRepresentationOfType(const std::string& type) const;
    // Saves the file text atomically; then the document has that file name
    // and no changes. The first save to a path keeps the file it replaces as
    // its ".bak"; later saves of this document leave that backup alone, so
    // that it stays the file as it was before this session. Throws
    // TkxException when the file cannot be written (nothing changes then).
    void writeToFile(const std::string& path);

    // The patch's file text and its text for a unit.
    std::string sigData() const;
    std::string sigDataForUpload() const;
    // The bytes the document was opened from (a new patch's first text).
    const std::string& originalData() const { return sigData_; }
    SigDocument(const SigDocument&) = delete;
    SigDocument& operator=(const SigDocument&) = delete;

    const std::string& displayName() const { return displayName_; }
    void setDisplayName(const std::string& name) { displayName_ = name; }
    const std::string& fileName() const { return fileName_; }
    // The display name follows the file's name without folder and extension.
    void setFileName(const std::string& path);
    // The name the first Save offers for a patch that has no file yet (one
    // from a unit: "Small Room.sig"); empty: the display name's.
    const std::string& suggestedFileName() const { return suggestedFileName_; }
    void setSuggestedFileName(const std::string& name) { suggestedFileName_ = name; }
    // The file an untitled patch recovered from an autosave was read from
    // or saved to last ("" otherwise): where Save As offers to put it.
    const std::string& recoveredFrom() const { return recoveredFrom_; }
    void setRecoveredFrom(const std::string& path) { recoveredFrom_ = path; }

    // Whether the patch differs from the one last saved or read, which the
    // window shows with "*". It follows the undo stack alone: the document
    // remembers the stack's state at saving and is edited whenever the stack
    // stands elsewhere (so edit, save, undo is edited, and edit, undo is
    // not), or when a change was made that undo cannot take back.
    bool isDocumentEdited() const;
    // Cleared: the patch was saved or read again (the stack's state becomes
    // the saved one, the unrecoverable mark goes). Done from outside the
    // stack: a change undo cannot take back. Undone and Redone come from the
    // stack itself and only move changeCount().
    void updateChangeCount(ChangeType change);
    // A change the undo stack does not hold (made while undo registration
    // was off): the document stays edited until saved or reverted.
    void markUnrecoverableChange();
    bool hasUnrecoverableChange() const { return unrecoverable_; }
    // Steps done and redone minus steps undone since the last save.
    int changeCount() const { return changeCount_; }

    // The undo stack; completed and replayed steps move the change count.
    UndoManager& undoManager() { return undoManager_; }

    SigFile* sigFile() const { return sigFile_.get(); }
    // Takes the patch and makes its modules belong to this document.
    void setSigFile(std::unique_ptr<SigFile> sigFile);

    // --- changes of the patch
    using ChangeListener = std::function<void(const PatchChange&)>;
    // Listeners hear every change in the order they were added; a listener
    // may add or remove listeners while it is called.
    void addChangeListener(const void* owner, ChangeListener listener);
    void removeChangeListeners(const void* owner);
    // Called by the edit layer once per operation, undo or redo: tells the
    // listeners. It is the one way a view hears of a change of the patch.
    void patchDidChange(const PatchChange& change);

private:
    void releaseModules();
    void stackChanged(UndoManager::Change change);

    std::string displayName_ = "untitled";
    std::string sigData_;
    std::shared_ptr<SigDbase> sigDbase_;
    std::string fileName_;
    std::string suggestedFileName_;
    std::string recoveredFrom_;
    int changeCount_ = 0;
    LoadStatus loadStatus_ = LoadStatus::Faithful;
    // The files this document has saved over, whose backups are made.
    std::set<std::string> backedUp_;
    UndoManager undoManager_;
    // The stack's state when the patch was last saved or read.
    uint64_t savedState_ = 0;
    bool unrecoverable_ = false;
    std::unique_ptr<SigFile> sigFile_;
    std::vector<std::pair<const void*, ChangeListener>> listeners_;
};

} // namespace tosk
