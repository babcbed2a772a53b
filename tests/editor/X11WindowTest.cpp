// The editor's X11 window against a real X server (ctest runs this suite
// under xvfb-run): its pixels are the canvas's, the server's input arrives
// as the editor's events, and misuse is harmless. The test itself links
// libX11 to play the host: it makes the parent, reads the pixels back and
// sends the input.
#include <gtest/gtest.h>

#include <poll.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "EditorDrawing.h"
#include "EditorLayout.h"
#include "HQParameters.h"
#include "X11Window.h"

namespace {

std::string describe(const EditorEvent& e) {
    return "kind " + std::to_string(static_cast<int>(e.kind)) + " at " + std::to_string(e.x) + "," +
           std::to_string(e.y) + " modifiers " + std::to_string(e.modifiers) + " button " +
           std::to_string(e.button) + " notches " + std::to_string(e.notches) + " key " + std::to_string(e.key) +
           " ms " + std::to_string(e.milliseconds);
}

class X11WindowTest : public testing::Test {
protected:
    // One connection for the whole suite: a server whose last client leaves
    // resets, and may refuse the next test's connection meanwhile.
    static void SetUpTestSuite() { host_ = XOpenDisplay(nullptr); }
    static void TearDownTestSuite() {
        if (host_ != nullptr) XCloseDisplay(host_);
        host_ = nullptr;
    }

    void SetUp() override {
        if (host_ == nullptr) GTEST_SKIP() << "no X server (ctest runs this suite under xvfb-run)";
        parent_ = XCreateSimpleWindow(host_, DefaultRootWindow(host_), 0, 0, 1200, 1000, 0, 0, 0);
        XMapWindow(host_, parent_);
        XSync(host_, False);
    }
    void TearDown() override {
        window_.close();
        if (host_ != nullptr && parent_ != 0) XDestroyWindow(host_, parent_);
        if (host_ != nullptr) XSync(host_, False);
    }

    // Pumps, and waits on the window's descriptor, until `done()`; the
    // test's time limit stops a wait for what never comes.
    template <typename Done>
    void pumpUntil(Done done) {
        for (;;) {
            if (window_.pump([&](const EditorEvent& event) { received_.push_back(event); })) exposed_ = true;
            if (done()) return;
            pollfd descriptor{window_.fileDescriptor(), POLLIN, 0};
            ASSERT_GE(poll(&descriptor, 1, -1), 0);
        }
    }

    void send(long mask, XEvent event) {
        event.xany.window = window_.window();
        ASSERT_NE(XSendEvent(host_, window_.window(), False, mask, &event), 0);
        XFlush(host_);
    }

    static inline Display* host_ = nullptr;
    Window parent_ = 0;
    X11Window window_;
    std::vector<EditorEvent> received_;
    bool exposed_ = false;
};

TEST_F(X11WindowTest, WindowShowsTheCanvasExactly) {
    EditorState state = makeEditorState(ondulaxisHQParameters, "Ondulaxis HQ", 100);
    const EditorLayout layout(state.count(), state.scalePercent);
    PixelCanvas canvas(layout.width(), layout.height());
    drawEditor(state, canvas);
    ASSERT_LE(layout.width(), 1200);
    ASSERT_LE(layout.height(), 1000);

    ASSERT_TRUE(window_.open(parent_, layout.width(), layout.height()));
    pumpUntil([&] { return exposed_; });
    window_.blit(canvas);  // drawn when it returns

    XImage* image = XGetImage(host_, window_.window(), 0, 0, static_cast<unsigned>(layout.width()),
                              static_cast<unsigned>(layout.height()), AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    int32_t differing = 0;
    std::string first;
    for (int32_t y = 0; y < canvas.height(); ++y) {
        for (int32_t x = 0; x < canvas.width(); ++x) {
            const uint32_t shown = static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
            const uint32_t drawn = canvas.pixel(x, y) & 0xFFFFFFu;
            if (shown != drawn && differing++ == 0) first = std::to_string(x) + "," + std::to_string(y);
        }
    }
    XDestroyImage(image);
    EXPECT_EQ(differing, 0) << "first at " << first;
}

// A row: an event the server delivers (`detail` is the button, or the key's
// symbol), always at (10, 20) at 1000 ms, and the editor's event made of it.
struct InputRow {
    int type;
    unsigned int detail;
    unsigned int state;
    EditorEvent expected;
};

XEvent make(Display* host, int type, unsigned int detail, unsigned int state) {
    XEvent event{};
    event.type = type;
    if (type == LeaveNotify) {
        event.xcrossing.x = 10;
        event.xcrossing.y = 20;
        return event;
    }
    // Button, motion and key events begin alike, up to the state.
    event.xbutton.x = 10;
    event.xbutton.y = 20;
    event.xbutton.time = 1000;
    event.xbutton.state = state;
    if (type == KeyPress) event.xkey.keycode = XKeysymToKeycode(host, detail);
    if (type == ButtonPress || type == ButtonRelease) event.xbutton.button = detail;
    return event;
}

long maskOf(int type) {
    switch (type) {
        case ButtonPress: return ButtonPressMask;
        case ButtonRelease: return ButtonReleaseMask;
        case MotionNotify: return PointerMotionMask;
        case KeyPress: return KeyPressMask;
        default: return LeaveWindowMask;
    }
}

using Kind = EditorEvent::Kind;
constexpr uint32_t shift = modifierShift;
constexpr uint32_t ctrl = modifierCtrl;

const InputRow inputRows[] = {
    {ButtonPress, 1, ShiftMask, {Kind::press, 10, 20, shift, 1, 0, 0, 1000}},
    {MotionNotify, 0, ControlMask, {Kind::motion, 10, 20, ctrl, 1, 0, 0, 1000}},
    {ButtonRelease, 1, 0, {Kind::release, 10, 20, 0, 1, 0, 0, 1000}},
    {ButtonPress, 3, 0, {Kind::press, 10, 20, 0, 3, 0, 0, 1000}},
    {ButtonPress, 4, ShiftMask, {Kind::wheel, 10, 20, shift, 1, 1, 0, 1000}},  // away from the user
    {ButtonPress, 5, 0, {Kind::wheel, 10, 20, 0, 1, -1, 0, 1000}},
    {ButtonRelease, 5, 0, {Kind::none}},  // a notch is its press alone
    {KeyPress, XK_Return, 0, {Kind::key, 10, 20, 0, 1, 0, keyEnter, 1000}},
    {KeyPress, XK_Escape, 0, {Kind::key, 10, 20, 0, 1, 0, keyEscape, 1000}},
    {KeyPress, XK_BackSpace, 0, {Kind::key, 10, 20, 0, 1, 0, keyBackspace, 1000}},
    {KeyPress, XK_Up, ShiftMask, {Kind::key, 10, 20, shift, 1, 0, keyUp, 1000}},
    {KeyPress, XK_Left, 0, {Kind::key, 10, 20, 0, 1, 0, keyLeft, 1000}},
    {KeyPress, XK_7, 0, {Kind::key, 10, 20, 0, 1, 0, '7', 1000}},
    {KeyPress, XK_minus, 0, {Kind::key, 10, 20, 0, 1, 0, '-', 1000}},
    {KeyPress, XK_s, ControlMask, {Kind::key, 10, 20, ctrl, 1, 0, 's', 1000}},  // the host's shortcut
    {KeyPress, XK_Shift_L, ShiftMask, {Kind::none}},
    {LeaveNotify, 0, 0, {Kind::leave, 10, 20}},
};

TEST_F(X11WindowTest, InputArrivesAsTheEditorsEvents) {
    ASSERT_TRUE(window_.open(parent_, 200, 100));
    pumpUntil([&] { return exposed_; });
    for (const InputRow& row : inputRows) {
        received_.clear();
        // Then a press of button 2, so that a row the editor does not see
        // is seen to give nothing.
        send(maskOf(row.type), make(host_, row.type, row.detail, row.state));
        send(ButtonPressMask, make(host_, ButtonPress, 2, 0));
        pumpUntil([&] { return !received_.empty() && received_.back().button == 2; });
        received_.pop_back();
        const std::string expected = row.expected.kind == Kind::none ? "" : describe(row.expected);
        std::string got;
        for (const EditorEvent& event : received_) got += describe(event);
        EXPECT_EQ(got, expected) << "row " << (&row - inputRows);
    }
}

// The host's own error handler: the window's errors must never reach it,
// as the default one ends the process.
int hostErrors = 0;
int keepGoing(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

void catchHostErrors() {
    hostErrors = 0;
    XSetErrorHandler(keepGoing);
}

// A window that is not open does nothing it is asked, closing included.
void expectInert(X11Window& window) {
    EXPECT_FALSE(window.pump([](const EditorEvent&) { ADD_FAILURE() << "event from a closed window"; }));
    window.blit(PixelCanvas(4, 4));
    window.resize(10, 10);
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(window.fileDescriptor(), -1);
    window.close();
}

TEST_F(X11WindowTest, MisuseIsHarmless) {
    catchHostErrors();
    X11Window never;
    expectInert(never);
    EXPECT_FALSE(never.open(0, 100, 100));
    EXPECT_FALSE(never.open(parent_, 0, 100));
    EXPECT_FALSE(never.open(0x7fffffff, 100, 100));  // no such window; last, as an open closes first
    expectInert(never);

    for (int cycle = 0; cycle < 50; ++cycle) {
        ASSERT_TRUE(window_.open(parent_, 120, 80)) << cycle;
        window_.close();
    }
    // Opening again replaces the window.
    ASSERT_TRUE(window_.open(parent_, 120, 80));
    ASSERT_TRUE(window_.open(parent_, 140, 90));
    window_.resize(150, 100);
    window_.close();
    expectInert(window_);
    EXPECT_EQ(hostErrors, 0);
    // The host's handler is back in place.
    EXPECT_EQ(XSetErrorHandler(nullptr), keepGoing);
}

TEST_F(X11WindowTest, HostDestroyingTheParentLeavesAHarmlessWindow) {
    catchHostErrors();
    ASSERT_TRUE(window_.open(parent_, 120, 80));
    pumpUntil([&] { return exposed_; });
    XDestroyWindow(host_, parent_);
    parent_ = 0;
    XSync(host_, False);
    // Before the window has heard of it: the server answers with errors.
    window_.blit(PixelCanvas(120, 80));
    window_.resize(60, 40);
    pumpUntil([&] { return window_.window() == 0; });
    window_.blit(PixelCanvas(120, 80));
    window_.close();
    EXPECT_EQ(hostErrors, 0);
    EXPECT_EQ(XSetErrorHandler(nullptr), keepGoing);
}

TEST(X11WindowDisplayTest, DisplayThatCannotBeOpenedFailsTheOpen) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    setenv("DISPLAY", ":99999", 1);
    X11Window window;
    EXPECT_FALSE(window.open(0x200001, 100, 100));
    expectInert(window);
    display != nullptr ? setenv("DISPLAY", saved.c_str(), 1) : unsetenv("DISPLAY");
}

}  // namespace
