#include "tests/support/x11_probe.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace agvtest {

namespace {

// The window under test may vanish at any time (ESC): X errors are expected
// and must not end the test process, which Xlib's default handler would do.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

void ignoreXErrors() {
    static const bool installed = (XSetErrorHandler(ignoreXError), true);
    (void)installed;
}

std::string windowTitle(Display* display, Window window) {
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return title;
}

// Shift of the channel given by mask down to an 8-bit value.
int channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0) ++shift;
    return static_cast<int>((pixel & mask) >> shift) & 0xff;
}

}  // namespace

Display* openDisplay() {
    ignoreXErrors();
    return XOpenDisplay(nullptr);
}

void closeDisplay(Display* display) {
    if (display != nullptr) XCloseDisplay(display);
}

Rgb Frame::at(int x, int y) const {
    if (!has(x, y)) return {-1, -1, -1};
    const std::uint32_t p = pixels[static_cast<std::size_t>(y - top) * cols + (x - left)];
    return {static_cast<int>(p >> 16) & 0xff, static_cast<int>(p >> 8) & 0xff,
            static_cast<int>(p) & 0xff};
}

bool operator==(const Frame& a, const Frame& b) {
    return a.left == b.left && a.top == b.top && a.cols == b.cols && a.rows == b.rows &&
           a.pixels == b.pixels;
}

WindowId findWindow(Display* display, const std::string& titlePart, double timeoutSeconds) {
    ignoreXErrors();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    do {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        WindowId found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count && found == 0; ++i) {
                XWindowAttributes attributes;
                if (windowTitle(display, children[i]).find(titlePart) != std::string::npos &&
                    XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.map_state == IsViewable) {
                    found = children[i];
                }
            }
            if (children != nullptr) XFree(children);
        }
        if (found != 0) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}

Frame grabFrame(Display* display, WindowId window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return {};
    return grabRect(display, window, 0, 0, attributes.width, attributes.height);
}

Frame grabRect(Display* display, WindowId window, int x, int y, int w, int h) {
    ignoreXErrors();
    Frame frame;
    XWindowAttributes attributes;
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        !XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rootX, &rootY,
                               &child)) {
        return frame;
    }
    frame.width = attributes.width;
    frame.height = attributes.height;
    // Only what lies on the screen can be read.
    const Screen* screen = attributes.screen;
    frame.left = std::max({x, -rootX, 0});
    frame.top = std::max({y, -rootY, 0});
    frame.cols = std::min({x + w, screen->width - rootX, attributes.width}) - frame.left;
    frame.rows = std::min({y + h, screen->height - rootY, attributes.height}) - frame.top;
    if (frame.cols <= 0 || frame.rows <= 0) return {};
    XImage* image =
        XGetImage(display, window, frame.left, frame.top, static_cast<unsigned>(frame.cols),
                  static_cast<unsigned>(frame.rows), AllPlanes, ZPixmap);
    if (image == nullptr) return {};
    frame.pixels.resize(static_cast<std::size_t>(frame.cols) * frame.rows);
    for (int r = 0; r < frame.rows; ++r) {
        for (int c = 0; c < frame.cols; ++c) {
            const unsigned long p = XGetPixel(image, c, r);
            frame.pixels[static_cast<std::size_t>(r) * frame.cols + c] = static_cast<std::uint32_t>(
                channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
                channel(p, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return frame;
}

void typeKey(Display* display, WindowId window, KeySymbol key) {
    ignoreXErrors();
    const KeyCode code = XKeysymToKeycode(display, key);
    const bool shifted = XkbKeycodeToKeysym(display, code, 0, 0) != key;
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    if (shifted) XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shifted) XTestFakeKeyEvent(display, shift, False, CurrentTime);
    XFlush(display);
}

void typeChar(Display* display, WindowId window, char c) {
    // Printable ASCII characters are their own keysyms.
    typeKey(display, window, c == 27 ? XK_Escape : static_cast<KeySym>(c));
}

}  // namespace agvtest
