// Choice of the process's presenter.
#include <winplat/display.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace winplat {
namespace {

std::mutex& ChoiceLock()
{
    static std::mutex lock;
    return lock;
}

Presenter*& Chosen()
{
    static Presenter* presenter = nullptr;  // lives until the process ends
    return presenter;
}

bool HasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

Presenter* ChooseFromEnvironment()
{
    const char* forced = std::getenv("WINPLAT_DISPLAY");
    if (forced && std::strcmp(forced, "headless") == 0) return MakeHeadlessPresenter();
    if ((forced && std::strcmp(forced, "sdl") == 0) || HasDisplay()) {
        if (Presenter* sdl = MakeSdlPresenter()) return sdl;
    }
    return MakeHeadlessPresenter();
}

}  // namespace

Presenter& ThePresenter()
{
    std::lock_guard<std::mutex> guard(ChoiceLock());
    if (!Chosen()) Chosen() = ChooseFromEnvironment();
    return *Chosen();
}

bool SelectPresenter(const char* name)
{
    if (!name) return false;
    std::lock_guard<std::mutex> guard(ChoiceLock());
    if (Chosen()) return std::strcmp(Chosen()->Name(), name) == 0;
    if (std::strcmp(name, "headless") == 0) {
        Chosen() = MakeHeadlessPresenter();
    } else if (std::strcmp(name, "sdl") == 0) {
        Chosen() = MakeSdlPresenter();
    }
    return Chosen() != nullptr;
}

}  // namespace winplat
