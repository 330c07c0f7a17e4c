// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNode.h"
#include "database/OperatorNodeData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tosk {

class OperatorDesc;
class SigDbase;

// The operators of a database as the add-module panel lists them: under a
// root "ROOT", one group per operator class (as the database writes it) in
// order without regard to case, each holding its operators in the same
// order, then an empty group "Library". Operators of the class "SYSTEM"
// (the head, the tail, ...) are left out; a class written "System" is not
// that class and is listed.
class OperatorTreeNode : public TreeNode {
public:
    using Ptr = std::shared_ptr<OperatorTreeNode>;
    static constexpr const char* kRootName = "ROOT";
    static constexpr const char* kLibraryName = "Library";

    explicit OperatorTreeNode(std::unique_ptr<OperatorNodeData> data);

    // The tree of the database; a root without children when there is none.
    static Ptr treeFromSigDbase(const SigDbase* db);
    // The operators that match a search (OperatorSearch), best first, as
    // leaves of one root.
    static Ptr searchTree(const SigDbase& db, std::string_view query);

    OperatorNodeData* operatorData() const { return static_cast<OperatorNodeData*>(nodeData()); }

    // Adds every operator of the database below this root, then "Library".
    void initFromSigDbase(const SigDbase& db);
    // Files the operator under its class (nothing for "SYSTEM").
    void makeNodeForOperator(const std::shared_ptr<OperatorDesc>& op);
    // The child named `name` without regard to case, made when there is none:
    // a group for kind OPERATOR_CLASS, else a leaf for the operator, with
    // the operator's class index, at its place in order without regard to
    // case.
    Ptr addUniqueChild(const std::string& name, int kind, const std::shared_ptr<OperatorDesc>& op);
    Ptr addUniqueChild(const std::string& name, int kind) { return addUniqueChild(name, kind, nullptr); }
};

} // namespace tosk
