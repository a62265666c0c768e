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

    // Only the pictures are kept: nothing here shows a window's look.
    void Open(uint32_t, const WindowLook&) override {}
    void Close(uint32_t id) override { frames_.erase(id); }
    void SetTitle(uint32_t, const std::string&) override {}
    void SetVisible(uint32_t, bool) override {}
    void SetBounds(uint32_t, int, int, int, int) override {}
    void SetIcon(uint32_t, const Image*) override {}
    void Present(uint32_t id, const Image& frame) override { frames_[id] = frame; }
    // A window has a picture once it has been presented.
    bool Snapshot(uint32_t id, Image* frame) override
    {
        auto it = frames_.find(id);
        if (it == frames_.end()) return false;
        *frame = it->second;
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
    void Activate(uint32_t) override {}
    // A fixed screen, so that headless pictures are the same everywhere.
    RECT ScreenBounds() override { return RECT{0, 0, kScreenWidth, kScreenHeight}; }

private:
    std::map<uint32_t, Image> frames_;  // each window's last presented picture
    std::mutex lock_;
    std::condition_variable wakeup_;
    bool woken_ = false;
};

}  // namespace

Presenter* MakeHeadlessPresenter() { return new HeadlessPresenter; }

}  // namespace winplat
