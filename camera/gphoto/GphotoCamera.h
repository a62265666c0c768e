// One camera that libgphoto2 reaches, named by its model and port as
// libgphoto2 knows them ("Directory Browse" and "disk:/some/folder", or a
// USB camera's model and "usb:001,004").
//
// The camera is opened for each request and let go at its end
// (gp_camera_init ... gp_camera_exit), so another program using the camera
// through libgphoto2 is never kept waiting longer than one request. A
// request that finds the camera busy is tried again a few times within a
// bounded while. Every method may be called from any thread; requests run
// one at a time.
#pragma once

#include "../core/CameraStorage.h"

#include <ctime>
#include <mutex>
#include <string>
#include <vector>

namespace gphoto {

using camera::Bytes;
using camera::StorageResult;

// A file on the camera as its listing shows it.
struct PictureFile {
    std::string folder;  // "/DCIM/100PHOTO"
    std::string name;    // "IMG_0001.JPG"
    uint64_t size = 0;
    time_t mtime = 0;    // 0 when the camera does not say
};

enum class FileKind { Picture, Preview };

class GphotoCamera {
public:
    GphotoCamera(std::string model, std::string port);

    const std::string& model() const { return model_; }
    const std::string& port() const { return port_; }

    // Every JPEG file in every folder (by name: .jpg, .jpeg, .jpe), with its
    // size and time.
    StorageResult ListPictures(std::vector<PictureFile>* files);
    StorageResult Fetch(const PictureFile& file, FileKind kind, Bytes* content);
    StorageResult Delete(const PictureFile& file);

    // The model is one that libgphoto2 knows and the port one it offers.
    static bool Known(const std::string& model, const std::string& port, std::string* error);
    // False when the port is a folder ("disk:PATH") that is not there (any
    // other port cannot be told without asking the camera).
    static bool PortPresent(const std::string& port);
    // The cameras on the machine's ports now, as {model, port}, without
    // opening any of them (libgphoto2's auto-detection).
    static std::vector<std::pair<std::string, std::string>> Detect();

private:
    template <typename Request>
    StorageResult Run(Request request);
    StorageResult Classify(int result) const;

    std::string model_;
    std::string port_;
    std::mutex lock_;
};

// libgphoto2's result as text, for messages.
std::string ResultText(int result);
bool IsJpegFileName(const std::string& name);

}  // namespace gphoto
