/* x_input_timer: sends one input through the X test extension and measures
 * how long the screen takes to show what should follow it. Native Linux tool
 * of scripts/bench, built there with the host compiler.
 *
 *   x_input_timer [--timeout S] [--since MS] ACTION -- X,Y=R,G,B [X,Y=R,G,B ...]
 *
 * ACTION is one of
 *   key KEYSYM              press and release a key (e.g. F2)
 *   click X Y               move there, then one left click
 *   double-click X Y        move there, then two left clicks 60 ms apart
 *   wait                    no input
 *
 * The clock starts just before the (last) button or key press is sent, or at
 * --since, a CLOCK_MONOTONIC time in milliseconds (Python's time.monotonic()
 * x 1000), and stops when every listed screen pixel has the given colour
 * (within 8 per channel).
 * Prints "ms=<milliseconds>" and exits 0; exits 1 on timeout (printing the
 * pixels last seen), 2 on a usage error.
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* libXtst's entry points; its headers need not be installed, only the library. */
extern int XTestFakeKeyEvent(Display *, unsigned int, Bool, unsigned long);
extern int XTestFakeButtonEvent(Display *, unsigned int, Bool, unsigned long);
extern int XTestFakeMotionEvent(Display *, int, int, int, unsigned long);

typedef struct {
  int x, y, r, g, b;
} Expected;

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void Sleep(double ms) {
  struct timespec t = {(time_t)(ms / 1000), (long)((ms - (time_t)(ms / 1000) * 1000) * 1e6)};
  nanosleep(&t, NULL);
}

static int Near(int a, int b) { return abs(a - b) <= 8; }

static int Matches(Display *display, Window root, const Expected *e, int *r, int *g, int *b) {
  XImage *image = XGetImage(display, root, e->x, e->y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  unsigned long pixel = XGetPixel(image, 0, 0);
  /* The masks say where each channel sits, at any depth. */
  unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
  int values[3];
  for (int i = 0; i < 3; ++i) {
    unsigned long mask = masks[i], value = pixel & mask;
    int shift = 0, bits = 0;
    while (mask && !(mask & 1)) { mask >>= 1; ++shift; }
    while (mask & 1) { mask >>= 1; ++bits; }
    value >>= shift;
    values[i] = bits ? (int)(value * 255 / ((1ul << bits) - 1)) : 0;
  }
  XDestroyImage(image);
  *r = values[0];
  *g = values[1];
  *b = values[2];
  return Near(*r, e->r) && Near(*g, e->g) && Near(*b, e->b);
}

static int Usage(void) {
  fprintf(stderr,
          "usage: x_input_timer [--timeout S] [--since MS] key KEYSYM|click X Y|double-click X Y|wait -- "
          "X,Y=R,G,B ...\n");
  return 2;
}

int main(int argc, char **argv) {
  double timeout = 30, since = -1;
  int i = 1;
  while (i + 1 < argc && strncmp(argv[i], "--", 2) == 0 && argv[i][2]) {
    if (strcmp(argv[i], "--timeout") == 0) timeout = atof(argv[i + 1]);
    else if (strcmp(argv[i], "--since") == 0) since = atof(argv[i + 1]);
    else return Usage();
    i += 2;
  }
  if (i >= argc) return Usage();
  const char *action = argv[i++];
  const char *keysym = NULL;
  int x = 0, y = 0, clicks = 0;
  if (strcmp(action, "key") == 0 && i < argc) {
    keysym = argv[i++];
  } else if ((strcmp(action, "click") == 0 || strcmp(action, "double-click") == 0) &&
             i + 1 < argc) {
    x = atoi(argv[i++]);
    y = atoi(argv[i++]);
    clicks = action[0] == 'd' ? 2 : 1;
  } else if (strcmp(action, "wait") == 0) {
    clicks = 0;
  } else {
    return Usage();
  }
  if (i >= argc || strcmp(argv[i++], "--") != 0 || i >= argc) return Usage();
  int count = argc - i;
  Expected *expected = calloc((size_t)count, sizeof *expected);
  for (int k = 0; k < count; ++k) {
    Expected *e = &expected[k];
    if (sscanf(argv[i + k], "%d,%d=%d,%d,%d", &e->x, &e->y, &e->r, &e->g, &e->b) != 5)
      return Usage();
  }

  Display *display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "x_input_timer: no display\n");
    return 2;
  }
  Window root = DefaultRootWindow(display);
  double start = Now();
  if (keysym) {
    KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym));
    if (!code) return Usage();
    start = Now();
    XTestFakeKeyEvent(display, code, True, 0);
    XTestFakeKeyEvent(display, code, False, 0);
    XFlush(display);
  } else if (clicks > 0) {
    XTestFakeMotionEvent(display, -1, x, y, 0);
    XSync(display, False);
    Sleep(50);
    for (int c = 0; c < clicks; ++c) {
      if (c > 0) Sleep(60);
      start = Now();
      XTestFakeButtonEvent(display, 1, True, 0);
      XTestFakeButtonEvent(display, 1, False, 0);
      XFlush(display);
    }
  }

  if (since >= 0) start = since;

  int r = 0, g = 0, b = 0;
  for (;;) {
    int all = 1;
    for (int k = 0; k < count && all; ++k) all = Matches(display, root, &expected[k], &r, &g, &b);
    double elapsed = Now() - start;
    if (all) {
      printf("ms=%.1f\n", elapsed);
      return 0;
    }
    if (elapsed > timeout * 1000) {
      printf("timeout=1\n");
      for (int k = 0; k < count; ++k) {
        Matches(display, root, &expected[k], &r, &g, &b);
        printf("seen.%d,%d=%d,%d,%d\n", expected[k].x, expected[k].y, r, g, b);
      }
      return 1;
    }
    Sleep(0.2);
  }
}
