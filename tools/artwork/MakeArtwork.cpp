// Draws snapfetch's artwork into a folder, for the resource script:
//
//   snapfetch_artwork <folder>
//
// The folder is a DOS path (the build passes Z: and the host path). Each
// button's bitmaps are named by its caption and the state letter, as the
// framework's bitmap buttons look for them.
#include "Artwork.h"

#include <cstdio>
#include <string>

namespace {

struct CaptionButtonArt {
    const char* caption;
    COLORREF accent;
    bool focused;  // has an F bitmap
};

const CaptionButtonArt kCaptionButtons[] = {
    {"EXIT", RGB(230, 50, 50), true},
    {"ACQUIRE", RGB(50, 210, 80), true},
    {"DELETE", RGB(245, 145, 25), true},
    {"SELECT", RGB(70, 170, 250), false},
};

struct ArrowArt {
    const char* caption;
    art::Arrow arrow;
};

const ArrowArt kArrows[] = {
    {"PREV", art::Arrow::Prev},
    {"NEXT", art::Arrow::Next},
    {"BACKWARD", art::Arrow::Backward},
    {"FORWARD", art::Arrow::Forward},
};

class Writer {
public:
    explicit Writer(std::string folder) : folder_(std::move(folder)) {}

    void Bitmap(const std::string& name, const art::Picture& picture, int bitsPerPixel)
    {
        if (!art::WriteBitmapFile(folder_ + "\\" + name, picture, bitsPerPixel)) Fail(name);
    }
    void Icon(const std::string& name, const std::vector<art::IconImage>& images)
    {
        if (!art::WriteIconFile(folder_ + "\\" + name, images)) Fail(name);
    }
    bool Failed() const { return failed_; }

private:
    void Fail(const std::string& name)
    {
        std::fprintf(stderr, "snapfetch_artwork: cannot write %s (too many colours, or no such folder)\n",
                     name.c_str());
        failed_ = true;
    }

    std::string folder_;
    bool failed_ = false;
};

void WriteButtons(Writer& out)
{
    using art::ButtonState;
    for (const CaptionButtonArt& b : kCaptionButtons) {
        std::string name = b.caption;
        out.Bitmap(name + "U.bmp", art::CaptionButton(b.caption, b.accent, ButtonState::Up), 8);
        out.Bitmap(name + "D.bmp", art::CaptionButton(b.caption, b.accent, ButtonState::Down), 8);
        if (b.focused) out.Bitmap(name + "F.bmp", art::CaptionButton(b.caption, b.accent, ButtonState::Focused), 8);
    }
    out.Bitmap("FROMDSCU.bmp", art::FromDscButton(ButtonState::Up), 8);
    out.Bitmap("FROMDSCD.bmp", art::FromDscButton(ButtonState::Down), 8);
    out.Bitmap("FROMDSCF.bmp", art::FromDscButton(ButtonState::Focused), 8);
    out.Bitmap("FROMDSCX.bmp", art::FromDscButton(ButtonState::Disabled), 8);
    for (const ArrowArt& a : kArrows) {
        std::string name = a.caption;
        out.Bitmap(name + "U.bmp", art::ArrowButton(a.arrow, ButtonState::Up), 4);
        out.Bitmap(name + "D.bmp", art::ArrowButton(a.arrow, ButtonState::Down), 4);
        out.Bitmap(name + "X.bmp", art::ArrowButton(a.arrow, ButtonState::Disabled), 4);
    }
    out.Bitmap("USBU.bmp", art::UsbButton(ButtonState::Up), 4);
    out.Bitmap("USBD.bmp", art::UsbButton(ButtonState::Down), 4);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: snapfetch_artwork <folder>\n");
        return 2;
    }
    Writer out(argv[1]);
    WriteButtons(out);
    out.Bitmap("frame.bmp", art::FilmFrame(false), 8);
    out.Bitmap("frame_selected.bmp", art::FilmFrame(true), 8);
    out.Icon("snapfetch.ico", {art::AppIcon(32), art::AppIcon(16)});
    return out.Failed() ? 1 : 0;
}
