#include "X11WindowHost.h"

#include <cstring>

#include "Image.h"

namespace {

// Xlib reports protocol errors to one process-wide handler whose default ends the process.
// While we talk to the server about a window that may not exist, a handler of ours records
// the error instead; the host's handler is back in place afterwards.
int trappedError = 0;

int recordError(Display*, XErrorEvent* event) {
    trappedError = event->error_code;
    return 0;
}

class ErrorTrap {
public:
    // The handler is installed before the first round trip: every error on this connection is
    // ours, and one left over from an earlier request must not reach Xlib's default handler,
    // which ends the host's process.
    explicit ErrorTrap(Display* d) : display(d) {
        previous = XSetErrorHandler(recordError);
        XSync(display, False);
        trappedError = 0;
    }
    ~ErrorTrap() { XSetErrorHandler(previous); }
    // Waits for the server's answers; true when any request failed.
    bool failed() {
        XSync(display, False);
        return trappedError != 0;
    }

private:
    Display* display;
    XErrorHandler previous = nullptr;
};

// An 8-bit channel placed into a visual's colour mask: its top bits, shifted to the mask.
unsigned long packChannel(uint8_t value, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1ul) == 0) {
        ++shift;
    }
    int bits = 0;
    while (((mask >> (shift + bits)) & 1ul) != 0) {
        ++bits;
    }
    const unsigned long scaled =
        bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
    return (scaled << shift) & mask;
}

}  // namespace

std::unique_ptr<WindowHost> createPlatformWindowHost(WindowView& window) {
    return std::make_unique<X11WindowHost>(window);
}

int32_t WindowHost::messageTime() {
    return 0;  // X keeps no time of a thread's last message; each event carries its own
}

X11WindowHost::X11WindowHost(WindowView& view) : WindowHost(view) {}

X11WindowHost::~X11WindowHost() {
    detach();
}

bool X11WindowHost::attach(void* parent, const PixelRect& rect) {
    detach();
    if (parent == nullptr || rect.isEmpty()) {
        return false;
    }
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const auto parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    {
        ErrorTrap trap(display);
        XWindowAttributes parentAttributes{};
        const Status known = XGetWindowAttributes(display, parentWindow, &parentAttributes);
        if (trap.failed() || known == 0) {
            detach();
            return false;
        }
        visual = parentAttributes.visual;
        depth = parentAttributes.depth;

        XSetWindowAttributes attributes{};
        attributes.background_pixmap = None;  // every pixel is painted; no erase in between
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                PointerMotionMask | StructureNotifyMask | FocusChangeMask;
        window = XCreateWindow(display, parentWindow, rect.left, rect.top,
                               static_cast<unsigned>(rect.width()),
                               static_cast<unsigned>(rect.height()), 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
        XClassHint hint{};
        char name[] = "orvane";
        char className[] = "Corvale2ChildWindow";
        hint.res_name = name;
        hint.res_class = className;
        XSetClassHint(display, window, &hint);
        gc = XCreateGC(display, window, 0, nullptr);
        if (trap.failed() || window == 0 || gc == nullptr) {
            detach();
            return false;
        }
    }
    directPixels = visual != nullptr && visual->c_class == TrueColor && depth == 24 &&
                   visual->red_mask == 0xFF0000 && visual->green_mask == 0x00FF00 &&
                   visual->blue_mask == 0x0000FF;
    client = PixelRect{0, 0, rect.width(), rect.height()};
    return true;
}

void X11WindowHost::detach() {
    if (display != nullptr) {
        if (gc != nullptr) {
            XFreeGC(display, gc);
        }
        if (window != 0) {
            ErrorTrap trap(display);  // the host may have destroyed its window (and ours) first
            XDestroyWindow(display, window);
            trap.failed();
        }
        XCloseDisplay(display);
    }
    display = nullptr;
    window = 0;
    gc = nullptr;
    visual = nullptr;
    mapped = false;
    captured = false;
    damage = PixelRect{};
    client = PixelRect{};
}

void X11WindowHost::show() {
    if (display == nullptr || window == 0) {
        return;
    }
    XMapWindow(display, window);
    XFlush(display);
    mapped = true;
}

int32_t X11WindowHost::modifiersOf(unsigned int state) {
    int32_t flags = 0;
    if ((state & ShiftMask) != 0) {
        flags |= 1;
    }
    if ((state & ControlMask) != 0) {
        flags |= 2;
    }
    if ((state & Mod1Mask) != 0) {
        flags |= 3;
    }
    return flags;
}

void X11WindowHost::processEvents() {
    if (display == nullptr) {
        return;
    }
    // The host may destroy its window, and ours with it, at any moment before it closes the
    // editor: a paint or any request that reaches the vanished window only fails quietly.
    ErrorTrap trap(display);
    while (display != nullptr && window != 0 && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event);
    }
    requestPaint();
    trap.failed();
}

void X11WindowHost::handle(const XEvent& event) {
    switch (event.type) {
        case Expose:
            invalidate(PixelRect{event.xexpose.x, event.xexpose.y,
                                 event.xexpose.x + event.xexpose.width,
                                 event.xexpose.y + event.xexpose.height});
            break;
        case ButtonPress:
            // The server grabs the pointer for us until the release: moves outside the window
            // keep coming, with coordinates outside the client area.
            if (event.xbutton.button == Button1) {
                buttonDown(event.xbutton.x, event.xbutton.y, modifiersOf(event.xbutton.state),
                           static_cast<int32_t>(event.xbutton.time));
            }
            break;
        case MotionNotify:
            pointerMoved(event.xmotion.x, event.xmotion.y, modifiersOf(event.xmotion.state),
                         static_cast<int32_t>(event.xmotion.time));
            break;
        case ButtonRelease:
            if (event.xbutton.button == Button1) {
                buttonUp(event.xbutton.x, event.xbutton.y, modifiersOf(event.xbutton.state),
                         static_cast<int32_t>(event.xbutton.time));
            }
            break;
        case FocusIn:
        case FocusOut:
            activationChanged(event.type == FocusIn, lastTime);
            break;
        case ConfigureNotify:
            clientResized(event.xconfigure.width, event.xconfigure.height);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) {
                window = 0;  // gone with the host's window
                mapped = false;
            }
            break;
        default:
            break;
    }
}

void X11WindowHost::present(const Image& buffer, const PixelRect& update) {
    if (display == nullptr || window == 0 || buffer.pixels() == nullptr) {
        return;
    }
    const int32_t w = update.width();
    const int32_t h = update.height();
    XImage* image = nullptr;
    if (directPixels) {
        image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                             reinterpret_cast<char*>(const_cast<uint8_t*>(buffer.pixels())),
                             static_cast<unsigned>(buffer.width()),
                             static_cast<unsigned>(buffer.height()), 32, buffer.rowStep());
        if (image != nullptr) {
            image->byte_order = LSBFirst;  // blue first in memory: Xlib swaps if the server differs
        }
    } else {
        // Any other visual: let Xlib pack each pixel from its colour masks.
        image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
        if (image != nullptr) {
            converted.assign(static_cast<size_t>(image->bytes_per_line) * h, 0);
            image->data = reinterpret_cast<char*>(converted.data());
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    const uint8_t* p = buffer.pixelAddress(x, y);
                    const unsigned long pixel = packChannel(p[2], visual->red_mask) |
                                                packChannel(p[1], visual->green_mask) |
                                                packChannel(p[0], visual->blue_mask);
                    XPutPixel(image, x, y, pixel);
                }
            }
        }
    }
    if (image == nullptr) {
        return;
    }
    XPutImage(display, window, gc, image, 0, 0, update.left, update.top, static_cast<unsigned>(w),
              static_cast<unsigned>(h));
    image->data = nullptr;  // the pixels are not Xlib's to free
    XDestroyImage(image);
    XFlush(display);
}
