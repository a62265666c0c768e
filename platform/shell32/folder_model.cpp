#include "folder_model.h"

#include <algorithm>
#include <strings.h>

namespace shell {

namespace {

std::string DriveDisplayName(const std::string& drive)
{
    if (drive == "C:") return "Local Disk (C:)";
    if (drive == "Z:") return "Host Files (Z:)";
    return "Drive (" + drive + ")";
}

void AppendVisible(FolderNode* node, std::vector<FolderNode*>* rows)
{
    rows->push_back(node);
    if (!node->expanded()) return;
    for (const auto& child : node->Children()) AppendVisible(child.get(), rows);
}

}  // namespace

FolderNode::FolderNode(Kind kind, std::string name, FolderNode* parent)
    : kind_(kind), name_(std::move(name)), parent_(parent), depth_(parent ? parent->depth_ + 1 : 0)
{
    switch (kind_) {
    case Kind::Root: displayName_ = "My Computer"; break;
    case Kind::Drive: displayName_ = DriveDisplayName(name_); break;
    case Kind::Folder: displayName_ = name_; break;
    }
}

const std::vector<std::unique_ptr<FolderNode>>& FolderNode::Children()
{
    if (!listed_) List();
    return children_;
}

void FolderNode::SetExpanded(bool expanded)
{
    if (expanded) List();
    expanded_ = expanded && !children_.empty();
}

FolderNode* FolderNode::FindChild(const std::string& name)
{
    for (const auto& child : Children())
        if (strcasecmp(child->name_.c_str(), name.c_str()) == 0) return child.get();
    return nullptr;
}

ItemPath FolderNode::Path() const
{
    ItemPath path;
    for (const FolderNode* node = this; node && node->kind_ != Kind::Root; node = node->parent_)
        path.insert(path.begin(), node->name_);
    return path;
}

// Drives come from GetLogicalDrives, folders from FindFirstFileA; hidden
// folders are left out, as the platform's browser does.
void FolderNode::List()
{
    if (listed_) return;
    listed_ = true;
    if (kind_ == Kind::Root) {
        DWORD drives = GetLogicalDrives();
        for (int letter = 0; letter < 26; ++letter) {
            if (drives & (1u << letter))
                children_.push_back(std::make_unique<FolderNode>(Kind::Drive, std::string(1, char('A' + letter)) + ":", this));
        }
        return;
    }
    std::string pattern;
    if (!DosPath(&pattern)) return;
    if (pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        if (folder && !hidden && name != "." && name != "..")
            children_.push_back(std::make_unique<FolderNode>(Kind::Folder, name, this));
    } while (FindNextFileA(search, &data));
    FindClose(search);
    std::sort(children_.begin(), children_.end(), [](const auto& a, const auto& b) {
        return strcasecmp(a->name_.c_str(), b->name_.c_str()) < 0;
    });
}

std::vector<FolderNode*> VisibleNodes(FolderNode* root)
{
    std::vector<FolderNode*> rows;
    if (root) AppendVisible(root, &rows);
    return rows;
}

}  // namespace shell
