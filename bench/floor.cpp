// The floor for a race frame: a bare OpenGL 1.x program that fills the same
// screen area the same way (300 textured road lines, then two full-screen
// alpha-blended layers) with no game around it. bench/run sets a busy race
// frame of the game against this.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  int width = argc > 1 ? std::atoi(argv[1]) : 800;
  int height = argc > 2 ? std::atoi(argv[2]) : 600;
  int frames = argc > 3 ? std::atoi(argv[3]) : 200;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "floor: cannot open display\n");
    return 1;
  }
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
  XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  if (!visual) {
    std::fprintf(stderr, "floor: no GLX visual\n");
    return 1;
  }
  Window root = RootWindow(display, visual->screen);
  XSetWindowAttributes wa{};
  wa.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  Window window = XCreateWindow(display, root, 0, 0, width, height, 0, visual->depth, InputOutput,
                                visual->visual, CWColormap, &wa);
  XMapWindow(display, window);
  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  glXMakeCurrent(display, window, context);
  XSync(display, False);

  // An 800x1 road line in a 1024x1 texture, and a 1024x1024 translucent layer.
  std::vector<unsigned char> road(1024 * 4, 255), layer(1024 * 1024 * 4, 200);
  GLuint textures[2];
  glGenTextures(2, textures);
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, road.data());
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1024, 1024, 0, GL_RGBA, GL_UNSIGNED_BYTE, layer.data());
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glOrtho(0, width, height, 0, -1, 1);
  glEnable(GL_TEXTURE_2D);

  auto quad = [](float x0, float y0, float x1, float y1, float u1, float v1) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(x0, y0);
    glTexCoord2f(u1, 0); glVertex2f(x1, y0);
    glTexCoord2f(u1, v1); glVertex2f(x1, y1);
    glTexCoord2f(0, v1); glVertex2f(x0, y1);
    glEnd();
  };
  auto frame = [&] {
    glClearColor(0.13f, 0.55f, 0.8f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    float line = height / 600.0f;
    for (int i = 0; i < 300; ++i) {
      float y = height - (i + 1) * line, half = width * (315 - i) / 231.0f / 2;
      quad(width / 2 - half, y, width / 2 + half, y + line, 800 / 1024.0f, 1);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    for (int layerIndex = 0; layerIndex < 2; ++layerIndex) quad(0, 0, width, height, 1, 1);
    glXSwapBuffers(display, window);
    glFinish();
  };
  for (int i = 0; i < 20; ++i) frame();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) frame();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // What the GL driver alone holds (llvmpipe and LLVM), to set the game's own memory against.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("floor %dx%d: %.2f ms per frame, peak memory %.1f MiB\n", width, height, ms / frames,
              usage.ru_maxrss / 1024.0);
  glXMakeCurrent(display, None, nullptr);
  glXDestroyContext(display, context);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
