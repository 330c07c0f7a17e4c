// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorTreeNode.h"

#include "base/TextCase.h"
#include "database/OperatorDesc.h"
#include "database/OperatorSearch.h"
#include "database/SigDbase.h"

namespace tosk {

OperatorTreeNode::OperatorTreeNode(std::unique_ptr<OperatorNodeData> data) : TreeNode(std::move(data)) {}

OperatorTreeNode::Ptr OperatorTreeNode::treeFromSigDbase(const SigDbase* db)
{
    auto root = std::make_shared<OperatorTreeNode>(OperatorNodeData::groupDataWithName(kRootName, 0));
    if (db)
        root->initFromSigDbase(*db);
    return root;
}

OperatorTreeNode::Ptr OperatorTreeNode::searchTree(const SigDbase& db, std::string_view query)
{
    auto root = std::make_shared<OperatorTreeNode>(OperatorNodeData::groupDataWithName(kRootName, 0));
    const auto ops = OperatorSearch::addableOperators(db);
    std::vector<OperatorSearch::Candidate> candidates;
    candidates.reserve(ops.size());
    for (const auto& op : ops)
        candidates.push_back(OperatorSearch::candidateFor(*op));
    for (size_t i : OperatorSearch::rank(query, candidates))
        root->addChild(std::make_shared<OperatorTreeNode>(
            OperatorNodeData::leafDataWithName(candidates[i].name, ops[i]->operatorId(), ops[i])));
    return root;
}

void OperatorTreeNode::initFromSigDbase(const SigDbase& db)
{
    for (const auto& op : db.sigDbaseData())
        makeNodeForOperator(op);
    addChild(std::make_shared<OperatorTreeNode>(
        OperatorNodeData::groupDataWithName(kLibraryName, OperatorNodeData::kLibraryId)));
}

void OperatorTreeNode::makeNodeForOperator(const std::shared_ptr<OperatorDesc>& op)
{
    if (!op)
        return;
    const std::string cls = op->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_CLASS);
    if (cls == "SYSTEM")
        return;
    std::string name = op->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_NAME);
    if (name.empty())
        name = op->name();
    Ptr group = addUniqueChild(cls, OperatorField::OPERATOR_CLASS, op);
    group->addUniqueChild(name, OperatorField::OPERATOR_NAME, op);
}

OperatorTreeNode::Ptr OperatorTreeNode::addUniqueChild(const std::string& name, int kind,
                                                       const std::shared_ptr<OperatorDesc>& op)
{
    const std::string key = lowerCased(name);
    size_t place = numberOfChildren();
    for (size_t i = 0; i < numberOfChildren(); ++i) {
        TreeNode::Ptr child = childAtIndex(i);
        const std::string theirs = lowerCased(child->nodeData() ? child->nodeData()->name() : std::string());
        if (theirs == key) {
            if (auto same = std::dynamic_pointer_cast<OperatorTreeNode>(child))
                return same;
            continue;
        }
        if (theirs > key) {
            place = i;
            break;
        }
    }
    const int32_t id = op ? op->operatorId() : 0;
    auto data = kind == OperatorField::OPERATOR_CLASS ? OperatorNodeData::groupDataWithName(name, id)
                                                      : OperatorNodeData::leafDataWithName(name, id, op);
    auto child = std::make_shared<OperatorTreeNode>(std::move(data));
    insertChild(child, place);
    return child;
}

} // namespace tosk
