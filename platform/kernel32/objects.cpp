// The object table behind every handle of the stand-in.
#include <winplat/objects.h>

#include <mutex>
#include <unordered_map>

namespace winplat {
namespace {

// Handle values are multiples of 4 from 4 up; values are not reused until the
// counter wraps, so a stale handle is reported as invalid instead of reaching
// another object.
constexpr uintptr_t kFirstHandle = 4;
constexpr uintptr_t kLastHandle = (uintptr_t{1} << 30) - 4;

struct Table {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = kFirstHandle;
};

Table& table()
{
    static Table* instance = new Table;  // outlives every static destructor
    return *instance;
}

}  // namespace

HANDLE InsertObject(std::shared_ptr<KernelObject> object)
{
    if (!object) return nullptr;
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (uintptr_t tries = 0; tries < (kLastHandle >> 2); ++tries) {
        uintptr_t value = t.next;
        t.next = (t.next >= kLastHandle) ? kFirstHandle : t.next + 4;
        if (t.objects.emplace(value, object).second) return reinterpret_cast<HANDLE>(value);
    }
    return nullptr;
}

std::shared_ptr<KernelObject> LookupObject(HANDLE handle)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> RemoveObject(HANDLE handle)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

size_t CountObjects(ObjectKind kind)
{
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    size_t n = 0;
    for (const auto& entry : t.objects) {
        if (entry.second->Kind() == kind) ++n;
    }
    return n;
}

}  // namespace winplat
