// The camera's memory card: files with 8.3 names and the picture directory.
//
// A file is named by its 8.3 name without the dot, 8 + 3 characters, as the
// commands carry it ("S0000001JPG"); names are kept in capitals and found in
// any letter case. A picture is a pair of files, the JPEG "Snnnnnnn" and its
// thumbnail file "Tnnnnnnn" (Thumbnails.h), with one directory entry.
//
// Directory: 512-byte blocks of up to 25 entries (little-endian):
//   block   0  2  block number          2  2  number of blocks
//           4  2  number of pictures    6  4  "CDIR"
//           10 1  entries in this block 11 1  zero
//           12 20 x n  entries
//   entry   0  8  picture name ("S...") 8  4  "JPG" and a NUL
//           12 2  DOS time added        14 2  DOS date added
//           16 4  picture file size
// The directory occupies whole blocks, at least one: its size is
// 512 x max(1, ceil(pictures / 25)).
//
// Every method may be called from any thread.
#pragma once

#include "CameraStorage.h"

#include <windef.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace camera {

constexpr size_t kDirectoryBlock = 512;
constexpr size_t kEntriesPerBlock = 25;
constexpr size_t kEntrySize = 20;

struct PictureEntry {
    std::string name;  // 8 characters, "S" first
    DWORD size = 0;    // bytes of the picture file
    WORD dosTime = 0;
    WORD dosDate = 0;
};

class CameraCard : public CameraStorage {
public:
    // The storage the camera's commands reach.
    StorageResult ListDirectory(SharedBytes* directory) override;
    StorageResult LastDirectory(SharedBytes* directory) override { return ListDirectory(directory); }
    StorageResult FetchFile(const std::string& name, SharedBytes* content) override;
    StorageResult RemoveFile(const std::string& name) override;

    // Any file, in or out of the directory.
    void PutFile(const std::string& name, Bytes content);
    SharedBytes File(const std::string& name) const;  // null when missing
    std::vector<std::string> FileNames() const;

    // A picture with the thumbnail file made from it; returns its 8-character
    // name, or "" when the bytes are not a JPEG that can be decoded.
    std::string AddPicture(const Bytes& jpeg);
    // A picture with a thumbnail file of the caller's making.
    std::string AddPicture(Bytes jpeg, Bytes thumbnailFile);
    // Generated pictures, each showing its own number.
    void AddSamplePictures(int count);
    // The JPEG files of a host folder (.jpg, .jpeg), by name; files that do
    // not decode are left out and named in *refused.
    int AddPicturesFromFolder(const std::string& hostFolder, std::vector<std::string>* refused);
    // What delete command 16 does: a picture's two files and its entry go
    // (either name of the pair); any other file goes alone. Returns the
    // camera's status: kCameraOk or kCameraFileNotFound.
    DWORD Delete(const std::string& name);
    std::vector<PictureEntry> Pictures() const;
    size_t PictureCount() const;
    void Clear();

    SharedBytes Directory() const;
    DWORD DirectorySize() const;

    // Faults of the card's content.
    // Block `block` reports `count` entries (up to 255) whatever it holds; a
    // negative count removes the override.
    void SetBlockEntryCount(int block, int count);
    // Inverts `length` bytes from `offset` (clipped to the file); false when
    // the file is missing.
    bool CorruptFile(const std::string& name, size_t offset, size_t length);
    bool PatchFile(const std::string& name, size_t offset, const Bytes& bytes);
    // The directory shows these 8 bytes as the name of the picture at
    // `index` (directory order), whatever they hold, while the files keep
    // their names: a camera that reports names it should not. An empty
    // `name` removes the override.
    void SetEntryName(size_t index, const Bytes& name);

private:
    std::string NextPictureNumberLocked();
    // Adds picture `number` with a thumbnail file made from it (outside the
    // lock); "" when the bytes are not a JPEG that can be decoded.
    std::string AddNumberedPicture(const std::string& number, Bytes jpeg);
    std::string AddPictureLocked(const std::string& number, Bytes jpeg, Bytes thumbnailFile);
    DWORD DirectorySizeLocked() const;

    mutable std::mutex lock_;
    std::map<std::string, SharedBytes> files_;
    std::vector<PictureEntry> pictures_;  // directory order
    std::map<int, int> countOverrides_;
    std::map<size_t, Bytes> nameOverrides_;
    int nextNumber_ = 1;
};

// The directory blocks of these pictures, in this order (sizes as given).
Bytes DirectoryBlocks(const std::vector<PictureEntry>& pictures);

// The key under which the card keeps a name: capitals, at most 11 characters.
std::string CardName(const std::string& name);
// The name carried in a command's 12-byte szName, or "" when it has no NUL.
std::string NameFromCommand(const char (&szName)[12]);

}  // namespace camera
