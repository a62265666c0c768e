// Draws snapfetch's icon as PNG files for the desktop's icon theme:
//
//   snapfetch_icons <folder> <size>...
//
// The folder is a host path; each size gives <folder>/snapfetch-<size>.png.
#include "Artwork.h"
#include "PngFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: snapfetch_icons <folder> <size>...\n");
        return 2;
    }
    std::string folder = argv[1];
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "snapfetch_icons: size %s is not between 16 and 1024\n", argv[i]);
            return 2;
        }
        std::string path = folder + "/snapfetch-" + std::to_string(size) + ".png";
        if (!art::WritePngFile(path, art::AppIcon(size))) {
            std::fprintf(stderr, "snapfetch_icons: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
