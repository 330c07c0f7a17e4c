// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/Module.h"

#include "Toskfile/FieldExpression.h"
#include "Toskfile/ModuleBuilder.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleInfo.h"
#include "Toskfile/ModuleNameIndex.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/SigfileTokenizer.h"
#include "Toskfile/UndoManager.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace tosk {

namespace {

const std::string kEmpty;

[[noreturn]] void inconsistency(const std::string& operation, const std::string& reason)
{
    throw TkxException(operation, reason);
}

} // namespace

// ---------------------------------------------------------------- lifetime

Module::Module()
{
    initModule(nullptr);
}

Module::~Module() = default;

void Module::initModule(const Module* templ)
{
    m_Parent = this;
    m_NumRefs = 0;
    listOfFields.clear();
    if (templ) {
        opDescriptor_ = templ->opDescriptor_;
        sigDbase_ = templ->sigDbase_;
        m_Iterate = templ->m_Iterate;
        rect_ = templ->rect_;
        placed_ = templ->placed_;
    } else {
        opDescriptor_.reset();
        m_Iterate = 0;
        rect_ = Rect();
        placed_ = false;
    }
}

// ---------------------------------------------------------------- construction

Module::Ptr Module::moduleNamed(const std::string& name, SigfileTokenizer& tokenizer,
                                const std::shared_ptr<SigDbase>& dbase)
{
    auto module = std::make_shared<Module>();
    module->initWithName(name, &tokenizer, std::nullopt, dbase);
    return module;
}

Module::Ptr Module::moduleNamed(const std::string& name, const std::optional<std::string>& instanceName,
                                const std::shared_ptr<SigDbase>& dbase)
{
    auto module = std::make_shared<Module>();
    module->initWithName(name, nullptr, instanceName, dbase);
    return module;
}

void Module::initWithName(const std::string& name, SigfileTokenizer* tokenizer,
                          const std::optional<std::string>& instanceName, const std::shared_ptr<SigDbase>& dbase)
{
    initModule(nullptr);
    readNotes_.reset();
    buildModule(dbase, tokenizer, name);
    if (instanceName) {
        if (FieldPtr f = opstartNameField())
            f->setText(*instanceName);
    }
}

void Module::buildModule(const std::shared_ptr<SigDbase>& dbase, SigfileTokenizer* tokenizer, const std::string& name)
{
    ModuleBuilder(*this).build(dbase, tokenizer, name);
}

Module::Ptr Module::copy() const
{
    auto module = std::make_shared<Module>();
    module->initWithModule(*this);
    return module;
}

void Module::initWithModule(const Module& other)
{
    initModule(&other);
    ModuleBuilder(*this).copyFields(other);
}

Module::FieldPtr Module::addIteratedField(const ModuleField& member, FieldList* newFields)
{
    return ModuleBuilder(*this).addIteration(member, newFields);
}

void Module::deleteIteratedField(const ModuleField& member)
{
    ModuleBuilder(*this).deleteIteration(member);
}

void Module::makeNameUnique(const FieldList& names, char delim)
{
    ModuleNameIndex index(names);
    makeNameUnique(index, delim);
}

void Module::makeNameUnique(ModuleNameIndex& names, char delim)
{
    FieldPtr nameField = opstartNameField();
    if (!nameField)
        inconsistency("Module.makeNameUnique", "no field found for opstartNameField");
    names.makeUnique(nameField, delim);
}

std::string Module::moduleInfo(const Point& offset) const
{
    return ModuleInfo::write(*this, offset);
}

int Module::save(std::string& buffer, const std::string& headName, int saveFlags, const Point& offset) const
{
    const int classId = opDescriptor_ ? opDescriptor_->operatorId() : OperatorDesc::OP_ID_UNKNOWN;
    if (classId == OperatorDesc::OP_ID_NODE) {
        logf("Module.save: operator for module <%s> is OP_ID_NODE", latin1ToUtf8(instanceName()).c_str());
        return 0;
    }
    // An operator of a class this program does not know is still the
    // user's module: the file keeps it; only a unit is not sent it.
    if (!opDescriptor_ || (classId == OperatorDesc::OP_ID_UNKNOWN && (saveFlags & SAVE_ENTRIES_ONLY))) {
        logf("Module.save: operator for module <%s> is OP_ID_UNKNOWN", latin1ToUtf8(instanceName()).c_str());
        return 0;
    }
    buffer += name();
    for (const auto& f : listOfFields)
        f->save(buffer, headName, saveFlags);
    int records = 1;
    if (!(saveFlags & SAVE_NO_INFO)) {
        const size_t before = buffer.size();
        ModuleInfo::append(buffer, *this, offset);
        // Hide counts without a position are no info to the reader: they
        // are applied, and the token is then read as a comment record.
        if (buffer.size() != before && !isPlaced())
            ++records;
    }
    buffer += "\r\n";
    return records;
}

bool Module::addInfo(std::string_view text)
{
    return ModuleInfo::read(*this, text);
}

// ---------------------------------------------------------------- document

void Module::setDocument(SigDocument* document, SigFile* sigFile)
{
    sigDocument_ = document;
    sigFile_ = sigFile;
}

UndoManager* Module::undoManager() const
{
    return sigDocument_ ? &sigDocument_->undoManager() : nullptr;
}

Module* Module::trueParent()
{
    Module* m = this;
    while (m->m_Parent && m->m_Parent != m)
        m = m->m_Parent;
    return m;
}

const Module* Module::trueParent() const
{
    return const_cast<Module*>(this)->trueParent();
}

Module::ReadNotes& Module::readNotes()
{
    if (!readNotes_)
        readNotes_ = std::make_unique<ReadNotes>();
    return *readNotes_;
}

const std::vector<std::string>& Module::readLosses() const
{
    static const std::vector<std::string> none;
    return readNotes_ ? readNotes_->losses : none;
}

const Problems& Module::buildProblems() const
{
    static const Problems none;
    return readNotes_ ? readNotes_->problems : none;
}

void Module::addBuildProblems(const Problems& problems)
{
    if (!problems.empty())
        readNotes().problems.append(problems);
}

const std::string& Module::name() const
{
    return opDescriptor_ ? opDescriptor_->name() : kEmpty;
}

std::string Module::description() const
{
    return "Module[" + name() + "]";
}

// ---------------------------------------------------------------- names

size_t Module::nameFieldIndex() const
{
    // Looked up for every module on every read and paint: the entry is
    // known from the database, so pointers are compared, not names.
    if (const OperatorEntry* entry = opDescriptor_ ? opDescriptor_->instanceNameEntry() : nullptr)
        for (size_t i = 0; i < listOfFields.size(); ++i)
            if (listOfFields[i]->entry() == entry)
                return i;
    return npos;
}

const ModuleField* Module::nameField() const
{
    const size_t at = nameFieldIndex();
    return at != npos ? listOfFields[at].get() : field("opstart_name").get();
}

Module::FieldPtr Module::opstartNameField() const
{
    const size_t at = nameFieldIndex();
    return at != npos ? listOfFields[at] : field("opstart_name");
}

std::string_view Module::instanceName() const
{
    const ModuleField* f = nameField();
    return f ? f->text() : std::string_view();
}

bool Module::setInstanceName(const std::string& name)
{
    if (FieldPtr f = opstartNameField())
        f->setText(name);
    return true;
}

Module* Module::checkName(const std::string& name)
{
    return equalsIgnoringCase(instanceName(), name) ? this : nullptr;
}

std::string Module::pathName() const
{
    if (isTopLevel() || !m_Parent)
        return std::string(instanceName());
    std::string own(instanceName());
    size_t tilde = own.find('~');
    if (tilde != std::string::npos)
        own.resize(tilde);
    return m_Parent->pathName() + "/" + own;
}

std::string Module::partialPath() const
{
    if (isTopLevel())
        return std::string(instanceName());
    std::string path = pathName();
    std::string top = std::string(trueParent()->instanceName()) + "/";
    if (path.compare(0, top.size(), top) == 0)
        path.erase(0, top.size());
    return path;
}

void Module::addToNameFieldList(FieldList& list, bool /*superOk*/) const
{
    if (FieldPtr f = opstartNameField())
        list.push_back(std::move(f));
}

// ---------------------------------------------------------------- kind

int Module::moduleType() const
{
    static const char* const kinds[] = {"TEXTBLOCK", "WAVEFORM",  "CURVE",     "C_CURVE", "M_CURVE",     "M_UCURVE",
                                        "MULTITAP",  "MULTIKNOB", "MULTITAP2", "REMOTER", "N_EXTCONTROL"};
    const std::string& n = name();
    for (int i = 0; i <= N_EXTCONTROL; ++i)
        if (n == kinds[i])
            return i;
    return ORDINARY;
}

bool Module::isHead() const
{
    return containsIgnoringCase(name(), "HEAD");
}

bool Module::isTail() const
{
    return containsIgnoringCase(name(), "TAIL");
}

bool Module::isMarker() const
{
    return opDescriptor_ && opDescriptor_->isMarker();
}

bool Module::operatorNameIs(const std::string& n) const
{
    if (!opDescriptor_)
        return n.empty();
    return opDescriptor_->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_NAME) == n;
}

bool Module::operatorClassIs(const std::string& className) const
{
    if (!opDescriptor_)
        return className.empty();
    return opDescriptor_->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_CLASS) == className;
}

int Module::hasWPFields() const
{
    int n = 0;
    for (const auto& f : listOfFields)
        if (f->isWP())
            ++n;
    return n;
}

void Module::changeReferenceCount(int n)
{
    ModuleField::changeCount(m_NumRefs, n);
}

// ---------------------------------------------------------------- expressions

std::string Module::processStackExpression(const std::string& expression) const
{
    FieldExpression::Context context;
    context.fieldValue = [this](const std::string& name) {
        FieldPtr f = field(name);
        return f ? OperatorField::decimalValue(f->text()) : 0.0;
    };
    context.highSampleRate = sigDbase_ && sigDbase_->highSampleRate();
    context.channels = sigDbase_ ? sigDbase_->maxChannels() : 0;
    double value = FieldExpression::evaluate(expression, context);
    return numberString(static_cast<float>(value));
}

// ---------------------------------------------------------------- undo

void Module::restoreBox(const Point& origin, double width, bool placed)
{
    rect_ = Rect(origin, Size{width, 0});
    placed_ = placed;
}

std::vector<size_t> Module::differingParameters(const Module& other) const
{
    std::vector<size_t> differing;
    size_t n = std::min(listOfFields.size(), other.listOfFields.size());
    for (size_t i = 0; i < n; ++i) {
        const ModuleField& mine = *listOfFields[i];
        // Connections never change here, and an output's text carries no
        // value: counting it would report changes nobody made.
        if (mine.source() || mine.isOutput())
            continue;
        const std::string_view theirs = other.listOfFields[i]->text();
        bool same;
        if (isNumeric(mine.text()))
            same = numberString(static_cast<float>(OperatorField::decimalValue(mine.text()))) ==
                   numberString(static_cast<float>(OperatorField::decimalValue(theirs)));
        else
            same = mine.text() == theirs;
        if (!same)
            differing.push_back(i);
    }
    return differing;
}

int Module::updateParams(const Module& other)
{
    int changed = 0;
    for (size_t i : differingParameters(other)) {
        ModuleField& mine = *listOfFields[i];
        const std::string_view theirs = other.listOfFields[i]->text();
        logf("Module.updateParams: changing %s-%s %s to %s", latin1ToUtf8(name()).c_str(),
             latin1ToUtf8(instanceName()).c_str(), latin1ToUtf8(mine.text()).c_str(), latin1ToUtf8(theirs).c_str());
        mine.setText(theirs);
        ++changed;
    }
    return changed;
}

// ---------------------------------------------------------------- geometry

void Module::setRect(const Rect& rect)
{
    placed_ = rect.width() > 0;
    rect_ = Rect(rect.origin, Size{rect.width(), 0});
}

void Module::moveToPosition(const Point& point)
{
    setRect(Rect(point, Size{kWidth, 0}));
}

void Module::moveBy(const Point& offset)
{
    setRect(rect_.offset(offset.x, offset.y));
}

} // namespace tosk
