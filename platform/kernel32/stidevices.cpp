// The still-image device registry: one text file per plugged-in device.
//
// Files are named after the hex form of the internal name, so that any name
// (letter case, blanks, backslashes) maps to a distinct, safe file name. An
// entry is written to a temporary file first and then linked or renamed into
// place, so a reader never sees half an entry.
#include <winplat/host.h>
#include <winplat/stidevices.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace winplat {
namespace {

constexpr const char* kSuffix = ".dev";

struct Entry {
    StillImageDevice device;
    unsigned long long ownerStart = 0;  // guards against a reused process id
    long long plugged = 0;              // wall-clock nanoseconds: the registry order
};

std::string Folder() { return RuntimeSubfolder("stillimage"); }

std::string FileFor(const std::string& internalName)
{
    return Folder() + "/" + StillImageFileName(internalName) + kSuffix;
}

std::string Escape(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char next = value[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

// State letter and start time of a process from /proc; false if it is gone.
bool ReadProcessStat(DWORD pid, char* state, unsigned long long* start)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return false;
    size_t paren = text.rfind(')');  // the command name may hold blanks and parentheses
    if (paren == std::string::npos) return false;
    std::istringstream fields(text.substr(paren + 1));
    std::string field;
    fields >> *state;
    // Fields 4 to 21 come before the start time (field 22).
    for (int i = 4; i <= 21 && fields >> field; ++i) {
    }
    if (!(fields >> *start)) *start = 0;
    return true;
}

unsigned long long ProcessStart(DWORD pid)
{
    char state = 0;
    unsigned long long start = 0;
    return ReadProcessStat(pid, &state, &start) ? start : 0;
}

bool OwnerAlive(const Entry& entry)
{
    DWORD pid = entry.device.ownerProcess;
    if (pid == 0) return true;  // an entry without owner is never dropped
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    char state = 0;
    unsigned long long start = 0;
    if (!ReadProcessStat(pid, &state, &start)) return true;  // no /proc: trust kill()
    if (state == 'Z' || state == 'X') return false;          // killed, not yet reaped
    return entry.ownerStart == 0 || start == 0 || start == entry.ownerStart;
}

std::string Format(const Entry& entry)
{
    std::ostringstream out;
    out << "internalName=" << Escape(entry.device.internalName) << "\n"
        << "description=" << Escape(entry.device.description) << "\n"
        << "portName=" << Escape(entry.device.portName) << "\n"
        << "classId=" << Escape(entry.device.classId) << "\n"
        << "ownerProcess=" << entry.device.ownerProcess << "\n"
        << "ownerStart=" << entry.ownerStart << "\n"
        << "plugged=" << entry.plugged << "\n";
    return out.str();
}

// The text of a regular file, read without following a symbolic link.
bool ReadPlainFile(const std::string& path, std::string* text)
{
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool plain = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[1024];
    ssize_t n = 0;
    while (plain && (n = read(fd, buffer, sizeof buffer)) > 0) text->append(buffer, static_cast<size_t>(n));
    close(fd);
    return plain && n == 0;
}

bool Parse(const std::string& path, Entry* entry)
{
    std::string text;
    if (!ReadPlainFile(path, &text)) return false;
    std::istringstream in(text);
    std::string line;
    bool named = false;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        std::string value = Unescape(line.substr(eq + 1));
        if (key == "internalName") {
            entry->device.internalName = value;
            named = true;
        } else if (key == "description") {
            entry->device.description = value;
        } else if (key == "portName") {
            entry->device.portName = value;
        } else if (key == "classId") {
            entry->device.classId = value;
        } else if (key == "ownerProcess") {
            entry->device.ownerProcess = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
        } else if (key == "ownerStart") {
            entry->ownerStart = std::strtoull(value.c_str(), nullptr, 10);
        } else if (key == "plugged") {
            entry->plugged = std::strtoll(value.c_str(), nullptr, 10);
        }
    }
    return named;
}

// A new file of a random name, made exclusively with mode 0600: nothing that
// already stands at a name is opened, followed or replaced.
std::string WriteTemporary(const Entry& entry)
{
    std::string path = Folder() + "/.tmp-XXXXXX";
    int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return "";
    std::string text = Format(entry);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (close(fd) != 0 || done < text.size()) {
        unlink(path.c_str());
        return "";
    }
    return path;
}

long long WallClockNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

}  // namespace

std::string StillImageFileName(const std::string& internalName)
{
    static const char digits[] = "0123456789abcdef";
    std::string name;
    for (unsigned char c : internalName) {
        name += digits[c >> 4];
        name += digits[c & 15];
    }
    return name.empty() ? "_" : name;
}

bool AddStillImageDevice(const StillImageDevice& device)
{
    Entry entry{device, ProcessStart(device.ownerProcess), WallClockNanoseconds()};
    std::string final = FileFor(device.internalName);
    std::string temporary = WriteTemporary(entry);
    if (temporary.empty()) return false;
    // link() claims the name only if nobody holds it; a live holder wins.
    if (link(temporary.c_str(), final.c_str()) == 0) {
        unlink(temporary.c_str());
        return true;
    }
    Entry existing;
    if (errno != EEXIST || (Parse(final, &existing) && OwnerAlive(existing))) {
        unlink(temporary.c_str());
        return false;
    }
    // The holder has ended: take its place, then make sure no other process
    // replaced it at the same moment. Only a plain file of ours is replaced.
    struct stat st;
    if (lstat(final.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), final.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    Entry written;
    return Parse(final, &written) && written.device.ownerProcess == device.ownerProcess &&
           written.plugged == entry.plugged;
}

bool RemoveStillImageDevice(const std::string& internalName)
{
    return unlink(FileFor(internalName).c_str()) == 0;
}

std::vector<StillImageDevice> ListStillImageDevices()
{
    std::string folder = Folder();
    std::vector<Entry> entries;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* item = readdir(dir)) {
            std::string name = item->d_name;
            if (name[0] == '.' || name.size() <= 4 || name.compare(name.size() - 4, 4, kSuffix) != 0) continue;
            std::string path = folder + "/" + name;
            Entry entry;
            if (!Parse(path, &entry)) continue;
            // An entry left by a killed process stays on disk until its name
            // is taken again; removing it here could race with that.
            if (OwnerAlive(entry)) entries.push_back(entry);
        }
        closedir(dir);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.plugged != b.plugged ? a.plugged < b.plugged : a.device.internalName < b.device.internalName;
    });
    std::vector<StillImageDevice> devices;
    for (const Entry& entry : entries) devices.push_back(entry.device);
    return devices;
}

}  // namespace winplat
