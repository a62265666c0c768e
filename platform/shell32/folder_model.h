// The folders the browser shows: "My Computer", its drives and their
// folders, listed through the platform's file functions when first opened.
#pragma once

#include "idlist.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace shell {

class FolderNode {
public:
    enum class Kind { Root, Drive, Folder };

    FolderNode(Kind kind, std::string name, FolderNode* parent);

    // What the user sees: "My Computer", "Local Disk (C:)", "WINDOWS".
    const std::string& displayName() const { return displayName_; }
    FolderNode* parent() const { return parent_; }
    int depth() const { return depth_; }
    bool expanded() const { return expanded_; }
    // Not yet listed nodes may have children; listed ones know.
    bool MayHaveChildren() const { return !listed_ || !children_.empty(); }

    const std::vector<std::unique_ptr<FolderNode>>& Children();
    void SetExpanded(bool expanded);
    // The child of that name (any letter case), listing this node first.
    FolderNode* FindChild(const std::string& name);

    // Names from the root ({"C:", "WINDOWS"}) and the DOS path ("C:\WINDOWS").
    ItemPath Path() const;
    bool DosPath(std::string* path) const { return DosPathOf(Path(), path); }

private:
    void List();

    Kind kind_;
    std::string name_;  // "C:" for drives, the folder's name for folders
    std::string displayName_;
    FolderNode* parent_;
    int depth_;
    bool listed_ = false;
    bool expanded_ = false;
    std::vector<std::unique_ptr<FolderNode>> children_;
};

// The rows shown: the root and the contents of every open node, in order.
std::vector<FolderNode*> VisibleNodes(FolderNode* root);

}  // namespace shell
