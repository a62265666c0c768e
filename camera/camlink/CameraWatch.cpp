#include "CameraWatch.h"

#include <sys/stat.h>

#include <algorithm>

namespace camlink {

CameraWatch::CameraWatch(std::string description, std::function<void(const std::string&)> say)
    : description_(std::move(description)), say_(std::move(say))
{
}

bool CameraWatch::Update(const std::vector<Camera>& present)
{
    for (auto it = plugged_.begin(); it != plugged_.end();) {
        if (std::find(present.begin(), present.end(), it->first) != present.end()) {
            ++it;
            continue;
        }
        say_("\"" + it->first.first + "\" on " + it->first.second + " went away: unplugged " +
             it->second->portName());
        it = plugged_.erase(it);
    }
    bool allPlugged = true;
    for (const Camera& camera : present) {
        if (plugged_.count(camera)) continue;
        auto plug = std::make_unique<gphoto::PluggedCamera>();
        std::string error;
        if (!plug->PlugIn({camera.first, camera.second, description_, ""}, &error)) {
            say_("cannot plug in \"" + camera.first + "\" on " + camera.second + ": " + error);
            allPlugged = false;
            continue;
        }
        say_("\"" + camera.first + "\" on " + camera.second + " plugged in as \"" + description_ + "\" on " +
             plug->portName() + " (internal name " + plug->deviceName() + ")");
        plugged_[camera] = std::move(plug);
    }
    return allPlugged;
}

void CameraWatch::UnplugAll()
{
    for (auto& entry : plugged_) say_("unplugged " + entry.second->portName());
    plugged_.clear();
}

bool CameraWatch::Present(const Camera& camera, const std::vector<Camera>& detected)
{
    const std::string& port = camera.second;
    if (port.rfind("disk:", 0) == 0) {
        struct stat info{};
        return stat(port.c_str() + 5, &info) == 0 && S_ISDIR(info.st_mode);
    }
    if (port.rfind("usb:", 0) == 0) {
        return std::any_of(detected.begin(), detected.end(), [&](const Camera& c) { return c.second == port; });
    }
    return true;
}

}  // namespace camlink
