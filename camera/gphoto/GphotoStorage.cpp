#include "GphotoStorage.h"

#include "../core/CameraCard.h"
#include "../imaging/Thumbnails.h"
#include "PictureNames.h"

#include <algorithm>
#include <set>

namespace gphoto {
namespace {

// A picture as it is now: a changed file is another picture.
std::string Key(const PictureFile& file)
{
    return file.folder + "/" + file.name + "\n" + std::to_string(file.size) + "\n" + std::to_string(file.mtime);
}

void StampEntry(time_t mtime, camera::PictureEntry* entry)
{
    std::tm local{};
    if (mtime <= 0 || !localtime_r(&mtime, &local) || local.tm_year < 80) return;
    entry->dosTime = static_cast<WORD>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    entry->dosDate = static_cast<WORD>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

}  // namespace

GphotoStorage::GphotoStorage(std::shared_ptr<GphotoCamera> camera, std::function<bool()> plugged,
                             std::function<void()> onGone)
    : camera_(std::move(camera)), plugged_(std::move(plugged)), onGone_(std::move(onGone))
{
}

bool GphotoStorage::Plugged() { return !gone_ && (!plugged_ || plugged_()); }

StorageResult GphotoStorage::Report(StorageResult result)
{
    if (result == StorageResult::Gone && !gone_) {
        gone_ = true;
        if (onGone_) onGone_();
    }
    return result;
}

StorageResult GphotoStorage::ListLocked()
{
    std::vector<PictureFile> files;
    StorageResult result = camera_->ListPictures(&files);
    if (result != StorageResult::Ok) return result;
    // The directory's size field holds 32 bits; a bigger file is no JPEG of a camera.
    files.erase(std::remove_if(files.begin(), files.end(), [](const PictureFile& f) { return f.size > 0xFFFFFFFFull; }),
                files.end());
    std::vector<std::string> names = PictureNames(files);
    pictures_.clear();
    std::vector<camera::PictureEntry> entries;
    std::set<std::string> keys;
    for (size_t i = 0; i < files.size(); ++i) {
        pictures_.push_back({files[i], names[i]});
        keys.insert(Key(files[i]));
        camera::PictureEntry entry;
        entry.name = names[i];
        entry.size = static_cast<DWORD>(files[i].size);
        StampEntry(files[i].mtime, &entry);
        entries.push_back(entry);
    }
    directory_ = std::make_shared<const Bytes>(camera::DirectoryBlocks(entries));
    listed_ = true;
    // Thumbnails of pictures that are gone or changed are of no more use.
    for (auto it = thumbnails_.begin(); it != thumbnails_.end();) it = keys.count(it->first) ? std::next(it) : thumbnails_.erase(it);
    return StorageResult::Ok;
}

StorageResult GphotoStorage::ListDirectory(SharedBytes* directory)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!Plugged()) return Report(StorageResult::Gone);
    StorageResult result = ListLocked();
    if (result == StorageResult::Ok) *directory = directory_;
    return Report(result);
}

StorageResult GphotoStorage::LastDirectory(SharedBytes* directory)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!Plugged()) return Report(StorageResult::Gone);
    StorageResult result = listed_ ? StorageResult::Ok : ListLocked();
    if (result == StorageResult::Ok) *directory = directory_;
    return Report(result);
}

StorageResult GphotoStorage::FindLocked(const std::string& fileName, Picture* picture, bool* thumbnail)
{
    std::string name = camera::CardName(fileName);
    if (name.size() != 11 || (name[0] != 'S' && name[0] != 'T') || name.compare(8, 3, "JPG") != 0)
        return StorageResult::NotFound;
    *thumbnail = name[0] == 'T';
    // Built by appending: GCC 12 at -O3 takes "S" + a temporary for an
    // overlapping copy.
    std::string pictureName = name.substr(0, 8);
    pictureName[0] = 'S';
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt || !listed_) {
            StorageResult result = ListLocked();
            if (result != StorageResult::Ok) return result;
        }
        for (const Picture& p : pictures_) {
            if (p.name != pictureName) continue;
            *picture = p;
            return StorageResult::Ok;
        }
    }
    return StorageResult::NotFound;
}

StorageResult GphotoStorage::PictureLocked(const Picture& picture, SharedBytes* content)
{
    std::string key = Key(picture.file);
    if (fetched_ && fetchedKey_ == key) {
        *content = fetched_;
        return StorageResult::Ok;
    }
    // Only one picture is held at a time. Its memory serves the next one when
    // nobody reads from it any more: a picture's worth of fresh pages costs
    // more than the copy into them.
    std::shared_ptr<Bytes> bytes = fetched_ && fetched_.use_count() == 1 ? fetched_ : std::make_shared<Bytes>();
    fetched_.reset();
    fetchedKey_.clear();
    StorageResult result = camera_->Fetch(picture.file, FileKind::Picture, bytes.get());
    if (result != StorageResult::Ok) return result;
    fetchedKey_ = key;
    fetched_ = bytes;
    *content = bytes;
    return result;
}

StorageResult GphotoStorage::ThumbnailLocked(const Picture& picture, SharedBytes* content)
{
    std::string key = Key(picture.file);
    auto cached = thumbnails_.find(key);
    if (cached != thumbnails_.end()) {
        *content = cached->second;
        return StorageResult::Ok;
    }
    // The transfer program reads at most the picture's size of the file.
    size_t limit = std::min<size_t>(camera::kThumbnailFileLimit, picture.file.size);
    Bytes preview, file;
    StorageResult result = camera_->Fetch(picture.file, FileKind::Preview, &preview);
    if (result == StorageResult::Busy || result == StorageResult::Gone) return result;
    if (result == StorageResult::Ok) file = camera::ThumbnailFileFromPreview(preview, picture.name, picture.file.size, limit);
    if (file.empty()) {
        // No preview that can be read: made from the picture itself.
        SharedBytes whole;
        result = PictureLocked(picture, &whole);
        if (result != StorageResult::Ok) return result;
        file = camera::MakeThumbnailFile(*whole, picture.name, limit);
        if (file.empty()) return StorageResult::Failed;
    }
    auto shared = std::make_shared<const Bytes>(std::move(file));
    thumbnails_[key] = shared;
    *content = shared;
    return StorageResult::Ok;
}

StorageResult GphotoStorage::FetchFile(const std::string& name, SharedBytes* content)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!Plugged()) return Report(StorageResult::Gone);
    Picture picture;
    bool thumbnail = false;
    StorageResult result = FindLocked(name, &picture, &thumbnail);
    if (result == StorageResult::Ok)
        result = thumbnail ? ThumbnailLocked(picture, content) : PictureLocked(picture, content);
    return Report(result);
}

StorageResult GphotoStorage::RemoveFile(const std::string& name)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!Plugged()) return Report(StorageResult::Gone);
    Picture picture;
    bool thumbnail = false;
    StorageResult result = FindLocked(name, &picture, &thumbnail);
    if (result == StorageResult::Ok) result = camera_->Delete(picture.file);
    if (result == StorageResult::Ok || result == StorageResult::NotFound) {
        // Gone from the camera either way: out of the listing and the memory.
        std::string key = Key(picture.file);
        thumbnails_.erase(key);
        if (fetchedKey_ == key) fetched_.reset();
        pictures_.erase(std::remove_if(pictures_.begin(), pictures_.end(),
                                       [&](const Picture& p) { return p.name == picture.name; }),
                        pictures_.end());
    }
    return Report(result);
}

}  // namespace gphoto
