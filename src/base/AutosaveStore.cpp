// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/AutosaveStore.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

constexpr const char* kTextExtension = ".sig";
constexpr const char* kInfoExtension = ".json";
constexpr const char* kLockExtension = ".lock";

std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value == '/' ? std::string(value) : std::string();
}

// The UTC calendar time of `seconds` since 1970, printed with `pattern`
// (year, month, day, hours, minutes, seconds).
std::string utcTime(int64_t seconds, const char* pattern)
{
    using namespace std::chrono;
    const sys_seconds t{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(t);
    const year_month_day date{day};
    const hh_mm_ss time{t - day};
    return format(pattern, int(date.year()), unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
}

int64_t fileTime(const fs::path& path)
{
    std::error_code ec;
    auto written = fs::last_write_time(path, ec);
    if (ec)
        return 0;
    auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

bool endsWith(const std::string& text, std::string_view tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string AutosaveStore::defaultDirectory()
{
    if (std::string state = absoluteVariable("XDG_STATE_HOME"); !state.empty())
        return (fs::path(state) / "tosk" / "autosave").string();
    if (std::string home = absoluteVariable("HOME"); !home.empty())
        return (fs::path(home) / ".local" / "state" / "tosk" / "autosave").string();
    return {};
}

std::string AutosaveStore::newSessionId()
{
    const std::string stamp = utcTime(currentTime(), "%04d%02u%02uT%02d%02d%02d");
    std::random_device device;
    std::mt19937_64 random((uint64_t(device()) << 32) ^ device() ^
                           uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    return format("%s-%08llx", stamp.c_str(), static_cast<unsigned long long>(random() & 0xffffffffULL));
}

int64_t AutosaveStore::currentTime()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string AutosaveStore::sessionOf(const std::string& id)
{
    const size_t dash = id.rfind('-');
    return dash == std::string::npos ? id : id.substr(0, dash);
}

std::string AutosaveStore::entryId(const std::string& session, int number)
{
    return session + "-" + std::to_string(number);
}

AutosaveStore::AutosaveStore(std::string directory) : directory_(std::move(directory)) {}

std::string AutosaveStore::textPath(const std::string& id) const
{
    return (fs::path(directory_) / (id + kTextExtension)).string();
}

std::string AutosaveStore::infoPath(const std::string& id) const
{
    return (fs::path(directory_) / (id + kInfoExtension)).string();
}

std::string AutosaveStore::lockPath(const std::string& session) const
{
    return (fs::path(directory_) / (session + kLockExtension)).string();
}

void AutosaveStore::makeDirectory() const
{
    if (directory_.empty())
        throw TkxException("AutosaveStore.makeDirectory", "no folder for autosaves (HOME is not set)");
    std::error_code ec;
    if (!fs::is_directory(directory_, ec)) {
        fs::create_directories(directory_, ec);
        if (ec)
            throw TkxException("AutosaveStore.makeDirectory",
                               format("cannot make \"%s\": %s", directory_.c_str(), ec.message().c_str()));
    }
    // The texts are the user's patches: nobody else reads them, in a folder
    // made by an older version or by hand too.
    const fs::perms perms = fs::status(directory_, ec).permissions();
    if (!ec && (perms & fs::perms::all) != fs::perms::owner_all)
        fs::permissions(directory_, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec)
        throw TkxException("AutosaveStore.makeDirectory",
                           format("cannot make \"%s\" the user's alone: %s", directory_.c_str(), ec.message().c_str()));
}

void AutosaveStore::write(const Entry& entry, std::string_view text) const
{
    makeDirectory();
    writeFileAtomically(textPath(entry.id), text, false, FileAccess::OwnerOnly);
    nlohmann::json info = {{"originalPath", entry.originalPath},
                           {"savedAt", entry.savedAt},
                           {"savedAtText", utcTime(entry.savedAt, "%04d-%02u-%02uT%02d:%02d:%02dZ")}};
    // A path that is not UTF-8 cannot go into JSON as it is; the text is
    // what matters, the path only tells where Save As starts.
    writeFileAtomically(infoPath(entry.id), info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                        false, FileAccess::OwnerOnly);
}

bool AutosaveStore::remove(const std::string& id, std::string* reason) const
{
    bool removed = true;
    for (const std::string& path : {textPath(id), infoPath(id)}) {
        std::error_code ec;
        fs::remove(path, ec);
        if (ec) {
            removed = false;
            if (reason)
                *reason = format("cannot remove \"%s\": %s", path.c_str(), ec.message().c_str());
        }
    }
    return removed;
}

bool AutosaveStore::rename(const std::string& from, const std::string& to, std::string* reason) const
{
    std::error_code ec;
    fs::rename(textPath(from), textPath(to), ec);
    if (ec) {
        if (reason)
            *reason = format("cannot rename \"%s\": %s", textPath(from).c_str(), ec.message().c_str());
        return false;
    }
    if (fs::exists(infoPath(from), ec)) {
        fs::rename(infoPath(from), infoPath(to), ec);
        if (ec) {
            // The text has moved; an entry without its info is still whole.
            if (reason)
                *reason = format("cannot rename \"%s\": %s", infoPath(from).c_str(), ec.message().c_str());
            fs::remove(infoPath(from), ec);
        }
    }
    return true;
}

bool AutosaveStore::readText(const std::string& id, std::string& text, std::string* reason) const
{
    return readWholeFile(textPath(id), text, reason);
}

std::vector<AutosaveStore::Entry> AutosaveStore::entries() const
{
    std::vector<Entry> found;
    std::error_code ec;
    if (directory_.empty() || !fs::is_directory(directory_, ec))
        return found;
    for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        // Temporary files of an atomic write start with a dot.
        if (name.empty() || name[0] == '.' || !endsWith(name, kTextExtension) || !it->is_regular_file(ec))
            continue;
        Entry entry;
        entry.id = name.substr(0, name.size() - std::string_view(kTextExtension).size());
        entry.savedAt = fileTime(path);
        std::string bytes;
        if (readWholeFile(infoPath(entry.id), bytes)) {
            nlohmann::json info = nlohmann::json::parse(bytes, nullptr, false);
            if (info.is_object()) {
                if (auto p = info.find("originalPath"); p != info.end() && p->is_string())
                    entry.originalPath = p->get<std::string>();
                if (auto t = info.find("savedAt"); t != info.end() && t->is_number_integer())
                    entry.savedAt = t->get<int64_t>();
            }
        }
        found.push_back(std::move(entry));
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.savedAt != b.savedAt ? a.savedAt < b.savedAt : a.id < b.id;
    });
    return found;
}

std::vector<AutosaveStore::Entry>
AutosaveStore::leftOvers(const std::string& ownSession,
                         const std::function<bool(const std::string& session)>& isRunning) const
{
    std::map<std::string, bool> running;
    std::vector<Entry> left;
    for (Entry& entry : entries()) {
        const std::string session = entry.session();
        if (session == ownSession)
            continue;
        auto known = running.find(session);
        if (known == running.end())
            known = running.emplace(session, isRunning && isRunning(session)).first;
        if (!known->second)
            left.push_back(std::move(entry));
    }
    return left;
}

std::vector<std::string> AutosaveStore::lockedSessions() const
{
    std::vector<std::string> sessions;
    std::error_code ec;
    if (directory_.empty() || !fs::is_directory(directory_, ec))
        return sessions;
    for (fs::directory_iterator it(directory_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.' && endsWith(name, kLockExtension))
            sessions.push_back(name.substr(0, name.size() - std::string_view(kLockExtension).size()));
    }
    std::sort(sessions.begin(), sessions.end());
    return sessions;
}

} // namespace tosk
