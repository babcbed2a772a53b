#include "X11Window.h"

#include <dlfcn.h>

#include <algorithm>
#include <bit>

// For types, constants and macros only: the functions come through dlsym.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

// The functions of libX11 the window calls, named as Xlib names them.
struct Xlib {
    decltype(&::XOpenDisplay) XOpenDisplay;
    decltype(&::XCloseDisplay) XCloseDisplay;
    decltype(&::XSetErrorHandler) XSetErrorHandler;
    decltype(&::XSync) XSync;
    decltype(&::XFlush) XFlush;
    decltype(&::XPending) XPending;
    decltype(&::XNextEvent) XNextEvent;
    decltype(&::XGetWindowAttributes) XGetWindowAttributes;
    decltype(&::XCreateWindow) XCreateWindow;
    decltype(&::XDestroyWindow) XDestroyWindow;
    decltype(&::XMapWindow) XMapWindow;
    decltype(&::XResizeWindow) XResizeWindow;
    decltype(&::XCreateGC) XCreateGC;
    decltype(&::XFreeGC) XFreeGC;
    decltype(&::XInitImage) XInitImage;
    decltype(&::XPutImage) XPutImage;
    decltype(&::XLookupString) XLookupString;
};

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// The library stays loaded until the plug-in itself is unloaded: a host
// opening and closing editors does not load it again each time.
class LoadedXlib {
public:
    LoadedXlib() {
        handle_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        Xlib& x = functions_;
        ready_ = resolve(handle_, "XOpenDisplay", x.XOpenDisplay) &&
                 resolve(handle_, "XCloseDisplay", x.XCloseDisplay) &&
                 resolve(handle_, "XSetErrorHandler", x.XSetErrorHandler) && resolve(handle_, "XSync", x.XSync) &&
                 resolve(handle_, "XFlush", x.XFlush) && resolve(handle_, "XPending", x.XPending) &&
                 resolve(handle_, "XNextEvent", x.XNextEvent) &&
                 resolve(handle_, "XGetWindowAttributes", x.XGetWindowAttributes) &&
                 resolve(handle_, "XCreateWindow", x.XCreateWindow) &&
                 resolve(handle_, "XDestroyWindow", x.XDestroyWindow) &&
                 resolve(handle_, "XMapWindow", x.XMapWindow) &&
                 resolve(handle_, "XResizeWindow", x.XResizeWindow) && resolve(handle_, "XCreateGC", x.XCreateGC) &&
                 resolve(handle_, "XFreeGC", x.XFreeGC) && resolve(handle_, "XInitImage", x.XInitImage) &&
                 resolve(handle_, "XPutImage", x.XPutImage) && resolve(handle_, "XLookupString", x.XLookupString);
    }
    ~LoadedXlib() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    LoadedXlib(const LoadedXlib&) = delete;
    LoadedXlib& operator=(const LoadedXlib&) = delete;

    const Xlib* functions() const noexcept { return ready_ ? &functions_ : nullptr; }

private:
    void* handle_ = nullptr;
    bool ready_ = false;
    Xlib functions_{};
};

// Null where libX11 cannot be loaded.
const Xlib* xlib() noexcept {
    static const LoadedXlib loaded;
    return loaded.functions();
}

// While one lives, X errors on our display are recorded instead of reaching
// the process's handler, whose default ends the process; errors on any other
// display still go to the handler that was there before.
class ErrorTrap {
public:
    ErrorTrap(const Xlib& x, Display* display) noexcept : x_(x) {
        display_ = display;
        failed_ = false;
        previous_ = x_.XSetErrorHandler(record);
    }
    ~ErrorTrap() {
        x_.XSetErrorHandler(previous_);
        display_ = nullptr;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Whether an error came in so far; only those the server has answered by
    // now, so after an XSync for all of them.
    bool failed() const noexcept { return failed_; }

private:
    static int record(Display* display, XErrorEvent* error) {
        if (display == display_) {
            failed_ = true;
            return 0;
        }
        return previous_ != nullptr ? previous_(display, error) : 0;
    }

    const Xlib& x_;
    // The handler is process-wide and takes no context; the window is used
    // on the host's UI thread only, so one trap is alive at a time.
    static inline Display* display_ = nullptr;
    static inline bool failed_ = false;
    static inline XErrorHandler previous_ = nullptr;
};

Display* asDisplay(void* display) { return static_cast<Display*>(display); }

uint32_t modifiersOf(unsigned int state) {
    return ((state & ShiftMask) != 0 ? modifierShift : 0u) | ((state & ControlMask) != 0 ? modifierCtrl : 0u);
}

// The editor's code for a pressed key: its own codes for the keys that edit
// and move, else the character typed; 0 for a key it does not use.
int32_t keyOf(const Xlib& x, XKeyEvent& press) {
    char text[8];
    KeySym symbol = NoSymbol;
    const int length = x.XLookupString(&press, text, sizeof text, &symbol, nullptr);
    switch (symbol) {
        case XK_Return:
        case XK_KP_Enter: return keyEnter;
        case XK_Escape: return keyEscape;
        case XK_BackSpace: return keyBackspace;
        case XK_Left:
        case XK_KP_Left: return keyLeft;
        case XK_Up:
        case XK_KP_Up: return keyUp;
        case XK_Right:
        case XK_KP_Right: return keyRight;
        case XK_Down:
        case XK_KP_Down: return keyDown;
        default: break;
    }
    const auto character = static_cast<unsigned char>(text[0]);
    if (length == 1 && character >= 0x20 && character < 0x7F) return character;
    // With Ctrl the text is a control character; the key's symbol, which is
    // its character for ASCII, lets the editor see Ctrl with that key.
    if (symbol >= 0x20 && symbol < 0x7F) return static_cast<int32_t>(symbol);
    return 0;
}

constexpr int32_t largestSide = 0x7FFF;

unsigned int side(int32_t pixels) { return static_cast<unsigned int>(std::clamp(pixels, 1, largestSide)); }

}  // namespace

bool X11Window::open(uintptr_t parent, int32_t width, int32_t height) noexcept {
    close();
    if (parent == 0 || width <= 0 || height <= 0) return false;
    const Xlib* x = xlib();
    if (x == nullptr) return false;
    Display* display = x->XOpenDisplay(nullptr);
    if (display == nullptr) return false;

    Window window = 0;
    GC gc = nullptr;
    int depth = 0;
    bool opened = false;
    {
        ErrorTrap trap(*x, display);
        XWindowAttributes parentAttributes{};
        // Fails, and traps BadWindow, when the id names no window.
        if (x->XGetWindowAttributes(display, parent, &parentAttributes) != 0 && !trap.failed()) {
            Screen* screen = parentAttributes.screen;
            Visual* visual = DefaultVisualOfScreen(screen);
            depth = DefaultDepthOfScreen(screen);
            // The canvas's pixels go to the server as they are: 8 bits each
            // of red, green and blue in a 32-bit pixel.
            const bool drawable = visual->c_class == TrueColor && visual->red_mask == 0xFF0000 &&
                                  visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                                  (depth == 24 || depth == 32);
            if (drawable) {
                XSetWindowAttributes attributes{};
                // Its own visual, which may not be the parent's: then it
                // needs its own colormap and border.
                attributes.colormap = DefaultColormapOfScreen(screen);
                attributes.border_pixel = 0;
                attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                        KeyPressMask | KeyReleaseMask | LeaveWindowMask | StructureNotifyMask;
                window = x->XCreateWindow(display, parent, 0, 0, side(width), side(height), 0, depth, InputOutput,
                                          visual, CWBorderPixel | CWColormap | CWEventMask, &attributes);
                gc = x->XCreateGC(display, window, 0, nullptr);
                x->XMapWindow(display, window);
                x->XSync(display, False);
                opened = !trap.failed();
            }
        }
    }
    display_ = display;
    window_ = window;
    gc_ = gc;
    depth_ = depth;
    if (!opened) close();
    return opened;
}

void X11Window::close() noexcept {
    if (display_ == nullptr) return;
    const Xlib& x = *xlib();
    Display* display = asDisplay(display_);
    {
        // The window is gone already if the host destroyed its parent.
        ErrorTrap trap(x, display);
        if (gc_ != nullptr) x.XFreeGC(display, static_cast<GC>(gc_));
        if (window_ != 0) x.XDestroyWindow(display, window_);
        x.XCloseDisplay(display);
    }
    display_ = nullptr;
    gc_ = nullptr;
    window_ = 0;
    depth_ = 0;
}

int X11Window::fileDescriptor() const noexcept {
    return display_ != nullptr ? ConnectionNumber(asDisplay(display_)) : -1;
}

bool X11Window::next(EditorEvent& event, bool& exposed) noexcept {
    if (display_ == nullptr) return false;
    const Xlib& x = *xlib();
    Display* display = asDisplay(display_);
    ErrorTrap trap(x, display);
    // Reads what has arrived; none stays queued where the descriptor cannot
    // tell of it once this says none.
    if (x.XPending(display) == 0) return false;
    XEvent xevent;
    x.XNextEvent(display, &xevent);

    event = EditorEvent{};
    switch (xevent.type) {
        case ButtonPress:
        case ButtonRelease: {
            const XButtonEvent& button = xevent.xbutton;
            event.x = button.x;
            event.y = button.y;
            event.modifiers = modifiersOf(button.state);
            event.milliseconds = static_cast<uint32_t>(button.time);
            const bool press = xevent.type == ButtonPress;
            if (button.button >= Button1 && button.button <= Button3) {
                event.kind = press ? EditorEvent::Kind::press : EditorEvent::Kind::release;
                event.button = static_cast<int32_t>(button.button);
            } else if (press && (button.button == Button4 || button.button == Button5)) {
                // The wheel's notches come as presses of buttons 4 (away
                // from the user) and 5.
                event.kind = EditorEvent::Kind::wheel;
                event.notches = button.button == Button4 ? 1 : -1;
            }
            break;
        }
        case MotionNotify:
            event.kind = EditorEvent::Kind::motion;
            event.x = xevent.xmotion.x;
            event.y = xevent.xmotion.y;
            event.modifiers = modifiersOf(xevent.xmotion.state);
            event.milliseconds = static_cast<uint32_t>(xevent.xmotion.time);
            break;
        case KeyPress:
            event.key = keyOf(x, xevent.xkey);
            if (event.key != 0) event.kind = EditorEvent::Kind::key;
            event.x = xevent.xkey.x;
            event.y = xevent.xkey.y;
            event.modifiers = modifiersOf(xevent.xkey.state);
            event.milliseconds = static_cast<uint32_t>(xevent.xkey.time);
            break;
        case LeaveNotify:
            event.kind = EditorEvent::Kind::leave;
            event.x = xevent.xcrossing.x;
            event.y = xevent.xcrossing.y;
            break;
        case Expose: exposed = true; break;
        case DestroyNotify:
            // Destroyed with the host's window: nothing of it to touch again.
            if (xevent.xdestroywindow.window == window_) window_ = 0;
            break;
        default: break;
    }
    return true;
}

void X11Window::blit(const PixelCanvas& canvas) noexcept {
    if (display_ == nullptr || window_ == 0 || canvas.width() <= 0 || canvas.height() <= 0) return;
    const Xlib& x = *xlib();
    Display* display = asDisplay(display_);
    XImage image{};
    image.width = canvas.width();
    image.height = canvas.height();
    image.format = ZPixmap;
    // Xlib sends the pixels as they are in memory; the server reorders them
    // if its own byte order differs.
    image.data = reinterpret_cast<char*>(const_cast<uint32_t*>(canvas.pixels()));
    image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = depth_;
    image.bytes_per_line = canvas.width() * 4;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
    ErrorTrap trap(x, display);
    if (x.XInitImage(&image) == 0) return;
    x.XPutImage(display, window_, static_cast<GC>(gc_), &image, 0, 0, 0, 0, side(canvas.width()),
                side(canvas.height()));
    // Drawn when this returns: a slow server holds the next frame back
    // instead of queueing frames.
    x.XSync(display, False);
}

void X11Window::resize(int32_t width, int32_t height) noexcept {
    if (display_ == nullptr || window_ == 0 || width <= 0 || height <= 0) return;
    const Xlib& x = *xlib();
    Display* display = asDisplay(display_);
    ErrorTrap trap(x, display);
    x.XResizeWindow(display, window_, side(width), side(height));
    x.XFlush(display);
}
