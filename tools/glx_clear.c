/* The smallest GLX program that shows whether a GL can draw into an X window: it opens a
 * 64 x 64 window on $DISPLAY, asks for a direct context (as SDL does), clears to a known
 * colour, swaps, and reads the window back from the X server for up to two seconds (a
 * Vulkan swapchain presents after the swap returns). Each step prints one line.
 * X errors are caught and printed instead of ending the process, so a refused request is
 * named. Exit status: 0 the colour arrived, 2 no context, 3 a context but a wrong picture,
 * 1 no display or no frame buffer configuration. */
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static int last_error, last_major, last_minor;

static int CatchError(Display* dpy, XErrorEvent* e) {
  (void)dpy;
  last_error = e->error_code;
  last_major = e->request_code;
  last_minor = e->minor_code;
  return 0;
}

static const char* ErrorName(Display* dpy, int code) {
  static char text[80];
  XGetErrorText(dpy, code, text, sizeof text);
  return text;
}

int main(void) {
  Display* dpy = XOpenDisplay(NULL);
  if (!dpy) {
    puts("display: cannot open $DISPLAY");
    return 1;
  }
  XSetErrorHandler(CatchError);
  const int attributes[] = {GLX_RENDER_TYPE,
                            GLX_RGBA_BIT,
                            GLX_DRAWABLE_TYPE,
                            GLX_WINDOW_BIT,
                            GLX_RED_SIZE,
                            8,
                            GLX_GREEN_SIZE,
                            8,
                            GLX_BLUE_SIZE,
                            8,
                            GLX_DEPTH_SIZE,
                            16,
                            GLX_DOUBLEBUFFER,
                            True,
                            None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), attributes, &count);
  if (!configs || count == 0) {
    puts("config: no frame buffer configuration");
    return 1;
  }
  XVisualInfo* visual = glXGetVisualFromFBConfig(dpy, configs[0]);
  XSetWindowAttributes wa;
  memset(&wa, 0, sizeof wa);
  wa.colormap = XCreateColormap(dpy, RootWindow(dpy, visual->screen), visual->visual, AllocNone);
  const Window window = XCreateWindow(dpy, RootWindow(dpy, visual->screen), 0, 0, 64, 64, 0,
                                      visual->depth, InputOutput, visual->visual, CWColormap, &wa);
  XMapWindow(dpy, window);
  XSync(dpy, False);

  GLXContext context = glXCreateNewContext(dpy, configs[0], GLX_RGBA_TYPE, NULL, True);
  XSync(dpy, False);
  if (!context || last_error) {
    printf("context: %s", context ? "created" : "none");
    if (last_error)
      printf(", X error %s on request %d.%d", ErrorName(dpy, last_error), last_major, last_minor);
    puts("");
    return 2;
  }
  printf("context: %s\n", glXIsDirect(dpy, context) ? "direct" : "indirect");
  glXMakeContextCurrent(dpy, window, window, context);
  printf("renderer: %s\nversion: %s\n", (const char*)glGetString(GL_RENDERER),
         (const char*)glGetString(GL_VERSION));
  glViewport(0, 0, 64, 64);
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glXSwapBuffers(dpy, window);
  glFinish();
  int r = 0, g = 0, b = 0, waited = 0;
  for (; waited <= 2000; waited += 20) {
    XSync(dpy, False);
    XImage* image = XGetImage(dpy, window, 32, 32, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = image ? XGetPixel(image, 0, 0) : 0;
    if (image) XDestroyImage(image);
    r = (int)((pixel >> 16) & 255), g = (int)((pixel >> 8) & 255), b = (int)(pixel & 255);
    if (r || g || b) break;
    usleep(20000);
  }
  printf("window: %d %d %d after %d ms (cleared to 64 128 191)\n", r, g, b, waited);
  const int ok = r >= 63 && r <= 65 && g >= 127 && g <= 129 && b >= 190 && b <= 192;
  glXMakeContextCurrent(dpy, None, None, NULL);
  glXDestroyContext(dpy, context);
  XCloseDisplay(dpy);
  return ok ? 0 : 3;
}
