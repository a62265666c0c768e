// One clock behind GetTickCount, Sleep and every time-out, run at a settable
// scale so that tests take the platform's long waits in a fraction of the time.
#include <windows.h>
#include <winplat/host.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using RealClock = std::chrono::steady_clock;

struct Clock {
    std::mutex lock;
    double scale;
    RealClock::time_point realAnchor;
    double platformAnchorMs;  // platform milliseconds at realAnchor
};

double ScaleFromEnvironment()
{
    const char* text = std::getenv("WINPLAT_TIME_SCALE");
    if (!text || !*text) return 1.0;
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (end == text || !std::isfinite(value) || value <= 0.0) return 1.0;
    return value;
}

Clock& theClock()
{
    static Clock* instance = [] {
        auto* c = new Clock;
        c->scale = ScaleFromEnvironment();
        c->realAnchor = RealClock::now();
        // Start where the host's monotonic clock stands, like a tick count
        // that counts from boot.
        c->platformAnchorMs = static_cast<double>(
            std::chrono::duration_cast<std::chrono::milliseconds>(c->realAnchor.time_since_epoch()).count());
        return c;
    }();
    return *instance;
}

double PlatformMsLocked(Clock& c, RealClock::time_point now)
{
    double realMs = std::chrono::duration<double, std::milli>(now - c.realAnchor).count();
    return c.platformAnchorMs + realMs / c.scale;
}

}  // namespace

namespace winplat {

double TimeScale()
{
    Clock& c = theClock();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.scale;
}

void SetTimeScale(double scale)
{
    if (!(scale > 0.0) || !std::isfinite(scale)) return;
    Clock& c = theClock();
    std::lock_guard<std::mutex> guard(c.lock);
    RealClock::time_point now = RealClock::now();
    c.platformAnchorMs = PlatformMsLocked(c, now);
    c.realAnchor = now;
    c.scale = scale;
}

long long ScaledNanoseconds(DWORD ms)
{
    return static_cast<long long>(std::llround(static_cast<double>(ms) * 1e6 * TimeScale()));
}

}  // namespace winplat

DWORD WINAPI GetTickCount(void)
{
    Clock& c = theClock();
    std::lock_guard<std::mutex> guard(c.lock);
    double ms = PlatformMsLocked(c, RealClock::now());
    return static_cast<DWORD>(static_cast<unsigned long long>(ms));  // wraps like the platform's
}

void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::nanoseconds(winplat::ScaledNanoseconds(dwMilliseconds)));
}
