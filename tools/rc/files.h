// Access to the files a script names: the script itself, included headers,
// bitmaps and icons. Behind an interface so that the parser can also run on
// scripts held in memory (tests, fuzzing).
#pragma once

#include <map>
#include <string>

namespace rc {

class FileReader {
public:
    virtual ~FileReader() = default;
    // Reads a whole file; false when it cannot be read.
    virtual bool Read(const std::string& path, std::string* contents) = 0;
    virtual bool Exists(const std::string& path) = 0;
};

class HostFileReader : public FileReader {
public:
    bool Read(const std::string& path, std::string* contents) override;
    bool Exists(const std::string& path) override;
};

// Files held in memory, by path.
class MemoryFileReader : public FileReader {
public:
    void Add(const std::string& path, std::string contents) { files_[path] = std::move(contents); }
    bool Read(const std::string& path, std::string* contents) override;
    bool Exists(const std::string& path) override { return files_.count(path) != 0; }

private:
    std::map<std::string, std::string> files_;
};

// "dir/name" joined with '/'; `name` may use backslashes as scripts do.
std::string JoinPath(const std::string& dir, const std::string& name);
std::string DirectoryOf(const std::string& path);
bool IsAbsolutePath(const std::string& path);

}  // namespace rc
