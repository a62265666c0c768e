// Looks at a real window on the X display, as a person would: finds the
// top-level window with a given title, saves its picture as PNG and tells
// whether the given points of it show something other than black.
//
//   desktop_probe TITLE PNG X,Y [X,Y ...]
//   exit 0: all points lit; 1: some point black; 2: no such window (yet);
//   3: no display or bad arguments
// The platform's header first: Xlib's macros (None, Status...) would
// clash with its names.
#include <winplat/display.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string WindowTitle(Display* display, Window window)
{
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

Window FindWindow(Display* display, Window parent, const std::string& title)
{
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            WindowTitle(display, children[i]) == title)
            found = children[i];
        if (!found) found = FindWindow(display, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

bool Grab(Display* display, Window window, winplat::Image* image)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    XImage* shot = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!shot) return false;
    *image = winplat::Image(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
            image->At(x, y) = 0xFF000000u | (static_cast<uint32_t>(XGetPixel(shot, x, y)) & 0xFFFFFFu);
    XDestroyImage(shot);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: desktop_probe TITLE PNG X,Y [X,Y ...]\n");
        return 3;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "desktop_probe: no X display\n");
        return 3;
    }
    Window window = FindWindow(display, DefaultRootWindow(display), argv[1]);
    winplat::Image image;
    bool grabbed = window && Grab(display, window, &image);
    XCloseDisplay(display);
    if (!grabbed) return 2;
    winplat::SavePng(image, argv[2]);
    int result = 0;
    for (int i = 3; i < argc; ++i) {
        int x = -1, y = -1;
        if (sscanf(argv[i], "%d,%d", &x, &y) != 2 || !image.Contains(x, y)) return 3;
        uint32_t pixel = image.At(x, y) & 0xFFFFFFu;
        printf("desktop_probe: (%d, %d) is #%06x\n", x, y, pixel);
        if (pixel == 0) result = 1;
    }
    return result;
}
