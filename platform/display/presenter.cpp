// Choice of the process's presenter.
#include <winplat/display.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

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

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The display the environment names, as a person would name it.
std::string NamedDisplay()
{
    std::string wayland = Variable("WAYLAND_DISPLAY");
    std::string x11 = Variable("DISPLAY");
    if (!wayland.empty() && !x11.empty()) return wayland + "\" or \"" + x11;
    return wayland.empty() ? x11 : wayland;
}

// A program whose windows cannot be shown has nothing to run on: it says
// why and ends, rather than sitting in a dialog nobody can see.
[[noreturn]] void NoDisplay(const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

Presenter* ChooseFromEnvironment()
{
    std::string forced = Variable("WINPLAT_DISPLAY");
    if (forced == "headless") return MakeHeadlessPresenter();
    if (forced != "sdl" && NamedDisplay().empty()) {
        NoDisplay("no display to show windows on (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    }
    std::string error;
    if (Presenter* sdl = MakeSdlPresenter(&error)) return sdl;
    std::string named = NamedDisplay();
    NoDisplay("cannot open display \"" + (named.empty() ? std::string("(none)") : named) + "\": " + error);
}

}  // namespace

Presenter& ThePresenter()
{
    std::lock_guard<std::mutex> guard(ChoiceLock());
    if (!Chosen()) Chosen() = ChooseFromEnvironment();
    return *Chosen();
}

void WakeThePresenter()
{
    Presenter* presenter;
    {
        std::lock_guard<std::mutex> guard(ChoiceLock());
        presenter = Chosen();
    }
    // Nothing waits in a presenter that has not been chosen yet.
    if (presenter) presenter->Wake();
}

bool SelectPresenter(const char* name)
{
    if (!name) return false;
    std::lock_guard<std::mutex> guard(ChoiceLock());
    if (Chosen()) return std::strcmp(Chosen()->Name(), name) == 0;
    if (std::strcmp(name, "headless") == 0) {
        Chosen() = MakeHeadlessPresenter();
    } else if (std::strcmp(name, "sdl") == 0) {
        Chosen() = MakeSdlPresenter(nullptr);
    }
    return Chosen() != nullptr;
}

}  // namespace winplat
