// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"

#include <memory>
#include <string>
#include <string_view>

namespace tosk {

class OperatorEntry;
class SigDbase;
class SigfileTokenizer;

// Makes a module's fields from its operator's entries: once when the module
// is built (with the database's defaults, or with the values of a record),
// and again for a repetition added to a group or taken from it later.
class ModuleBuilder {
public:
    using FieldPtr = Module::FieldPtr;
    using FieldList = Module::FieldList;

    explicit ModuleBuilder(Module& module);

    // Makes the fields of the operator `name` (a name starting with ';' makes
    // a comment; one the database lacks, an unknown operator's text). With a
    // tokenizer the values are its next tokens, ending with the info token.
    // Throws TkxException on an inconsistent operator; the fields made so far
    // stay.
    void build(const std::shared_ptr<SigDbase>& dbase, SigfileTokenizer* tokenizer, const std::string& name);
    // Copies the fields of another module (built from the same operator)
    // into this one, each bound to the copy of its count field.
    void copyFields(const Module& other);
    // Adds a repetition after the one `member` belongs to; answers its first
    // field (none when the count is at its maximum). New fields are also
    // appended to newFields.
    FieldPtr addIteration(const ModuleField& member, FieldList* newFields);
    // Removes the repetition `member` belongs to (the caller checks the lower
    // limit first).
    void deleteIteration(const ModuleField& member);

private:
    struct State;
    void buildEntries(State& state);
    bool readValueToken(State& state, std::string_view& token);
    void buildUnknownOperator(const std::string& name, SigfileTokenizer* tokenizer);
    void disconnectFedBy(const ModuleField& output);

    Module& module_;
    FieldOrder& fields_;
};

// The text a new field of that entry starts with: DEFAULT, else MINIMUM, else
// "0"; for everything but ED_STRING, "0" when that text's value is 0.
std::string GetSafeMinimum(const OperatorEntry& entry);

} // namespace tosk
