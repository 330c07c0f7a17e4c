// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/SModule.h"

#include "Toskfile/ModuleInfo.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/OperatorEntry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace tosk {

namespace {

// The entry of a group's own name field, in the database's entry format.
const std::shared_ptr<OperatorEntry>& groupNameEntry()
{
    static const std::shared_ptr<OperatorEntry> entry = [] {
        static const char text[] = " TYPE:ED_STRING\n\r NAME:opstart_name\n\r DESCRIPTION:operator name\n\r     ";
        auto e = std::make_shared<OperatorEntry>();
        e->load(text, 70);
        return e;
    }();
    return entry;
}

[[noreturn]] void invalidGroup()
{
    throw TkxException("SModule", localized("BadSModule", "Invalid SModule"));
}

} // namespace

SModule::SModule()
{
    for (int i = 0; i < 4; ++i)
        m_Subst[i] = format("^%d", i + 1);
}

SModule::~SModule()
{
    // Members may outlive their group (held by a copy, the clipboard or an
    // undo step): they must not keep pointing at it.
    for (const auto& member : moduleList_.moduleArray())
        if (member->parent() == this)
            member->setParent(nullptr);
}

const std::shared_ptr<OperatorEntry>& SModule::nameEntry() const
{
    return groupNameEntry();
}

void SModule::setModuleName(const std::string& name)
{
    if (lowerCased(name) != lowerCased(moduleName_))
        moduleName_ = upperCased(name);
}

Point SModule::memberOrigin() const
{
    return Point{rect().x() + memberOffset_.x, rect().y() + memberOffset_.y};
}

// ---------------------------------------------------------------- reading

Module::Ptr SModule::moduleFromTokenizer(SigfileTokenizer& tokenizer, const std::shared_ptr<SigDbase>& dbase)
{
    return readRecord(tokenizer, dbase, 0);
}

Module::Ptr SModule::readRecord(SigfileTokenizer& tokenizer, const std::shared_ptr<SigDbase>& dbase, int depth)
{
    auto token = tokenizer.nextToken();
    if (!token)
        return nullptr;
    if (token->compare(0, std::strlen(kHeaderPrefix), kHeaderPrefix) == 0)
        return readGroup(*token, tokenizer, dbase, depth);
    return Module::moduleNamed(*token, tokenizer, dbase);
}

Module::Ptr SModule::readGroup(const std::string& header, SigfileTokenizer& tokenizer,
                               const std::shared_ptr<SigDbase>& dbase, int depth)
{
    if (depth >= kMaxNesting)
        invalidGroup();
    SigfileTokenizer items(std::string_view(header).substr(std::strlen(kHeaderPrefix)), ", ");
    // Up to three items; the header's info (";=...") may follow any of them.
    std::string fields[3];
    int itemCount = 0;
    std::optional<std::string> info;
    while (auto item = items.nextToken()) {
        if (!item->empty() && (*item)[0] == ';' && !items.lastTokenQuoted()) {
            info = std::move(*item);
            break;
        }
        if (itemCount == 3) {
            info = std::move(*item);
            break;
        }
        fields[itemCount++] = std::move(*item);
    }
    const int count = itemCount > 0 ? OperatorField::integerValue(fields[0]) : 0;
    if (count == 0)
        invalidGroup();

    const int line = tokenizer.line();
    ModuleList::List members;
    for (int i = 0; i < count; ++i) {
        Module::Ptr member = readRecord(tokenizer, dbase, depth + 1);
        if (!member)
            break; // the text ended: the group keeps what was read
        members.push_back(std::move(member));
    }

    auto group = std::make_shared<SModule>();
    // Comment members are dropped below: what they lost is the group's.
    for (const auto& member : members) {
        for (const auto& loss : member->readLosses())
            group->noteReadLoss(loss);
        group->addBuildProblems(member->buildProblems());
    }
    if (static_cast<int>(members.size()) < count)
        group->noteReadLoss(format("line %d: group %s cut short (%zu of %d members)", line,
                                   (itemCount > 2 ? fields[2] : fields[1]).c_str(), members.size(), count));
    group->addModules(fields[1], members, itemCount > 2 ? std::optional<std::string>(fields[2]) : std::nullopt, true);
    if (info) {
        const Point corner = group->rect().origin;
        if (group->addInfo(*info)) {
            group->memberOffset_ = Point{group->memberOffset_.x + corner.x - group->rect().x(),
                                         group->memberOffset_.y + corner.y - group->rect().y()};
        }
    }
    return group;
}

void SModule::adopt(const Module::Ptr& member)
{
    member->setParent(this);
    moduleList_.addModule(member);
    for (const auto& f : member->fieldArray())
        addField(f);
    if (FieldPtr name = member->opstartNameField())
        name->setAsAlwaysHidden(true);
}

void SModule::addModules(const std::string& typeName, const ModuleList::List& members,
                         const std::optional<std::string>& instanceName, bool move)
{
    setModuleName(typeName);
    const std::string instance = lowerCased(instanceName ? *instanceName : typeName);

    double minX = 32767, minY = 32767;
    for (const auto& member : ModuleList::List(members)) {
        if (member->isComment())
            continue;
        adopt(member);
        // A member that was never placed has no position to measure from.
        if (member->isPlaced()) {
            minX = std::min(minX, std::trunc(member->rect().x()));
            minY = std::min(minY, std::trunc(member->rect().y()));
        }
    }
    if (minX != 32767 || minY != 32767) {
        if (minX == 32767)
            minX = 0;
        if (minY == 32767)
            minY = 0;
        for (const auto& member : moduleList_.moduleArray())
            if (member->isPlaced())
                member->moveBy(Point{-minX, -minY});
        if (move)
            moveToPosition(Point{minX, minY});
    }

    auto nameField = ModuleField::fieldWithParent(this, instance, groupNameEntry().get());
    if (!nameField)
        throw TkxException("SModule.addModules", "SModule.addModules nil ModuleField");
    insertField(nameField, 0);
}

// ---------------------------------------------------------------- model

void SModule::setDocument(SigDocument* document, SigFile* sigFile)
{
    Module::setDocument(document, sigFile);
    for (const auto& member : moduleList_.moduleArray())
        member->setDocument(document, sigFile);
}

Module* SModule::findModuleByName(const std::string& name)
{
    if (Module* self = checkName(name))
        return self;
    for (const auto& member : moduleList_.moduleArray())
        if (Module* found = member->findModuleByName(name))
            return found;
    return nullptr;
}

void SModule::addToNameFieldList(FieldList& list, bool superOk) const
{
    if (superOk)
        Module::addToNameFieldList(list, superOk);
    for (const auto& member : moduleList_.moduleArray())
        member->addToNameFieldList(list, superOk);
}

Module::FieldPtr SModule::addIteratedField(const ModuleField& /*field*/, FieldList* /*newFields*/)
{
    log("super module addIteratedField not supported yet!");
    return nullptr;
}

Module::Ptr SModule::copy() const
{
    auto group = std::make_shared<SModule>();
    group->initModule(this);
    group->moduleName_ = moduleName_;
    group->m_Description = m_Description;
    group->memberOffset_ = memberOffset_;
    for (int i = 0; i < 4; ++i)
        group->m_String[i] = m_String[i];
    group->m_SubstFlag = m_SubstFlag;
    // The copy's fields line up with the original's (its own name field,
    // then each member's fields), so that a list copy can map every wire.
    if (FieldPtr name = opstartNameField())
        group->addField(ModuleField::fieldWithField(*name, group.get()));
    for (const auto& member : moduleList_.moduleArray())
        group->adopt(member->copy());
    return group;
}

// ---------------------------------------------------------------- writing

int SModule::save(std::string& buffer, const std::string& headName, int saveFlags, const Point& offset) const
{
    // The header counts the records the reader will meet, which is not the
    // number of members: nodes (and, for a unit, operators of an unknown
    // class) write nothing, and hide counts without a position make a
    // record of their own. So the members are written first.
    std::string members;
    const Point origin = memberOrigin();
    const Point inner{offset.x + origin.x, offset.y + origin.y};
    long records = 0;
    for (const auto& member : moduleList_.moduleArray())
        records += member->save(members, headName, saveFlags, inner);
    // 0 would not read; a negative count reads as a group without members.
    const long count = records == 0 ? -1 : std::min<long>(records, INT_MAX);

    buffer += kHeaderPrefix;
    buffer += std::to_string(count);
    // The header's items are split at commas and blanks, and the byte after
    // a closing quote is not consumed: a comma there would read as an empty
    // item, so a quoted item is followed by a blank alone.
    auto item = [&buffer](const std::string& text) {
        buffer += text;
        buffer += text.empty() || text.front() != '"' ? ", " : " ";
    };
    buffer += ", ";
    item(quoteIfNeeded(moduleName_));
    // The name is a field text, written as every field value is.
    const FieldPtr name = opstartNameField();
    if (name)
        name->appendName(buffer, ModuleField::NF_QUOTE, headName);
    else
        buffer += "\"\"";
    if (!(saveFlags & SAVE_NO_INFO))
        ModuleInfo::append(buffer, *this, offset);
    buffer += "\r\n";
    buffer += members;
    return 1;
}

} // namespace tosk
