// Test pictures in a host folder that libgphoto2's "Directory Browse" driver
// shows as a camera, and that camera plugged in as a still-image device (the
// test process plays camlink's part) and opened through the Still Image
// service, which loads the real driver module, which opens the real kernel
// driver gphotousb.
#pragma once

#include "../../core/CameraStorage.h"
#include "../GphotoPlugging.h"

#include <sti.h>

#include "EscapeProtocol.h"

#include <string>
#include <vector>

namespace gphoto_tests {

using camera::Bytes;

// A JPEG picture: TurboJPEG sampling (TJSAMP_...), optionally progressive.
Bytes Jpeg(int width, int height, int sampling, bool progressive, int seed);
// The picture with an EXIF block whose thumbnail (the camera's preview) is `thumbnail`.
Bytes WithExifThumbnail(const Bytes& picture, const Bytes& thumbnail);
// The picture followed by pattern bytes up to `size` (readers stop at its end).
Bytes PaddedTo(Bytes jpeg, size_t size, unsigned seed);
void WriteHostFile(const std::string& path, const Bytes& bytes);
Bytes ReadHostFile(const std::string& path);
bool HostFileExists(const std::string& path);

// The folder, plugged in as a "Directory Browse" camera.
class FolderCamera {
public:
    explicit FolderCamera(std::string folder, std::string description = "Marovane");
    bool PlugIn();
    void Unplug() { plug_.Unplug(); }
    const std::string& folder() const { return folder_; }
    std::string internalName() const { return plug_.deviceName(); }
    std::string Path(const std::string& relative) const { return folder_ + "/" + relative; }

private:
    std::string folder_;
    std::string description_;
    gphoto::PluggedCamera plug_;
};

struct DirectoryEntry {
    std::string name;
    DWORD size;
};

// The camera opened in data mode through the Still Image service.
class StiCamera {
public:
    explicit StiCamera(const std::string& internalName);
    ~StiCamera();
    bool opened() const { return device_ != nullptr; }

    HRESULT Directory(std::vector<DirectoryEntry>* entries);
    // ESC_READ_FILE of `length` bytes of the file "<name8>JPG" from its start.
    HRESULT ReadFile(const std::string& name8, DWORD length, Bytes* content);
    HRESULT Delete(const std::string& name8);

private:
    IStillImage* sti_ = nullptr;
    IStiDevice* device_ = nullptr;
};

}  // namespace gphoto_tests
