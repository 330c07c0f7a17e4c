// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/HelpBook.h"

#include "base/AtomicFile.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/HelpBookWriter.h"
#include "database/SigDbase.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

// Raised whenever the pages are written differently, so that books made by
// an older Tosk are made again.
constexpr const char* kBookFormat = "tosk help book 1";

std::string& bundledOverride()
{
    static std::string dir;
    return dir;
}

bool isDirectory(const fs::path& p)
{
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool hasControlByte(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    return false;
}

// FNV-1a: a stable digest of the database, the same on every machine.
class Digest {
public:
    void add(std::string_view bytes)
    {
        for (char c : bytes) {
            hash_ ^= static_cast<unsigned char>(c);
            hash_ *= 0x100000001b3ULL;
        }
        // A separator, so that "ab"+"c" and "a"+"bc" differ.
        hash_ ^= 0xff;
        hash_ *= 0x100000001b3ULL;
    }
    void add(int64_t value) { add(std::to_string(value)); }
    std::string hex() const { return format("%016llx", static_cast<unsigned long long>(hash_)); }

private:
    uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// A file URL for an absolute path: bytes outside the unreserved set and
// "/" are percent-encoded, so that spaces and quotes survive in an href.
std::string fileUrl(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace

bool HelpBook::isSafeName(std::string_view name)
{
    return !name.empty() && name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos &&
           name.find("..") == std::string_view::npos && !hasControlByte(name);
}

std::optional<std::string> HelpBook::operatorPage(std::string_view operatorName)
{
    if (!isSafeName(operatorName))
        return std::nullopt;
    return "modules/idh_" + upperCased(operatorName) + ".htm";
}

std::optional<std::string> HelpBook::classPage(std::string_view className)
{
    if (!isSafeName(className))
        return std::nullopt;
    return "modules/idh_" + lowerCased(className) + "_modules.htm";
}

bool HelpBook::isSafePagePath(std::string_view page)
{
    if (page.empty() || page.front() == '/' || page.find('\\') != std::string_view::npos || hasControlByte(page))
        return false;
    size_t start = 0;
    while (true) {
        size_t slash = page.find('/', start);
        std::string_view part = page.substr(start, slash == std::string_view::npos ? page.npos : slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

std::string HelpBook::findPage(const std::string& dir, std::string_view page)
{
    if (dir.empty() || !isSafePagePath(page))
        return {};
    fs::path current(dir);
    size_t start = 0;
    while (start <= page.size()) {
        size_t slash = page.find('/', start);
        const bool last = slash == std::string_view::npos;
        std::string_view part = page.substr(start, last ? page.npos : slash - start);
        std::error_code ec;
        fs::path exact = current / std::string(part);
        fs::path found;
        if (fs::exists(exact, ec)) {
            found = exact;
        } else {
            for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec))
                if (equalsIgnoringCase(it->path().filename().string(), part)) {
                    found = it->path();
                    break;
                }
        }
        if (found.empty())
            return {};
        if (last)
            return fs::is_regular_file(found, ec) ? found.string() : std::string();
        if (!isDirectory(found))
            return {};
        current = found;
        start = slash + 1;
    }
    return {};
}

std::string HelpBook::databaseId(const SigDbase& db)
{
    Digest digest;
    digest.add(kBookFormat);
    for (const auto& op : db.sigDbaseData()) {
        digest.add("operator");
        digest.add(op->name());
        for (const auto& entry : op->operatorData()) {
            digest.add(int64_t(entry->entryType()));
            for (const auto& item : entry->operatorData()) {
                digest.add(int64_t(item->fieldType()));
                digest.add(item->text());
            }
        }
    }
    return digest.hex();
}

std::string HelpBook::bundledDirectory()
{
    if (!bundledOverride().empty())
        return bundledOverride();
    static const std::string found = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec)
            return std::string();
        fs::path dir = exe.parent_path();
        for (const fs::path& candidate : {dir / "help", dir / ".." / "share" / "tosk" / "help"})
            if (isDirectory(candidate))
                return fs::weakly_canonical(candidate, ec).string();
        return std::string();
    }();
    return found;
}

void HelpBook::setBundledDirectory(const std::string& dir)
{
    bundledOverride() = dir;
}

std::string HelpBook::userGuideIndex()
{
    const std::string bundled = bundledDirectory();
    if (bundled.empty())
        return {};
    std::error_code ec;
    const fs::path index = fs::path(bundled) / guideIndexPage;
    return fs::is_regular_file(index, ec) ? index.string() : std::string();
}

std::string HelpBook::cacheDirectory()
{
    const std::string cache = DataFiles::cacheFolder();
    return cache.empty() ? cache : cache + "/help";
}

std::string HelpBook::bookId(const std::string& dir)
{
    std::string bytes;
    if (dir.empty() || !readWholeFile((fs::path(dir) / stampFile).string(), bytes))
        return {};
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        bytes.pop_back();
    return bytes;
}

std::string HelpBook::directoryFor(const SigDbase& db)
{
    const std::string id = databaseId(db);
    const std::string bundled = bundledDirectory();
    if (!bundled.empty() && bookId(bundled) == id)
        return bundled;

    const std::string cache = cacheDirectory();
    if (cache.empty())
        throw TkxException("HelpBook.directoryFor", "no cache folder (neither XDG_CACHE_HOME nor HOME is set)");
    const fs::path book = fs::path(cache) / id;
    if (bookId(book.string()) == id)
        return book.string();

    // The book is written into a folder of its own and then renamed into
    // place, so that a book cut short is never taken for a whole one.
    std::error_code ec;
    fs::create_directories(cache, ec);
    if (ec)
        throw TkxException("HelpBook.directoryFor", format("%s: %s", cache.c_str(), ec.message().c_str()));
    std::random_device random;
    const fs::path scratch = fs::path(cache) / format("%s.tmp-%08x", id.c_str(), unsigned(random()));
    try {
        HelpBookWriter writer(db);
        // A book made here links the guide that came with the program.
        if (const std::string guide = userGuideIndex(); !guide.empty())
            writer.setGuideLink(fileUrl(guide));
        writer.write(scratch.string());
    } catch (...) {
        fs::remove_all(scratch, ec);
        throw;
    }
    // What stands in the way is our own: an incomplete book of this id.
    if (fs::exists(book, ec) && bookId(book.string()) != id)
        fs::remove_all(book, ec);
    fs::rename(scratch, book, ec);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove_all(scratch, ec);
        // Another Tosk may have written the same book meanwhile.
        if (bookId(book.string()) == id)
            return book.string();
        throw TkxException("HelpBook.directoryFor", format("%s: %s", book.c_str(), reason.c_str()));
    }
    return book.string();
}

} // namespace tosk
