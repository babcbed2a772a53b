// The editor's child window on X11: made inside the host's window, its input
// turned into EditorEvents, a PixelCanvas shown in it. It knows no parameter.
//
// libX11 is loaded when a window first opens, not linked, so a plug-in file
// needs glibc alone and loads where no X11 library is installed. Each window
// has a private connection to the display, used from the host's UI thread
// only. X errors on that connection (a parent the host destroyed, a bad
// parent id) are caught around each of the window's own calls and make the
// call a harmless no-op; the process-wide handler is restored after each.
#pragma once

#include <cstdint>

#include "EditorInteraction.h"
#include "PixelCanvas.h"

class X11Window {
public:
    X11Window() noexcept = default;
    ~X11Window() { close(); }
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // [UI thread] Opens the window at (0, 0) in `parent`, an X11 Window id.
    // False, with nothing left open, when libX11 cannot be loaded, the
    // display cannot be opened, `parent` is no window, or the display shows
    // no 24-bit true colour. A window already open is closed first.
    bool open(uintptr_t parent, int32_t width, int32_t height) noexcept;
    // [UI thread] Destroys the window and closes its connection; any time.
    void close() noexcept;
    bool isOpen() const noexcept { return display_ != nullptr; }

    // The connection's file descriptor, readable when events wait; -1 when
    // closed. A host's event loop can watch it and pump when it wakes.
    int fileDescriptor() const noexcept;
    // The child window's id; 0 when closed or destroyed with its parent.
    uintptr_t window() const noexcept { return window_; }

    // [UI thread] Hands every waiting event to `handler(const EditorEvent&)`
    // and leaves none queued, so the descriptor wakes for the next one. True
    // when part of the window was exposed and the picture needs a blit.
    template <typename Handler>
    bool pump(Handler&& handler) {
        bool exposed = false;
        EditorEvent event;
        while (next(event, exposed)) {
            if (event.kind != EditorEvent::Kind::none) handler(event);
        }
        return exposed;
    }

    // [UI thread] Shows the canvas at the window's top left, drawn when this
    // returns. Waiting for the server reads the events that came meanwhile
    // into the queue, where the descriptor does not announce them: pump
    // after a blit.
    void blit(const PixelCanvas& canvas) noexcept;
    // [UI thread] Sizes the window, as when the scale changes.
    void resize(int32_t width, int32_t height) noexcept;

private:
    // Takes the next event, translated (kind none for those the editor does
    // not use); false when none waits.
    bool next(EditorEvent& event, bool& exposed) noexcept;

    // Xlib's types stay in the source file.
    void* display_ = nullptr;  // Display*
    void* gc_ = nullptr;       // GC
    uintptr_t window_ = 0;
    int32_t depth_ = 0;
};
