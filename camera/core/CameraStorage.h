// What the camera's commands read and change: its picture directory and its
// files. The virtual camera's card is one storage; a real camera reached
// through libgphoto2 is another, so the same camera code answers the
// protocol for both.
//
// Every method may be called from any thread.
#pragma once

#include <windef.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace camera {

using Bytes = std::vector<uint8_t>;
using SharedBytes = std::shared_ptr<const Bytes>;

// How a storage request ended, and what the camera makes of it.
enum class StorageResult {
    Ok,
    NotFound,  // no such file: the camera's error kCameraFileNotFound
    Failed,    // the storage could not do it: the camera's error kCameraStorageError
    Busy,      // not now: the camera stays silent and the driver's wait runs out (a time-out)
    Gone,      // the storage went away: silent as well; whoever plugged the camera in unplugs it
};

class CameraStorage {
public:
    virtual ~CameraStorage() = default;

    // The picture directory as it is now (blocks of 512 bytes: CameraCard.h);
    // the camera's size query asks for it.
    virtual StorageResult ListDirectory(SharedBytes* directory) = 0;
    // The directory as the last listing gave it, so that the blocks read
    // after a size query match that size; lists afresh when there was none.
    virtual StorageResult LastDirectory(SharedBytes* directory) = 0;
    // A whole file, by its 8.3 name without the dot ("S0000001JPG").
    virtual StorageResult FetchFile(const std::string& name, SharedBytes* content) = 0;
    virtual StorageResult RemoveFile(const std::string& name) = 0;
};

}  // namespace camera
