// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/DiskFileTreeNode.h"

#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

std::string lowercase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string childPath(const std::string& folder, const std::string& name)
{
    return (fs::path(folder) / name).string();
}

} // namespace

DiskFileTreeNode::DiskFileTreeNode(const std::string& name, const std::string& fullPathName, bool isLeaf, bool isLink)
    : TreeNode(std::make_unique<DiskNodeData>(name, fullPathName, isLeaf, isLink))
{
}

std::shared_ptr<DiskFileTreeNode> DiskFileTreeNode::treeFromDirectoryPath(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !fs::is_directory(path, ec))
        throw TkxException("DiskFileTreeNode", fillIn(localized("BadDirPath", "Invalid directory path: %s"), {path}));
    auto root = std::make_shared<DiskFileTreeNode>(nodeNameFromPath(path), path, false);
    root->makeTreeNodes(path);
    return root;
}

std::string DiskFileTreeNode::nodeNameFromPath(const std::string& path)
{
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const size_t slash = path.rfind('/', end - 1);
    if (end == 1 && path[0] == '/')
        return "/";
    return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}

bool DiskFileTreeNode::isPatchFileName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string extension = lowercase(name.substr(dot + 1));
    return extension == "sig" || extension == "bak";
}

std::string DiskFileTreeNode::renamedFileName(const std::string& oldName, const std::string& typed)
{
    if (!isPatchFileName(oldName) || isPatchFileName(typed))
        return typed;
    return typed + oldName.substr(oldName.rfind('.'));
}

std::vector<TreeNode::Ptr> DiskFileTreeNode::readEntries(const std::string& folder)
{
    std::vector<Ptr> children;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        logf("DiskFileTreeNode.makeTreeNodes: cannot read %s: %s", folder.c_str(), ec.message().c_str());
        return children;
    }
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        // Asked of the entry itself: is_directory() would follow a link.
        const fs::file_type type = it->symlink_status(typeError).type();
        if (type == fs::file_type::symlink) {
            if (isPatchFileName(name) || it->is_directory(typeError))
                children.push_back(std::make_shared<DiskFileTreeNode>(name, childPath(folder, name), true, true));
        } else if (type == fs::file_type::directory) {
            children.push_back(std::make_shared<DiskFileTreeNode>(name, childPath(folder, name), false));
        } else if (isPatchFileName(name)) {
            children.push_back(std::make_shared<DiskFileTreeNode>(name, childPath(folder, name), true));
        }
    }
    if (ec)
        logf("DiskFileTreeNode.makeTreeNodes: cannot read %s: %s", folder.c_str(), ec.message().c_str());
    std::stable_sort(children.begin(), children.end(),
                     [](const Ptr& a, const Ptr& b) { return a->nodeData()->compare(*b->nodeData()) < 0; });
    return children;
}

std::shared_ptr<DiskFileTreeNode> DiskFileTreeNode::readWholeTree(const std::string& path,
                                                                  const std::atomic<bool>* stop)
{
    auto root = std::make_shared<DiskFileTreeNode>(nodeNameFromPath(path), path, false);
    // Folders wait in a list rather than on the call stack: a tree may be
    // deeper than the stack is.
    std::vector<DiskFileTreeNode*> pending{root.get()};
    while (!pending.empty() && !(stop && stop->load())) {
        DiskFileTreeNode* folder = pending.back();
        pending.pop_back();
        folder->makeTreeNodes(folder->fullPathName());
        for (const Ptr& child : folder->children()) {
            auto* node = static_cast<DiskFileTreeNode*>(child.get());
            if (!node->isLeaf())
                pending.push_back(node);
        }
    }
    return root;
}

void DiskFileTreeNode::makeTreeNodes(const std::string& folder)
{
    insertChildren(readEntries(folder), numberOfChildren());
    childrenRead_ = true;
}

void DiskFileTreeNode::expandGroupItem()
{
    if (numberOfChildren() == 0 && diskData().isExpandable())
        makeTreeNodes(fullPathName());
}

void DiskFileTreeNode::setFullPathName(const std::string& path)
{
    diskData().setFullPathName(path);
    diskData().setName(nodeNameFromPath(path));
    for (const Ptr& child : children())
        if (auto* disk = dynamic_cast<DiskFileTreeNode*>(child.get()))
            disk->setFullPathName(childPath(path, disk->diskData().name()));
}

} // namespace tosk
