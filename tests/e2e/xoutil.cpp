// Probes for the end-to-end tests of brivane:
//   xoutil close WID   asks the window to close, as a window manager's close button does
//   xoutil grid WID    prints the 64x32 display of a 512x256 window, a line per row: '#' lit,
//                      '.' unlit, '?' for a cell that is not a plain white or black 8x8 square
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int closeWindow(Display* d, Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    return XSendEvent(d, w, False, NoEventMask, &e) == 0 ? 2 : 0;
}

int printGrid(Display* d, Window w)
{
    XWindowAttributes a{};
    XGetWindowAttributes(d, w, &a);
    XImage* img = a.width == 512 && a.height == 256
                      ? XGetImage(d, w, 0, 0, 512, 256, AllPlanes, ZPixmap)
                      : nullptr;
    if (img == nullptr) {
        std::fprintf(stderr, "xoutil: the window is %dx%d, not 512x256\n", a.width, a.height);
        return 2;
    }
    for (int i = 0; i < 64 * 32; i++) {
        int seen = 0; // 1 white, 2 black, more for anything else
        for (int j = 0; j < 64; j++) {
            const unsigned long p =
                XGetPixel(img, i % 64 * 8 + j % 8, i / 64 * 8 + j / 8) & 0xFFFFFF;
            seen |= p == 0xFFFFFF ? 1 : p == 0 ? 2 : 4;
        }
        std::printf("%c%s", seen == 1 ? '#' : seen == 2 ? '.' : '?', i % 64 == 63 ? "\n" : "");
    }
    XDestroyImage(img);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string cmd = argc == 3 ? argv[1] : "";
    Display* d = cmd == "close" || cmd == "grid" ? XOpenDisplay(nullptr) : nullptr;
    if (d == nullptr) {
        std::fputs("usage: xoutil close|grid WINDOW-ID (with a display)\n", stderr);
        return 2;
    }
    const auto w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
    const int rc = cmd == "close" ? closeWindow(d, w) : printGrid(d, w);
    XCloseDisplay(d);
    return rc;
}
