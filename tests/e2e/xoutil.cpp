// Probes for the end-to-end tests of brivane:
//   xoutil close WID   asks the window to close, as a window manager's close button does
//   xoutil grid WID    prints the 64x32 display, a line per row: '#' lit, '.' unlit, '?' for a
//                      cell that is not a plain white or black 8x8 square
//   xoutil beeps FILE  prints the length in ms of each beep of a raw S16LE stereo 22050 Hz
//                      recording, one per line; gaps under 30 ms belong to the beep
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

int fail(const char* why)
{
    std::fprintf(stderr, "xoutil: %s\n", why);
    return 2;
}

int closeWindow(Display* d, Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    return XSendEvent(d, w, False, NoEventMask, &e) == 0 ? fail("XSendEvent failed") : 0;
}

int printGrid(Display* d, Window w)
{
    XWindowAttributes a{};
    XGetWindowAttributes(d, w, &a);
    if (a.width != 512 || a.height != 256) {
        std::fprintf(stderr, "xoutil: the window is %dx%d, not 512x256\n", a.width, a.height);
        return 2;
    }
    XImage* img = XGetImage(d, w, 0, 0, 512, 256, AllPlanes, ZPixmap);
    if (img == nullptr) {
        return fail("XGetImage failed");
    }
    std::string out;
    for (int r = 0; r < 32; r++) {
        for (int c = 0; c < 64; c++) {
            int seen = 0; // 1 white, 2 black, more for anything else
            for (int i = 0; i < 64; i++) {
                const unsigned long p = XGetPixel(img, c * 8 + i % 8, r * 8 + i / 8) & 0xFFFFFF;
                seen |= p == 0xFFFFFF ? 1 : p == 0 ? 2 : 4;
            }
            out += seen == 1 ? '#' : seen == 2 ? '.' : '?';
        }
        out += '\n';
    }
    XDestroyImage(img);
    std::fputs(out.c_str(), stdout);
    return 0;
}

void printBeeps(const char* path)
{
    constexpr long RATE = 22050, GAP = RATE * 30 / 1000;
    std::ifstream f(path, std::ios::binary);
    long frame = 0, start = -1, last = -GAP - 1;
    unsigned char b[4];
    for (; f.read(reinterpret_cast<char*>(b), 4); frame++) {
        const auto left = static_cast<short>(static_cast<unsigned short>(b[0] | b[1] << 8));
        const auto right = static_cast<short>(static_cast<unsigned short>(b[2] | b[3] << 8));
        if (std::abs(left) > 500 || std::abs(right) > 500) {
            if (frame - last > GAP && start >= 0) {
                std::printf("%ld\n", (last - start + 1) * 1000 / RATE);
            }
            start = frame - last > GAP ? frame : start;
            last = frame;
        }
    }
    if (start >= 0) {
        std::printf("%ld\n", (last - start + 1) * 1000 / RATE);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string cmd = argc == 3 ? argv[1] : "";
    if (cmd == "beeps") {
        printBeeps(argv[2]);
        return 0;
    }
    Display* d = cmd == "close" || cmd == "grid" ? XOpenDisplay(nullptr) : nullptr;
    if (d == nullptr) {
        return fail("usage: xoutil close|grid WINDOW-ID (with a display), or xoutil beeps FILE");
    }
    const auto w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
    const int rc = cmd == "close" ? closeWindow(d, w) : printGrid(d, w);
    XCloseDisplay(d);
    return rc;
}
