// Keeps the still-image devices in step with the cameras that are there:
// each look plugs in the cameras that came and unplugs those that went.
#pragma once

#include "../gphoto/GphotoPlugging.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace camlink {

using Camera = std::pair<std::string, std::string>;  // libgphoto2 model and port

class CameraWatch {
public:
    // `say` receives one line per camera plugged in or out.
    CameraWatch(std::string description, std::function<void(const std::string&)> say);

    // The cameras there now; plugs in and out to match. False when a camera
    // cannot be plugged in (said, and tried again at the next look).
    bool Update(const std::vector<Camera>& present);
    void UnplugAll();
    size_t count() const { return plugged_.size(); }

    // Whether a camera given on the command line is there: a folder camera's
    // folder exists, a USB camera shows on its port; others are taken as there.
    static bool Present(const Camera& camera, const std::vector<Camera>& detected);

private:
    std::string description_;
    std::function<void(const std::string&)> say_;
    std::map<Camera, std::unique_ptr<gphoto::PluggedCamera>> plugged_;
};

}  // namespace camlink
