// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryIndex.h"

#include "base/DataFiles.h"
#include "base/Log.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tosk {

namespace {

std::atomic<unsigned> nextConnection{0};

QByteArray bytes(const std::string& text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string text(const QVariant& value)
{
    const QByteArray b = value.toByteArray();
    return std::string(b.constData(), size_t(b.size()));
}

// Instance names and operators are single tokens of one line: a line end
// joins them.
QByteArray joined(const std::vector<std::string>& list)
{
    QByteArray out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i)
            out += '\n';
        out += bytes(list[i]);
    }
    return out;
}

std::vector<std::string> split(const QVariant& value)
{
    std::vector<std::string> out;
    const QByteArray b = value.toByteArray();
    if (b.isEmpty())
        return out;
    for (const QByteArray& part : b.split('\n'))
        out.emplace_back(part.constData(), size_t(part.size()));
    return out;
}

bool readWhole(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The folders without trailing "/", those inside another left out: each
// file is looked at once.
std::vector<std::string> outermost(const std::vector<std::string>& folders)
{
    std::vector<std::string> out;
    for (std::string f : folders) {
        while (f.size() > 1 && f.back() == '/')
            f.pop_back();
        if (!f.empty())
            out.push_back(std::move(f));
    }
    std::sort(out.begin(), out.end());
    std::vector<std::string> kept;
    for (const auto& f : out)
        if (std::none_of(kept.begin(), kept.end(), [&](const std::string& k) { return isInsideFolder(f, k); }))
            kept.push_back(f);
    return kept;
}

} // namespace

std::string LibraryIndex::defaultPath()
{
    std::string folder = DataFiles::cacheFolder();
    // Without HOME, Qt still knows the account's home folder.
    if (folder.empty())
        folder = QDir::homePath().toStdString() + "/.cache/tosk";
    return folder + "/library.sqlite";
}

LibraryIndex::LibraryIndex(const std::string& path)
    : connection_(QStringLiteral("tosk-library-%1").arg(nextConnection.fetch_add(1)))
{
    const QString file = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    const bool existed = QFileInfo::exists(file);
    if (open(file) && load()) {
        stored_ = true;
        return;
    }
    // Whatever is there is not an index of ours: it goes.
    close();
    entries_.clear();
    rebuilt_ = existed;
    for (const QString& suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(file + suffix);
    if (open(file) && createSchema()) {
        stored_ = true;
        return;
    }
    logf("LibraryIndex: cannot keep the index in %s", path.c_str());
    close();
    // An index in memory still spares reading every file at each search.
    if (!open(QStringLiteral(":memory:")) || !createSchema())
        close();
}

LibraryIndex::~LibraryIndex()
{
    close();
}

bool LibraryIndex::open(const QString& path)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path);
    if (!db.open())
        return false;
    QSqlQuery q(db);
    // A cache: losing the last moments to a crash costs only a re-read, so
    // a write need not wait for the disk (with a write-ahead log, a commit
    // at this level does not sync).
    q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    return true;
}

void LibraryIndex::close()
{
    if (!QSqlDatabase::contains(connection_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

bool LibraryIndex::createSchema()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    return q.exec(QStringLiteral("CREATE TABLE patches (path BLOB PRIMARY KEY, modified INTEGER NOT NULL, "
                                 "size INTEGER NOT NULL, title BLOB NOT NULL, author BLOB NOT NULL, "
                                 "modules BLOB NOT NULL, operators BLOB NOT NULL)")) &&
           q.exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
}

bool LibraryIndex::load()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next() || q.value(0).toInt() != kSchemaVersion)
        return false;
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next() || q.value(0).toString() != QLatin1String("ok"))
        return false;
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT path, modified, size, title, author, modules, operators FROM patches")))
        return false;
    while (q.next()) {
        LibraryEntry entry;
        entry.file.path = text(q.value(0));
        entry.file.modified = q.value(1).toLongLong();
        entry.file.size = q.value(2).toLongLong();
        entry.summary.title = text(q.value(3));
        entry.summary.author = text(q.value(4));
        entry.summary.modules = split(q.value(5));
        entry.summary.operators = split(q.value(6));
        if (entry.file.path.empty())
            return false;
        std::string path = entry.file.path;
        entries_.emplace(std::move(path), std::move(entry));
    }
    return !q.lastError().isValid();
}

LibraryIndex::Changes LibraryIndex::update(const std::vector<std::string>& folders,
                                           const std::function<void(Progress)>& progress, const std::atomic<bool>* stop)
{
    Changes changes;
    std::vector<LibraryFile> toRead;
    std::vector<std::string> gone;
    for (const auto& folder : outermost(folders)) {
        if (stop && stop->load())
            break;
        const std::vector<LibraryFile> files = scanLibrary(folder, stop);
        if (stop && stop->load())
            break;
        // Both lists are sorted by path: one walk tells new, changed and gone.
        auto known = entries_.lower_bound(folder == "/" ? folder : folder + "/");
        auto it = files.begin();
        while (known != entries_.end() && isInsideFolder(known->first, folder)) {
            if (it != files.end() && it->path < known->first) {
                toRead.push_back(*it++);
            } else if (it != files.end() && it->path == known->first) {
                if (!(it->modified == known->second.file.modified && it->size == known->second.file.size))
                    toRead.push_back(*it);
                ++it;
                ++known;
            } else {
                gone.push_back(known->first);
                ++known;
            }
        }
        toRead.insert(toRead.end(), it, files.end());
    }
    std::vector<const LibraryEntry*> put;
    Progress step{0, toRead.size()};
    for (const auto& file : toRead) {
        if (stop && stop->load())
            break;
        std::string bytes;
        if (readWhole(file.path, bytes)) {
            auto [at, added] = entries_.try_emplace(file.path);
            at->second.file = file;
            at->second.summary = PatchSummary::read(bytes);
            put.push_back(&at->second);
            ++(added ? changes.added : changes.changed);
        }
        ++step.done;
        if (progress && (step.done % 64 == 0 || step.done == step.total))
            progress(step);
    }
    for (const auto& path : gone)
        entries_.erase(path);
    changes.removed = gone.size();
    store(put, gone);
    return changes;
}

void LibraryIndex::store(const std::vector<const LibraryEntry*>& put, const std::vector<std::string>& gone)
{
    if ((put.empty() && gone.empty()) || !QSqlDatabase::contains(connection_))
        return;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT OR REPLACE INTO patches VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (const LibraryEntry* e : put) {
        insert.bindValue(0, bytes(e->file.path));
        insert.bindValue(1, qint64(e->file.modified));
        insert.bindValue(2, qint64(e->file.size));
        insert.bindValue(3, bytes(e->summary.title));
        insert.bindValue(4, bytes(e->summary.author));
        insert.bindValue(5, joined(e->summary.modules));
        insert.bindValue(6, joined(e->summary.operators));
        insert.exec();
    }
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM patches WHERE path = ?"));
    for (const auto& path : gone) {
        remove.bindValue(0, bytes(path));
        remove.exec();
    }
    if (!db.commit())
        logf("LibraryIndex: cannot store the index: %s", db.lastError().text().toUtf8().constData());
}

std::vector<const LibraryEntry*> LibraryIndex::search(const LibraryQuery& query,
                                                      const std::vector<std::string>& roots) const
{
    std::vector<const LibraryEntry*> found;
    for (const auto& [path, entry] : entries_) {
        bool inside = false;
        for (const auto& root : roots)
            inside = inside || isInsideFolder(path, root);
        if (inside && query.matches(entry.summary))
            found.push_back(&entry);
    }
    return found;
}

} // namespace tosk
