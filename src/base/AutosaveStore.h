// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// The folder where the texts of patches with unsaved changes are kept while
// they are edited, so that a crash loses at most the last few seconds of
// work. Each open document has one entry: its text ("ID.sig") and beside it
// what it was ("ID.json": the file it came from and when the text was
// taken). An entry's id starts with the session of the program that wrote
// it, so that a later start can tell the entries of a program that is gone
// from those of one still running.
class AutosaveStore {
public:
    struct Entry {
        std::string id;
        // The file the patch was read from or saved to last; "" for a patch
        // never saved.
        std::string originalPath;
        // When the text was taken, in seconds since 1970 (UTC).
        int64_t savedAt = 0;

        std::string session() const { return sessionOf(id); }
    };

    // $XDG_STATE_HOME/tosk/autosave, else ~/.local/state/tosk/autosave; ""
    // when neither variable holds an absolute path.
    static std::string defaultDirectory();
    // A name no other run of the program takes: the start time and random
    // digits ("20250107T093011-5f3a9c2e").
    static std::string newSessionId();
    // Seconds since 1970 (UTC), as entries keep their time.
    static int64_t currentTime();
    // The session an entry belongs to: its id up to the last "-".
    static std::string sessionOf(const std::string& id);
    // "SESSION-N".
    static std::string entryId(const std::string& session, int number);

    explicit AutosaveStore(std::string directory);
    const std::string& directory() const { return directory_; }

    std::string textPath(const std::string& id) const;
    std::string infoPath(const std::string& id) const;
    // The lock file a running session holds.
    std::string lockPath(const std::string& session) const;

    // Makes the folder when it is missing, and makes it the user's alone
    // (0700) when others may enter it. Throws TkxException when it cannot
    // be made or closed to others.
    void makeDirectory() const;
    // Writes the text, then what it is, each atomically and readable by
    // the user alone (0600): an entry on disk is always a whole text. Throws TkxException (nothing of the entry as
    // it was is lost then).
    void write(const Entry& entry, std::string_view text) const;
    // Removes an entry; false with the reason when a file of it stays.
    bool remove(const std::string& id, std::string* reason = nullptr) const;
    // Gives an entry another id (both files are renamed).
    bool rename(const std::string& from, const std::string& to, std::string* reason = nullptr) const;
    bool readText(const std::string& id, std::string& text, std::string* reason = nullptr) const;

    // Every entry in the folder, oldest first. An entry whose info is
    // missing or unreadable is still listed (a text without its info is
    // what a crash between the two writes leaves): it has no original path
    // and the time of its text file.
    std::vector<Entry> entries() const;
    // The entries left by runs of the program that have ended: neither of
    // `ownSession` nor of a session `isRunning` says is still alive (asked
    // once per session).
    std::vector<Entry> leftOvers(const std::string& ownSession,
                                 const std::function<bool(const std::string& session)>& isRunning) const;
    // Sessions that hold a lock file in the folder.
    std::vector<std::string> lockedSessions() const;

private:
    std::string directory_;
};

} // namespace tosk
