// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: waits for a program's top-level window on the X display and closes it the
// way a window manager's close button does (WM_DELETE_WINDOW).
//   x-window wait CLASS TIMEOUT_MS    print the window id once it is viewable
//   x-window close CLASS TIMEOUT_MS   wait for it, then ask it to close
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <strings.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static double now_ms() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static bool has_class(Display *display, Window window, const char *name) {
  XClassHint hint = {};
  if (!XGetClassHint(display, window, &hint)) return false;
  bool match = (hint.res_name && strcasecmp(hint.res_name, name) == 0) ||
               (hint.res_class && strcasecmp(hint.res_class, name) == 0);
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return match;
}

// Dialogs are transient for another window; the main window is not.
static bool is_transient(Display *display, Window window) {
  Window owner = 0;
  return XGetTransientForHint(display, window, &owner) && owner != 0;
}

static Window find_window(Display *display, const char *name) {
  Window root_return, parent, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count))
    return 0;
  for (unsigned int i = 0; i < count && !found; i++) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable && has_class(display, children[i], name) &&
        !is_transient(display, children[i]))
      found = children[i];
  }
  if (children) XFree(children);
  return found;
}

int main(int argc, char **argv) {
  if (argc != 4 || (strcmp(argv[1], "wait") != 0 && strcmp(argv[1], "close") != 0)) {
    fprintf(stderr, "usage: x-window wait|close CLASS TIMEOUT_MS\n");
    return 2;
  }
  Display *display = XOpenDisplay(nullptr);
  if (!display) {
    fprintf(stderr, "x-window: cannot open display\n");
    return 2;
  }
  double deadline = now_ms() + atof(argv[3]);
  Window window = 0;
  while (!(window = find_window(display, argv[2]))) {
    if (now_ms() > deadline) {
      fprintf(stderr, "x-window: no window of class %s\n", argv[2]);
      return 1;
    }
    struct timespec pause = {0, 2 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  printf("%lu\n", static_cast<unsigned long>(window));
  fflush(stdout);
  if (strcmp(argv[1], "close") == 0) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
  }
  XCloseDisplay(display);
  return 0;
}
