// Waitable objects of the stand-in.
//
// All waitable objects share one lock and one condition variable: a change of
// any object's state wakes every waiter, which then rechecks its own objects.
// The programs here have a handful of threads, so this costs nothing and keeps
// waits on several objects simple and free of lost wake-ups.
#pragma once

#include <winplat/objects.h>

#include <condition_variable>
#include <mutex>

namespace winplat {

WINPLAT_EXPORT std::mutex& SyncLock();
WINPLAT_EXPORT std::condition_variable& SyncChanged();

class Waitable : public KernelObject {
public:
    // Both are called with SyncLock held.
    virtual bool IsSignalled() const = 0;
    // A wait has been satisfied by this object (auto-reset objects reset).
    virtual void OnWaitSatisfied() {}
};

class Event : public Waitable {
public:
    Event(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}
    ObjectKind Kind() const override { return ObjectKind::Event; }
    bool IsSignalled() const override { return signalled_; }
    void OnWaitSatisfied() override
    {
        if (!manualReset_) signalled_ = false;
    }
    // Called with SyncLock held; the caller notifies SyncChanged.
    void SetLocked() { signalled_ = true; }
    void ResetLocked() { signalled_ = false; }

private:
    bool manualReset_;
    bool signalled_;
};

}  // namespace winplat
