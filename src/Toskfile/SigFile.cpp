// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/SigFile.h"

#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/UndoManager.h"
#include "base/AtomicFile.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/SigDbase.h"

#include <iterator>

namespace tosk {

SigFile::SigFile(std::shared_ptr<SigDbase> dbase, SigDocument* document)
    : sigDbase_(std::move(dbase)), sigDocument_(document)
{
}

SigFile::~SigFile()
{
    // Edit steps on the document's stack point at this patch.
    if (sigDocument_)
        sigDocument_->undoManager().removeAllActions(this);
}

// ---------------------------------------------------------------- creation

std::unique_ptr<SigFile> SigFile::fileWithData(std::optional<std::string_view> bytes,
                                               const std::optional<std::string>& fileName,
                                               std::shared_ptr<SigDbase> dbase, SigDocument* document)
{
    auto file = std::make_unique<SigFile>();
    file->initWithData(bytes, fileName, std::move(dbase), document);
    return file;
}

void SigFile::initWithData(std::optional<std::string_view> bytes, const std::optional<std::string>& fileName,
                           std::shared_ptr<SigDbase> dbase, SigDocument* document)
{
    m_Head.reset();
    m_Tail.reset();
    adcNull_.reset();
    adcNullObject_.reset();
    sigDocument_ = document;
    m_Zoom = -1;
    sigDbase_ = std::move(dbase);
    if (bytes) {
        load(*bytes);
        secondPass(true);
    } else {
        loadNew("Empty");
    }
    if (fileName)
        sigFileName_ = *fileName;
    else if (bytes)
        sigFileName_ = convertToFileName(programName());
}

std::unique_ptr<SigFile> SigFile::fileWithFileName(const std::string& path, std::shared_ptr<SigDbase> dbase,
                                                   SigDocument* document)
{
    std::string bytes;
    const bool read = readWholeFile(path, bytes);
    return fileWithData(read ? std::optional<std::string_view>(bytes) : std::nullopt, path, std::move(dbase), document);
}

// ---------------------------------------------------------------- head and tail

Module::Ptr SigFile::moduleWithDefaults(const std::string& operatorName, const std::string& instanceName)
{
    // The database is outside data too: an operator it describes badly
    // (a group never closed, a count expression that does not evaluate)
    // must cost the patch that module, not the program.
    try {
        Module::Ptr module = Module::moduleNamed(operatorName, std::optional<std::string>(instanceName), sigDbase_);
        problems_.append(module->buildProblems());
        return module;
    } catch (const TkxException& e) {
        logf("SigFile: cannot build %s: %s - %s", latin1ToUtf8(operatorName).c_str(), e.name().c_str(),
             e.reason().c_str());
        if (!loadError_)
            loadError_ = e.name() + " - " + e.reason();
        readProblems_.push_back(
            format("cannot build %s: %s - %s", operatorName.c_str(), e.name().c_str(), e.reason().c_str()));
        return nullptr;
    }
}

Module::Ptr SigFile::findHead() const
{
    for (const auto& m : listOfModules_)
        if (m->isHead())
            return m;
    return nullptr;
}

Module::Ptr SigFile::findTail() const
{
    for (auto it = listOfModules_.rbegin(); it != listOfModules_.rend(); ++it)
        if ((*it)->isTail())
            return *it;
    return nullptr;
}

Module::Ptr SigFile::findModule(const std::string& operatorName) const
{
    for (const auto& m : listOfModules_)
        if (equalsIgnoringCase(m->name(), operatorName))
            return m;
    return nullptr;
}

Module::Ptr SigFile::markerModule() const
{
    for (const auto& m : listOfModules_)
        if (m->isMarker())
            return m;
    return nullptr;
}

void SigFile::setHead()
{
    m_Head = findHead();
    adcNull_ = m_Head ? m_Head->field("null") : nullptr;
    adcNullObject_ = m_Head ? m_Head->field("nullobj") : nullptr;
    if (!m_Tail) {
        m_Tail = findTail();
        if (!m_Tail) {
            // A database without a tail operator still gets a tail, silently
            // empty: the patch must not alert on every load for it.
            if (sigDbase_ && sigDbase_->operatorForName("TAIL"))
                m_Tail = moduleWithDefaults("TAIL", "tail");
            if (!m_Tail)
                m_Tail = std::make_shared<Module>();
        }
        m_Tail->setDocument(sigDocument_, this);
    }
    // Tail records in the list give the author; the writer puts the tail
    // back at the end.
    // Compacted in place: a list of thousands is not copied for the one
    // tail record at its end.
    auto kept = listOfModules_.begin();
    for (auto it = listOfModules_.begin(); it != listOfModules_.end(); ++it) {
        const Module::Ptr& m = *it;
        if (equalsIgnoringCase(m->name(), "TAIL")) {
            // The name was read as a field text already: copied as it stands,
            // for setting it anew would take off a second pair of apostrophes.
            const FieldRef author = m_Tail->field("opstart_name");
            if (m != m_Tail && author)
                author->restoreText(m->instanceName());
        } else if (m == m_Tail) {
            // a tail of another name is not written twice
        } else {
            if (kept != it)
                *kept = std::move(*it);
            ++kept;
        }
    }
    listOfModules_.erase(kept, listOfModules_.end());
}

void SigFile::deleteContents()
{
    m_Tail.reset();
    removeAll();
    m_Head.reset();
    adcNull_.reset();
    adcNullObject_.reset();
}

void SigFile::setListOfModules(List modules)
{
    ModuleList::setListOfModules(std::move(modules));
    setHead();
}

std::string SigFile::programName() const
{
    return m_Head ? m_Head->fieldText("obj_desription") : std::string();
}

void SigFile::setProgramName(const std::string& name)
{
    if (m_Head)
        m_Head->setFieldText("obj_desription", name);
}

std::string SigFile::author() const
{
    return m_Tail ? m_Tail->fieldText("opstart_name") : std::string();
}

void SigFile::setAuthor(const std::string& name)
{
    if (m_Tail)
        m_Tail->setFieldText("opstart_name", name);
}

// ---------------------------------------------------------------- new patch

void SigFile::loadNew(const std::string& programName)
{
    deleteContents();
    loadError_.reset();
    if (sigDbase_ && sigDbase_->operatorForName(sigDbase_->headName())) {
        if (Module::Ptr head = moduleWithDefaults(sigDbase_->headName(), "adc")) {
            m_Head = head;
            addModule(head);
            head->setDocument(sigDocument_, this);
        }
    }
    setHead();
    if (m_Head) {
        update(m_Head.get(), false);
        setProgramName(programName);
        m_Head->setFieldText("obj_tag", programName);
    }
    m_Zoom = 1;
}

// ---------------------------------------------------------------- writing

std::string SigFile::representation(int saveFlags) const
{
    std::string buffer;
    // Unconnected inputs are written as outputs of the head ("adc-null"),
    // wherever the head stands; a patch without one names its first record.
    const Module* first = listOfModules_.empty() ? m_Tail.get() : listOfModules_.front().get();
    const Module* named = m_Head ? m_Head.get() : first;
    const std::string headName = named ? std::string(named->instanceName()) : std::string();
    saveModules(buffer, headName, saveFlags);
    if (m_Tail && !m_Tail->isComment())
        m_Tail->save(buffer, headName, saveFlags);
    // After the tail, where no group and no record can be split by them; a
    // unit is never sent them.
    if (!(saveFlags & (Module::SAVE_NO_INFO | Module::SAVE_ENTRIES_ONLY)))
        for (const auto& c : comments_) {
            buffer += CommentLine::write(*c);
            buffer += "\r\n";
        }
    return buffer;
}

} // namespace tosk
