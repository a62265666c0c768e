#include "GphotoCamera.h"

#include <winplat/host.h>

#include <gphoto2/gphoto2.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

namespace gphoto {
namespace {

constexpr int kBusyAttempts = 4;
constexpr unsigned kBusyPauseMs = 250;  // platform milliseconds between attempts
constexpr int kDeepestFolder = 16;      // a folder loop (a link to a parent) ends here

// The lists of camera models and ports, loaded once for the process:
// loading every camera library takes a good part of a second.
struct Catalogue {
    std::mutex lock;
    CameraAbilitiesList* models = nullptr;
    GPPortInfoList* ports = nullptr;
};

Catalogue& Loaded()
{
    static Catalogue* catalogue = [] {
        auto* c = new Catalogue;  // kept for the process: libgphoto2 may still use it at exit
        GPContext* context = gp_context_new();
        if (gp_abilities_list_new(&c->models) == GP_OK) gp_abilities_list_load(c->models, context);
        if (gp_port_info_list_new(&c->ports) == GP_OK) gp_port_info_list_load(c->ports);
        gp_context_unref(context);
        return c;
    }();
    return *catalogue;
}

// Finds the model and the port; USB ports that came after the list was
// loaded are found by loading it again.
int LookUp(const std::string& model, const std::string& port, CameraAbilities* abilities, GPPortInfo* info)
{
    Catalogue& c = Loaded();
    std::lock_guard<std::mutex> guard(c.lock);
    if (!c.models || !c.ports) return GP_ERROR_LIBRARY;
    int m = gp_abilities_list_lookup_model(c.models, model.c_str());
    if (m < 0) return GP_ERROR_MODEL_NOT_FOUND;
    int p = gp_port_info_list_lookup_path(c.ports, port.c_str());
    if (p < 0) {
        GPPortInfoList* fresh = nullptr;
        if (gp_port_info_list_new(&fresh) == GP_OK && gp_port_info_list_load(fresh) == GP_OK) {
            gp_port_info_list_free(c.ports);
            c.ports = fresh;
            fresh = nullptr;
            p = gp_port_info_list_lookup_path(c.ports, port.c_str());
        }
        if (fresh) gp_port_info_list_free(fresh);
    }
    if (p < 0) return GP_ERROR_UNKNOWN_PORT;
    int result = gp_abilities_list_get_abilities(c.models, m, abilities);
    return result < 0 ? result : gp_port_info_list_get_info(c.ports, p, info);
}

// The camera, open for one request.
class Session {
public:
    Session() : context_(gp_context_new()) {}
    ~Session()
    {
        if (camera_) {
            if (initialised_) gp_camera_exit(camera_, context_);
            gp_camera_unref(camera_);
        }
        if (context_) gp_context_unref(context_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int Open(const std::string& model, const std::string& port)
    {
        CameraAbilities abilities;
        GPPortInfo info;
        int result = LookUp(model, port, &abilities, &info);
        if (result < 0) return result;
        if ((result = gp_camera_new(&camera_)) < 0) return result;
        if ((result = gp_camera_set_abilities(camera_, abilities)) < 0) return result;
        if ((result = gp_camera_set_port_info(camera_, info)) < 0) return result;
        result = gp_camera_init(camera_, context_);
        initialised_ = result >= 0;
        return result;
    }

    Camera* camera() { return camera_; }
    GPContext* context() { return context_; }

private:
    Camera* camera_ = nullptr;
    GPContext* context_ = nullptr;
    bool initialised_ = false;
};

bool IsBusy(int result)
{
    return result == GP_ERROR_CAMERA_BUSY || result == GP_ERROR_IO_USB_CLAIM || result == GP_ERROR_IO_LOCK;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

int ListFolder(Session& session, const std::string& folder, int depth, std::vector<PictureFile>* files)
{
    CameraList* list = nullptr;
    int result = gp_list_new(&list);
    if (result < 0) return result;
    result = gp_camera_folder_list_files(session.camera(), folder.c_str(), list, session.context());
    for (int i = 0; result >= 0 && i < gp_list_count(list); ++i) {
        const char* name = nullptr;
        gp_list_get_name(list, i, &name);
        if (!name || !IsJpegFileName(name)) continue;
        CameraFileInfo info{};
        result = gp_camera_file_get_info(session.camera(), folder.c_str(), name, &info, session.context());
        if (result < 0) break;
        PictureFile file{folder, name, 0, 0};
        if (info.file.fields & GP_FILE_INFO_SIZE) file.size = info.file.size;
        if (info.file.fields & GP_FILE_INFO_MTIME) file.mtime = info.file.mtime;
        files->push_back(file);
    }
    std::vector<std::string> folders;
    if (result >= 0) {
        gp_list_reset(list);
        result = gp_camera_folder_list_folders(session.camera(), folder.c_str(), list, session.context());
        for (int i = 0; result >= 0 && i < gp_list_count(list); ++i) {
            const char* name = nullptr;
            gp_list_get_name(list, i, &name);
            if (name) folders.push_back(Join(folder, name));
        }
    }
    gp_list_free(list);
    for (size_t i = 0; result >= 0 && depth < kDeepestFolder && i < folders.size(); ++i)
        result = ListFolder(session, folders[i], depth + 1, files);
    return result;
}

}  // namespace

std::string ResultText(int result) { return gp_result_as_string(result); }

bool IsJpegFileName(const std::string& name)
{
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "jpg" || ext == "jpeg" || ext == "jpe";
}

GphotoCamera::GphotoCamera(std::string model, std::string port) : model_(std::move(model)), port_(std::move(port)) {}

bool GphotoCamera::Known(const std::string& model, const std::string& port, std::string* error)
{
    CameraAbilities abilities;
    GPPortInfo info;
    int result = LookUp(model, port, &abilities, &info);
    if (result == GP_ERROR_MODEL_NOT_FOUND) *error = "libgphoto2 knows no camera model \"" + model + "\"";
    if (result == GP_ERROR_UNKNOWN_PORT) *error = "libgphoto2 offers no port \"" + port + "\"";
    if (result < 0 && error->empty()) *error = ResultText(result);
    return result >= 0;
}

bool GphotoCamera::PortPresent(const std::string& port)
{
    struct stat info{};
    return port.rfind("disk:", 0) != 0 || (stat(port.c_str() + 5, &info) == 0 && S_ISDIR(info.st_mode));
}

std::vector<std::pair<std::string, std::string>> GphotoCamera::Detect()
{
    std::vector<std::pair<std::string, std::string>> found;
    Catalogue& c = Loaded();
    std::lock_guard<std::mutex> guard(c.lock);
    // A fresh port list: cameras plugged in since the last look show in it.
    GPPortInfoList* fresh = nullptr;
    CameraList* list = nullptr;
    GPContext* context = gp_context_new();
    if (c.models && gp_port_info_list_new(&fresh) == GP_OK && gp_port_info_list_load(fresh) == GP_OK &&
        gp_list_new(&list) == GP_OK && gp_abilities_list_detect(c.models, fresh, list, context) == GP_OK) {
        for (int i = 0; i < gp_list_count(list); ++i) {
            const char *model = nullptr, *port = nullptr;
            gp_list_get_name(list, i, &model);
            gp_list_get_value(list, i, &port);
            // The generic USB port stands for "some USB device", not a camera.
            if (model && port && std::string(port) != "usb:") found.emplace_back(model, port);
        }
    }
    if (list) gp_list_free(list);
    if (fresh) {
        gp_port_info_list_free(c.ports);
        c.ports = fresh;
    }
    gp_context_unref(context);
    return found;
}

// Runs one request on a freshly opened camera; a busy camera is asked again
// after a pause, a few times.
template <typename Request>
StorageResult GphotoCamera::Run(Request request)
{
    std::lock_guard<std::mutex> guard(lock_);
    int result = GP_OK;
    for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
        if (attempt) std::this_thread::sleep_for(std::chrono::nanoseconds(winplat::ScaledNanoseconds(kBusyPauseMs)));
        Session session;
        result = session.Open(model_, port_);
        if (result >= 0) result = request(session);
        if (!IsBusy(result)) break;
    }
    return Classify(result);
}

StorageResult GphotoCamera::Classify(int result) const
{
    if (result >= 0) return StorageResult::Ok;
    // A folder camera whose folder went away is gone, whatever the error.
    if (!PortPresent(port_)) return StorageResult::Gone;
    switch (result) {
        case GP_ERROR_FILE_NOT_FOUND:
        case GP_ERROR_DIRECTORY_NOT_FOUND: return StorageResult::NotFound;
        case GP_ERROR_CAMERA_BUSY:
        case GP_ERROR_IO_USB_CLAIM:
        case GP_ERROR_IO_LOCK:
        case GP_ERROR_TIMEOUT: return StorageResult::Busy;
        case GP_ERROR_IO_USB_FIND:
        case GP_ERROR_IO_INIT:
        case GP_ERROR_MODEL_NOT_FOUND:
        case GP_ERROR_UNKNOWN_PORT: return StorageResult::Gone;
        default: return StorageResult::Failed;
    }
}

StorageResult GphotoCamera::ListPictures(std::vector<PictureFile>* files)
{
    files->clear();
    StorageResult result = Run([&](Session& session) {
        files->clear();
        return ListFolder(session, "/", 0, files);
    });
    // A stable order: folder, then name.
    std::sort(files->begin(), files->end(), [](const PictureFile& a, const PictureFile& b) {
        return a.folder != b.folder ? a.folder < b.folder : a.name < b.name;
    });
    return result;
}

StorageResult GphotoCamera::Fetch(const PictureFile& file, FileKind kind, Bytes* content)
{
    return Run([&](Session& session) {
        ::CameraFile* data = nullptr;
        int result = gp_file_new(&data);
        if (result < 0) return result;
        CameraFileType type = kind == FileKind::Preview ? GP_FILE_TYPE_PREVIEW : GP_FILE_TYPE_NORMAL;
        result = gp_camera_file_get(session.camera(), file.folder.c_str(), file.name.c_str(), type, data,
                                    session.context());
        const char* bytes = nullptr;
        unsigned long size = 0;
        if (result >= 0) result = gp_file_get_data_and_size(data, &bytes, &size);
        if (result >= 0) content->assign(reinterpret_cast<const uint8_t*>(bytes), reinterpret_cast<const uint8_t*>(bytes) + size);
        gp_file_unref(data);
        return result;
    });
}

StorageResult GphotoCamera::Delete(const PictureFile& file)
{
    return Run([&](Session& session) {
        return gp_camera_file_delete(session.camera(), file.folder.c_str(), file.name.c_str(), session.context());
    });
}

}  // namespace gphoto
