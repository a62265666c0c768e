// The headless presenter: keeps each window's last picture in memory and
// never receives input from the host.
#include <winplat/display.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace winplat {
namespace {

class HeadlessPresenter : public Presenter {
public:
    const char* Name() const override { return "headless"; }

    void Open(uint32_t id, const WindowLook& look) override { windows_[id].look = look; }
    void Close(uint32_t id) override { windows_.erase(id); }
    void SetTitle(uint32_t id, const std::string& title) override { windows_[id].look.title = title; }
    void SetVisible(uint32_t id, bool visible) override { windows_[id].visible = visible; }
    void SetBounds(uint32_t id, int x, int y, int width, int height) override
    {
        WindowLook& look = windows_[id].look;
        look.x = x;
        look.y = y;
        look.width = width;
        look.height = height;
    }
    void SetIcon(uint32_t, const Image*) override {}
    void Present(uint32_t id, const Image& frame) override
    {
        Entry& e = windows_[id];
        e.frame = frame;
        e.presented = true;
    }
    bool Snapshot(uint32_t id, Image* frame) override
    {
        auto it = windows_.find(id);
        if (it == windows_.end() || !it->second.presented) return false;
        *frame = it->second.frame;
        return true;
    }
    bool ReadBack(uint32_t id, Image* frame) override { return Snapshot(id, frame); }
    void SetCursor(CursorShape) override {}

    bool WaitEvent(HostEvent* event, int timeoutMs) override
    {
        // No host input exists; a wait only ends early for Wake().
        std::unique_lock<std::mutex> guard(lock_);
        if (timeoutMs > 0 && !woken_) {
            wakeup_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return woken_; });
        }
        woken_ = false;
        event->kind = HostEvent::Kind::None;
        return false;
    }
    void Wake() override
    {
        {
            std::lock_guard<std::mutex> guard(lock_);
            woken_ = true;
        }
        wakeup_.notify_all();
    }
    bool Interactive() const override { return false; }

private:
    struct Entry {
        WindowLook look;
        bool visible = false;
        bool presented = false;
        Image frame;
    };
    std::map<uint32_t, Entry> windows_;
    std::mutex lock_;
    std::condition_variable wakeup_;
    bool woken_ = false;
};

}  // namespace

Presenter* MakeHeadlessPresenter() { return new HeadlessPresenter; }

}  // namespace winplat
