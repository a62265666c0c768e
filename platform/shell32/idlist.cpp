#include "idlist.h"

#include <cctype>
#include <cstring>

namespace shell {

namespace {

constexpr BYTE kDrive = 'D';
constexpr BYTE kFolder = 'F';
constexpr size_t kMaxItems = 256;

bool IsDriveName(const std::string& name)
{
    return name.size() == 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

}  // namespace

LPITEMIDLIST MakeIdList(const ItemPath& path)
{
    size_t total = sizeof(USHORT);
    for (const std::string& name : path) total += sizeof(USHORT) + 1 + name.size() + 1;
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(total));
    if (!bytes) return nullptr;
    BYTE* p = bytes;
    for (size_t i = 0; i < path.size(); ++i) {
        USHORT cb = static_cast<USHORT>(sizeof(USHORT) + 1 + path[i].size() + 1);
        std::memcpy(p, &cb, sizeof cb);
        p[2] = i == 0 ? kDrive : kFolder;
        std::memcpy(p + 3, path[i].c_str(), path[i].size() + 1);
        p += cb;
    }
    std::memset(p, 0, sizeof(USHORT));
    return reinterpret_cast<LPITEMIDLIST>(bytes);
}

bool ParseIdList(const void* list, size_t maxBytes, ItemPath* path)
{
    path->clear();
    if (!list) return false;
    const BYTE* bytes = static_cast<const BYTE*>(list);
    size_t offset = 0;
    for (;;) {
        USHORT cb = 0;
        if (maxBytes < sizeof cb || offset > maxBytes - sizeof cb) return false;
        std::memcpy(&cb, bytes + offset, sizeof cb);
        if (cb == 0) return true;
        if (cb < sizeof(USHORT) + 2 || cb > maxBytes - offset || path->size() >= kMaxItems) return false;
        const BYTE* item = bytes + offset + sizeof(USHORT);
        size_t itemSize = cb - sizeof(USHORT);
        const void* nul = std::memchr(item + 1, 0, itemSize - 1);
        if (!nul) return false;
        std::string name(reinterpret_cast<const char*>(item + 1), static_cast<const BYTE*>(nul) - (item + 1));
        BYTE expected = path->empty() ? kDrive : kFolder;
        if (item[0] != expected || name.empty()) return false;
        if (expected == kDrive && !IsDriveName(name)) return false;
        if (expected == kFolder && name.find_first_of("\\/") != std::string::npos) return false;
        path->push_back(std::move(name));
        offset += cb;
    }
}

bool DosPathOf(const ItemPath& path, std::string* dosPath)
{
    if (path.empty()) return false;
    std::string result = path[0] + "\\";
    for (size_t i = 1; i < path.size(); ++i) {
        if (i > 1) result += '\\';
        result += path[i];
    }
    if (result.size() >= MAX_PATH) return false;
    *dosPath = result;
    return true;
}

bool SplitDosPath(const std::string& dosPath, ItemPath* path)
{
    path->clear();
    if (dosPath.size() < 2 || !IsDriveName(dosPath.substr(0, 2))) return false;
    path->push_back(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(dosPath[0])))) + ":");
    size_t start = 2;
    while (start < dosPath.size()) {
        size_t end = dosPath.find_first_of("\\/", start);
        if (end == std::string::npos) end = dosPath.size();
        std::string name = dosPath.substr(start, end - start);
        if (name == "..") {
            if (path->size() > 1) path->pop_back();
        } else if (!name.empty() && name != ".") {
            path->push_back(name);
        }
        start = end + 1;
    }
    return true;
}

}  // namespace shell
