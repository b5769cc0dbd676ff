/*
 * window_close.c - asks an X window to close, as a window manager does when
 * its close button is pressed: a WM_DELETE_WINDOW message.  The virtual
 * display of the window tests runs no window manager.
 * Usage: window_close WINDOW-ID
 */
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    if (argc != 2) {
        fputs("usage: window_close WINDOW-ID\n", stderr);
        return 2;
    }
    char *end;
    const unsigned long window = strtoul(argv[1], &end, 0);
    if (*end != '\0' || window == 0) {
        fprintf(stderr, "window_close: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fputs("window_close: cannot open the display\n", stderr);
        return 1;
    }
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
