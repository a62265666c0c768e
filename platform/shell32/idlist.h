// Item identifier lists of the stand-in's shell: the path from "My
// Computer" to an item, one SHITEMID per step. An item's bytes after its
// size are a kind byte ('D' a drive, 'F' a folder) and the item's name in
// UTF-8 with a terminating NUL ("C:" for a drive). The empty list (only
// the terminating zero size) is "My Computer", which has no file-system
// path.
#pragma once

#include <shlobj.h>

#include <cstddef>
#include <string>
#include <vector>

namespace shell {

// The names from the root: {"C:", "WINDOWS", "TWAIN_32"}; empty for the root.
using ItemPath = std::vector<std::string>;

// An id list has no size of its own; 64 KiB bounds a damaged one.
constexpr size_t kMaxIdListBytes = 0x10000;

// A new list (allocated with the shell allocator) for the item; null when
// memory is short.
LPITEMIDLIST MakeIdList(const ItemPath& path);

// Reads at most `maxBytes` bytes of a list; false when the list is
// malformed (unknown kinds, unterminated names, sizes running past
// maxBytes, a folder before any drive).
bool ParseIdList(const void* list, size_t maxBytes, ItemPath* path);

// The DOS path of an item ("C:\", "C:\WINDOWS\TWAIN_32"); false for the
// root and for paths of MAX_PATH characters or more.
bool DosPathOf(const ItemPath& path, std::string* dosPath);

// Splits a DOS path into item names: "c:/windows\\twain_32\\" gives
// {"C:", "windows", "twain_32"} (the drive letter upper-cased); false when
// it does not start with a drive.
bool SplitDosPath(const std::string& dosPath, ItemPath* path);

}  // namespace shell
