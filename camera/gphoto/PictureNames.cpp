#include "PictureNames.h"

#include <cctype>
#include <cstdio>
#include <set>

namespace gphoto {
namespace {

constexpr uint32_t kHashedRange = 1000000;  // "S0000000" to "S0999999"

bool Digits(const std::string& text, size_t from, size_t count, unsigned* value)
{
    *value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        *value = *value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

// Folder number and file number of a DCF picture.
bool DcfNumber(const PictureFile& file, uint32_t* number)
{
    std::string folder = file.folder.substr(file.folder.rfind('/') + 1);
    size_t dot = file.name.rfind('.');
    std::string base = file.name.substr(0, dot);
    unsigned folderNumber = 0, fileNumber = 0;
    if (folder.size() < 3 || folder.size() > 8 || base.size() != 8 || !Digits(folder, 0, 3, &folderNumber) || folderNumber < 100 ||
        !Digits(base, 4, 4, &fileNumber))
        return false;
    *number = folderNumber * 10000 + fileNumber;
    return true;
}

// FNV-1a: the same on every machine, so names survive sessions.
uint32_t Hash(const std::string& path, unsigned round)
{
    uint64_t h = 0xcbf29ce484222325ull;
    auto mix = [&](unsigned char c) {
        h ^= c;
        h *= 0x100000001b3ull;
    };
    for (unsigned char c : path) mix(c);
    for (unsigned r = round; r; r >>= 8) mix(static_cast<unsigned char>(r));
    return static_cast<uint32_t>(h % kHashedRange);
}

std::string Path(const PictureFile& file) { return file.folder + "/" + file.name; }

uint32_t FirstChoice(const PictureFile& file)
{
    uint32_t number = 0;
    return DcfNumber(file, &number) ? number : Hash(Path(file), 0);
}

std::string Name(uint32_t number)
{
    char text[16];
    snprintf(text, sizeof text, "S%07u", number);
    return text;
}

}  // namespace

std::vector<std::string> PictureNames(const std::vector<PictureFile>& files)
{
    std::vector<uint32_t> first;
    std::set<uint32_t> choices, taken;
    for (const PictureFile& file : files) {
        first.push_back(FirstChoice(file));
        choices.insert(first.back());
    }
    std::vector<std::string> names;
    for (size_t i = 0; i < files.size(); ++i) {
        uint32_t number = first[i];
        // Bounded: far fewer pictures than hashed names.
        for (unsigned round = 1; taken.count(number) && round < 4 * kHashedRange; ++round) {
            number = Hash(Path(files[i]), round);
            if (choices.count(number)) number = first[i];  // someone's first choice: keep looking
        }
        taken.insert(number);
        names.push_back(Name(number));
    }
    return names;
}

}  // namespace gphoto
