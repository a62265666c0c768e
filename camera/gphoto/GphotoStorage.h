// A real camera's storage as the camera's commands see it (CameraStorage.h):
// the picture directory lists every JPEG file on the camera, in every folder,
// in the order folder then name, under the names of PictureNames.h; "S"
// names read a whole picture and "T" names its thumbnail file; deleting
// either deletes the picture on the camera. Other files (RAW, video) are
// left out.
//
// The directory is listed afresh by each size query and its blocks are
// read from that listing. A picture is fetched from the camera once and
// served from memory for every piece of it the driver reads, until another
// picture is read. A thumbnail file is made from the camera's own preview of
// the picture (the picture itself when the camera offers none) and kept
// while the picture stays on the camera unchanged.
#pragma once

#include "GphotoCamera.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace gphoto {

using camera::SharedBytes;

class GphotoStorage : public camera::CameraStorage {
public:
    // `plugged` says whether the camera is still plugged in (asked before each
    // request); `onGone` runs once when the camera turns out to be gone.
    GphotoStorage(std::shared_ptr<GphotoCamera> camera, std::function<bool()> plugged,
                  std::function<void()> onGone);

    StorageResult ListDirectory(SharedBytes* directory) override;
    StorageResult LastDirectory(SharedBytes* directory) override;
    StorageResult FetchFile(const std::string& name, SharedBytes* content) override;
    StorageResult RemoveFile(const std::string& name) override;

private:
    struct Picture {
        PictureFile file;
        std::string name;  // "S" and 7 digits
    };

    StorageResult ListLocked();
    // The picture of a file name ("S...JPG" or "T...JPG"), listing the camera
    // again when the last listing does not have it.
    StorageResult FindLocked(const std::string& fileName, Picture* picture, bool* thumbnail);
    StorageResult ThumbnailLocked(const Picture& picture, SharedBytes* content);
    StorageResult PictureLocked(const Picture& picture, SharedBytes* content);
    StorageResult Report(StorageResult result);
    bool Plugged();

    std::shared_ptr<GphotoCamera> camera_;
    std::function<bool()> plugged_;
    std::function<void()> onGone_;
    bool gone_ = false;
    std::mutex lock_;
    bool listed_ = false;
    std::vector<Picture> pictures_;
    SharedBytes directory_;
    std::string fetchedKey_;  // the picture held in memory
    std::shared_ptr<Bytes> fetched_;
    std::map<std::string, SharedBytes> thumbnails_;  // by picture key
};

}  // namespace gphoto
