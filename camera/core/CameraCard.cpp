#include "CameraCard.h"

#include "../imaging/SamplePictures.h"
#include "../imaging/Thumbnails.h"
#include "../protocol/LinkProtocol.h"
#include "../protocol/UsbBlocks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace camera {
namespace {

void StampNow(PictureEntry* entry)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    entry->dosTime = static_cast<WORD>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    entry->dosDate = static_cast<WORD>((std::max(0, local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

bool IsJpegName(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".jpg" || ext == ".jpeg";
}

Bytes ReadHostFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Swap(const std::string& key, char first) { return key.empty() ? key : first + key.substr(1); }

}  // namespace

std::string CardName(const std::string& name)
{
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
    return key;
}

std::string NameFromCommand(const char (&szName)[12])
{
    const void* nul = memchr(szName, 0, sizeof szName);
    if (!nul) return "";
    return std::string(szName, static_cast<const char*>(nul));
}

StorageResult CameraCard::ListDirectory(SharedBytes* directory)
{
    *directory = Directory();
    return StorageResult::Ok;
}

StorageResult CameraCard::FetchFile(const std::string& name, SharedBytes* content)
{
    *content = File(name);
    return *content ? StorageResult::Ok : StorageResult::NotFound;
}

StorageResult CameraCard::RemoveFile(const std::string& name)
{
    return name.empty() || Delete(name) != kCameraOk ? StorageResult::NotFound : StorageResult::Ok;
}

void CameraCard::PutFile(const std::string& name, Bytes content)
{
    auto shared = std::make_shared<const Bytes>(std::move(content));
    std::lock_guard<std::mutex> guard(lock_);
    files_[CardName(name)] = std::move(shared);
}

SharedBytes CameraCard::File(const std::string& name) const
{
    std::lock_guard<std::mutex> guard(lock_);
    auto it = files_.find(CardName(name));
    return it == files_.end() ? nullptr : it->second;
}

std::vector<std::string> CameraCard::FileNames() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> names;
    for (const auto& file : files_) names.push_back(file.first);
    return names;
}

std::string CameraCard::NextPictureNumberLocked()
{
    char digits[16];
    snprintf(digits, sizeof digits, "%07d", nextNumber_++ % 10000000);
    return digits;
}

std::string CameraCard::AddPictureLocked(const std::string& number, Bytes jpeg, Bytes thumbnailFile)
{
    PictureEntry entry;
    entry.name = "S" + number;  // no size: Pictures() and Directory() take it from the file
    StampNow(&entry);
    files_[entry.name + "JPG"] = std::make_shared<const Bytes>(std::move(jpeg));
    files_["T" + number + "JPG"] = std::make_shared<const Bytes>(std::move(thumbnailFile));
    pictures_.push_back(entry);
    return entry.name;
}

std::string CameraCard::AddNumberedPicture(const std::string& number, Bytes jpeg)
{
    // Made outside the lock: a thumbnail takes a few milliseconds.
    Bytes thumbnail = MakeThumbnailFile(jpeg, "S" + number, std::min(kThumbnailFileLimit, jpeg.size()));
    if (thumbnail.empty()) return "";
    std::lock_guard<std::mutex> guard(lock_);
    return AddPictureLocked(number, std::move(jpeg), std::move(thumbnail));
}

std::string CameraCard::AddPicture(const Bytes& jpeg)
{
    std::string number;
    {
        std::lock_guard<std::mutex> guard(lock_);
        number = NextPictureNumberLocked();
    }
    return AddNumberedPicture(number, jpeg);
}

std::string CameraCard::AddPicture(Bytes jpeg, Bytes thumbnailFile)
{
    std::lock_guard<std::mutex> guard(lock_);
    return AddPictureLocked(NextPictureNumberLocked(), std::move(jpeg), std::move(thumbnailFile));
}

void CameraCard::AddSamplePictures(int count)
{
    for (int i = 0; i < count; ++i) {
        std::string number;
        {
            std::lock_guard<std::mutex> guard(lock_);
            number = NextPictureNumberLocked();
        }
        // Drawn and encoded outside the lock: that takes a while.
        AddNumberedPicture(number, MakeSamplePicture(std::stoi(number)));
    }
}

int CameraCard::AddPicturesFromFolder(const std::string& hostFolder, std::vector<std::string>* refused)
{
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(hostFolder, error)) {
        if (item.is_regular_file(error) && IsJpegName(item.path())) paths.push_back(item.path());
    }
    std::sort(paths.begin(), paths.end());
    int added = 0;
    for (const auto& path : paths) {
        if (AddPicture(ReadHostFile(path)).empty()) {
            if (refused) refused->push_back(path.string());
        } else {
            ++added;
        }
    }
    return added;
}

DWORD CameraCard::Delete(const std::string& name)
{
    std::string key = CardName(name);
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = pictures_.begin(); it != pictures_.end(); ++it) {
        std::string picture = it->name + "JPG";
        if (key != picture && key != Swap(picture, 'T')) continue;
        files_.erase(picture);
        files_.erase(Swap(picture, 'T'));
        pictures_.erase(it);
        return kCameraOk;
    }
    return files_.erase(key) ? kCameraOk : kCameraFileNotFound;
}

std::vector<PictureEntry> CameraCard::Pictures() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<PictureEntry> list = pictures_;
    for (PictureEntry& entry : list) {
        auto it = files_.find(entry.name + "JPG");
        entry.size = it == files_.end() ? 0 : static_cast<DWORD>(it->second->size());
    }
    return list;
}

size_t CameraCard::PictureCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return pictures_.size();
}

void CameraCard::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    files_.clear();
    pictures_.clear();
    countOverrides_.clear();
    nameOverrides_.clear();
}

DWORD CameraCard::DirectorySizeLocked() const
{
    size_t blocks = std::max<size_t>(1, (pictures_.size() + kEntriesPerBlock - 1) / kEntriesPerBlock);
    return static_cast<DWORD>(blocks * kDirectoryBlock);
}

DWORD CameraCard::DirectorySize() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return DirectorySizeLocked();
}

SharedBytes CameraCard::Directory() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<PictureEntry> entries = pictures_;
    for (PictureEntry& entry : entries) {
        auto file = files_.find(entry.name + "JPG");
        entry.size = file == files_.end() ? 0 : static_cast<DWORD>(file->second->size());
    }
    auto directory = std::make_shared<Bytes>(DirectoryBlocks(entries));
    for (const auto& override : countOverrides_) {
        size_t at = static_cast<size_t>(override.first) * kDirectoryBlock;
        if (override.first >= 0 && at < directory->size()) (*directory)[at + 10] = static_cast<uint8_t>(override.second);
    }
    for (const auto& shown : nameOverrides_) {
        if (shown.first >= entries.size()) continue;
        size_t block = shown.first / kEntriesPerBlock, slot = shown.first % kEntriesPerBlock;
        uint8_t* e = directory->data() + block * kDirectoryBlock + 12 + slot * kEntrySize;
        memset(e, 0, 8);
        memcpy(e, shown.second.data(), std::min<size_t>(8, shown.second.size()));
    }
    return directory;
}

Bytes DirectoryBlocks(const std::vector<PictureEntry>& pictures)
{
    size_t blocks = std::max<size_t>(1, (pictures.size() + kEntriesPerBlock - 1) / kEntriesPerBlock);
    Bytes directory(blocks * kDirectoryBlock, 0);
    for (size_t b = 0; b < blocks; ++b) {
        uint8_t* block = directory.data() + b * kDirectoryBlock;
        link::Put16(block, static_cast<uint16_t>(b));
        link::Put16(block + 2, static_cast<uint16_t>(blocks));
        link::Put16(block + 4, static_cast<uint16_t>(pictures.size()));
        memcpy(block + 6, "CDIR", 4);
        size_t first = b * kEntriesPerBlock;
        size_t count = std::min(kEntriesPerBlock, pictures.size() - std::min(pictures.size(), first));
        block[10] = static_cast<uint8_t>(count);
        for (size_t i = 0; i < count; ++i) {
            const PictureEntry& entry = pictures[first + i];
            uint8_t* e = block + 12 + i * kEntrySize;
            memcpy(e, entry.name.data(), std::min<size_t>(8, entry.name.size()));
            memcpy(e + 8, "JPG", 3);
            link::Put16(e + 12, entry.dosTime);
            link::Put16(e + 14, entry.dosDate);
            link::Put32(e + 16, entry.size);
        }
    }
    return directory;
}

void CameraCard::SetEntryName(size_t index, const Bytes& name)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (name.empty()) {
        nameOverrides_.erase(index);
    } else {
        nameOverrides_[index] = name;
    }
}

void CameraCard::SetBlockEntryCount(int block, int count)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (count < 0) {
        countOverrides_.erase(block);
    } else {
        countOverrides_[block] = std::min(count, 255);
    }
}

bool CameraCard::CorruptFile(const std::string& name, size_t offset, size_t length)
{
    std::lock_guard<std::mutex> guard(lock_);
    auto it = files_.find(CardName(name));
    if (it == files_.end()) return false;
    Bytes changed = *it->second;
    for (size_t i = offset; i < changed.size() && i - offset < length; ++i) changed[i] ^= 0xFF;
    it->second = std::make_shared<const Bytes>(std::move(changed));
    return true;
}

bool CameraCard::PatchFile(const std::string& name, size_t offset, const Bytes& bytes)
{
    std::lock_guard<std::mutex> guard(lock_);
    auto it = files_.find(CardName(name));
    if (it == files_.end()) return false;
    Bytes changed = *it->second;
    if (changed.size() < offset + bytes.size()) changed.resize(offset + bytes.size(), 0);
    std::copy(bytes.begin(), bytes.end(), changed.begin() + static_cast<ptrdiff_t>(offset));
    it->second = std::make_shared<const Bytes>(std::move(changed));
    return true;
}

}  // namespace camera
