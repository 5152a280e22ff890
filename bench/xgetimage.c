/* Full-screen XGetImage calls per second on $DISPLAY: what any X client that
   reads the screen without shared memory (Wine's GDI among them) can reach.
     xgetimage SECONDS */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? atof(argv[1]) : 5;
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "no display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  const int w = DisplayWidth(display, DefaultScreen(display));
  const int h = DisplayHeight(display, DefaultScreen(display));
  const double start = Now();
  int grabs = 0;
  double elapsed = 0;
  while (elapsed < seconds) {
    XImage* image = XGetImage(display, root, 0, 0, w, h, AllPlanes, ZPixmap);
    if (!image) return 1;
    XDestroyImage(image);
    ++grabs;
    elapsed = Now() - start;
  }
  printf("xgetimage size=%dx%d grabs_per_second=%.1f\n", w, h, grabs / elapsed);
  XCloseDisplay(display);
  return 0;
}
