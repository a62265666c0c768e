#include "GphotoPlugging.h"

#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>

namespace gphoto {
namespace {

std::string RecordPath(const std::string& deviceName) { return RecordFolder() + "/" + deviceName + ".camera"; }

bool OneLine(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

std::string RecordFolder() { return winplat::RuntimeSubfolder("gphoto"); }

bool IsGphotoDeviceName(const std::string& name)
{
    const std::string prefix = kDevicePrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 3) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (i < prefix.size() ? std::toupper(c) != prefix[i] : !std::isdigit(c)) return false;
    }
    return true;
}

bool ReadRecord(const std::string& deviceName, CameraRecord* record)
{
    std::ifstream in(RecordPath(deviceName));
    return std::getline(in, record->model) && std::getline(in, record->port) &&
           std::getline(in, record->description) && std::getline(in, record->mark);
}

bool RecordPresent(const std::string& deviceName, const std::string& mark)
{
    CameraRecord record;
    return ReadRecord(deviceName, &record) && record.mark == mark;
}

bool PluggedCamera::PlugIn(const CameraRecord& record, std::string* error)
{
    Unplug();
    if (!OneLine(record.model) || !OneLine(record.port) || !OneLine(record.description)) {
        *error = "the model, port and description must each be one line";
        return false;
    }
    if (!claim_.Claim(kDevicePrefix, RecordFolder())) {
        *error = "no free device name";
        return false;
    }
    static std::atomic<unsigned> plugs{0};
    CameraRecord made = record;
    made.mark = std::to_string(getpid()) + "." + std::to_string(++plugs) + "." +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    // Written whole under another name first: the kernel driver never reads half a record.
    std::string path = RecordPath(deviceName()), partial = path + ".new";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << made.model << "\n" << made.port << "\n" << made.description << "\n" << made.mark << "\n";
        if (!out.flush()) {
            *error = "cannot write " + partial;
            claim_.Release();
            return false;
        }
    }
    winplat::StillImageDevice device{deviceName(), record.description, portName(), camera::kDriverClassId,
                                     static_cast<DWORD>(getpid())};
    if (rename(partial.c_str(), path.c_str()) != 0 || !winplat::AddStillImageDevice(device)) {
        *error = "cannot enter the camera in the still-image registry";
        unlink(partial.c_str());
        unlink(path.c_str());
        claim_.Release();
        return false;
    }
    record_ = made;
    return true;
}

void PluggedCamera::Unplug()
{
    if (!pluggedIn()) return;
    winplat::RemoveStillImageDevice(deviceName());
    unlink(RecordPath(deviceName()).c_str());
    claim_.Release();
}

}  // namespace gphoto
