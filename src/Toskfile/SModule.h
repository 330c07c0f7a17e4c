// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"

#include <memory>
#include <optional>
#include <string>

namespace tosk {

class OperatorEntry;
class SigDbase;
class SigfileTokenizer;

// A super module: a group of modules under one name, read from a group
// record (a ";Ss=GROUP count, TYPE, name" header line and its member
// records). The members keep their operators and fields; the group has a
// name field of its own, presents the members' fields as its own, and holds
// the members' positions relative to its corner.
//
// A group has no operator. It is written back as it was read: the header
// line with the group's position, then the members' lines at their places
// in the file's coordinates.
class SModule : public Module {
public:
    static constexpr const char* kHeaderPrefix = ";Ss=GROUP ";
    // Groups nest at most this deep; a deeper file is not a patch.
    static constexpr int kMaxNesting = 64;

    SModule();
    ~SModule() override;

    // The next record of the text: a group for a group header, otherwise
    // an ordinary module (or comment module); none at the end of the text.
    // Throws TkxException "SModule" / "Invalid SModule" for a header without
    // a member count, with a count of 0 or nested too deep.
    static Module::Ptr moduleFromTokenizer(SigfileTokenizer& tokenizer, const std::shared_ptr<SigDbase>& dbase);

    // Makes the group of the members read (comments among them are dropped):
    // type name, instance name (lower case; the type name when none), member
    // positions made relative to the group; with move, the group goes where
    // its members' top-left corner was.
    void addModules(const std::string& typeName, const ModuleList::List& members,
                    const std::optional<std::string>& instanceName, bool move);

    SModule* asGroup() override { return this; }
    const SModule* asGroup() const override { return this; }
    bool isSuper() const override { return !moduleList_.moduleArray().empty(); }
    bool isComment() const override { return false; }
    const ModuleList& moduleList() const { return moduleList_; }
    // The group's type name, upper case.
    const std::string& moduleName() const { return moduleName_; }
    void setModuleName(const std::string& name);
    const std::shared_ptr<OperatorEntry>& nameEntry() const;

    // Where the members' relative positions are measured from, in the
    // coordinates the group itself is placed in.
    Point memberOrigin() const;

    void setDocument(SigDocument* document, SigFile* sigFile) override;
    Module* findModuleByName(const std::string& name) override;
    void addToNameFieldList(FieldList& list, bool superOk) const override;
    // Repetitions are not supported on a group.
    FieldPtr addIteratedField(const ModuleField& field, FieldList* newFields) override;
    Module::Ptr copy() const override;
    using Module::save;
    int save(std::string& buffer, const std::string& headName, int saveFlags, const Point& offset) const override;

private:
    static Module::Ptr readRecord(SigfileTokenizer& tokenizer, const std::shared_ptr<SigDbase>& dbase, int depth);
    static Module::Ptr readGroup(const std::string& header, SigfileTokenizer& tokenizer,
                                 const std::shared_ptr<SigDbase>& dbase, int depth);
    void adopt(const Module::Ptr& member);

    std::string moduleName_;
    ModuleList moduleList_;
    std::string m_Description;
    std::string m_String[4];
    std::string m_Subst[4];
    bool m_SubstFlag = false;
    // The members' corner minus the group's position, kept from reading so
    // that a group whose header placed it elsewhere writes its members back
    // where they were.
    Point memberOffset_;
};

} // namespace tosk
