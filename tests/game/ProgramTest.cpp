// The real program under the test X server: its window, and the three ways
// it ends (Escape, the window manager's close request, no display at all).
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const std::string gProgram = std::string(VELMORA_BUILD_DIR) + "/velmora";
const std::string gScreenTool = std::string(VELMORA_BUILD_DIR) + "/velmora_screen";

// Starts the game with the given environment changes; stderr goes to a file.
pid_t startGame(const std::vector<std::string>& unset, const std::string& errFile) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool drop = entry.rfind("ALSOFT_DRIVERS=", 0) == 0;
    for (const std::string& name : unset) drop = drop || entry.rfind(name + "=", 0) == 0;
    if (!drop) env.push_back(entry);
  }
  env.push_back("ALSOFT_DRIVERS=null");  // no sound card here
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Nothing spawned keeps the test's output pipe open: should the test die,
  // CTest must see it end instead of waiting on a child left behind.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  char* argv[] = {const_cast<char*>(gProgram.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, gProgram.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Exit status of the game, or -1 if it did not end in time (it is then
// killed unless asked not to).
int waitForExit(pid_t pid, int seconds, bool killLate = true) {
  for (int i = 0; i < seconds * 20; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!killLate) return -1;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

Window findNamed(Display* display, Window window, const char* name) {
  char* title = nullptr;
  if (XFetchName(display, window, &title) && title) {
    bool match = std::string(title) == name;
    XFree(title);
    if (match) return window;
  }
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count && !found; ++i) found = findNamed(display, children[i], name);
    if (children) XFree(children);
  }
  return found;
}

// Waits (up to a minute: a loaded machine starts a sanitized game slowly)
// until the game's window is there and mapped.
Window waitForWindow(Display* display) {
  for (int i = 0; i < 1200; ++i) {
    Window window = findNamed(display, DefaultRootWindow(display), "Velmora");
    XWindowAttributes attributes;
    if (window && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
      return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return 0;
}

// What the game shows, read from its window's pixels by velmora_screen
// (title, countdown, racing, ..., ended), waiting up to `seconds` for one of
// the comma-separated `states`.
struct Seen {
  bool reached = false;
  std::string state;
};

Seen waitForScreen(pid_t pid, const std::string& states, int seconds) {
  std::string command = gScreenTool + " --pid " + std::to_string(pid) + " --wait " + states + " --timeout " +
                        std::to_string(seconds);
  Seen seen;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return seen;
  char line[64] = "";
  if (fgets(line, sizeof line, pipe)) seen.state = std::string(line, strcspn(line, "\n"));
  seen.reached = pclose(pipe) == 0;
  return seen;
}

// Sends a key (XTEST, to the focused window) until the game shows one of
// the states, as a person presses again when nothing happens.
Seen pressUntil(pid_t pid, Window window, const std::string& key, const std::string& states) {
  std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key " + key;
  Seen seen;
  for (int press = 0; press < 8 && !seen.reached && seen.state != "ended"; ++press) {
    if (std::system(command.c_str()) != 0) break;
    seen = waitForScreen(pid, states, 8);
  }
  return seen;
}

// A request about the game's window that races its closing (a last close
// request, say) fails with BadWindow; Xlib's default would end the test.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// An X server of the test's own, so that no other test's window named
// Velmora (tests run side by side) can be mistaken for the game's.
class PrivateXServer {
public:
  PrivateXServer() {
    for (int n = 150 + getpid() % 50; n < 260 && fPid <= 0; ++n) {
      std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      if (access(socket.c_str(), F_OK) == 0 || access(lock.c_str(), F_OK) == 0) continue;
      std::string display = ":" + std::to_string(n);
      const char* argv[] = {"Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
      pid_t pid = -1;
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
      int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
      posix_spawn_file_actions_destroy(&actions);
      if (spawned != 0) return;
      for (int i = 0; i < 600; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) break;  // lost the number to someone else
        if (access(socket.c_str(), F_OK) == 0) {
          fPid = pid;
          fDisplay = display;
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  ~PrivateXServer() {
    if (fPid <= 0) return;
    kill(fPid, SIGTERM);
    waitpid(fPid, nullptr, 0);
  }
  std::string fDisplay;
  pid_t fPid = -1;
};

class ProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (access(gProgram.c_str(), X_OK) != 0) GTEST_SKIP() << "no game built";
    errFile = testing::TempDir() + "velmora-program-" + std::to_string(getpid()) + ".err";
  }
  void TearDown() override { unlink(errFile.c_str()); }

  // Points this process (and so the game and xdotool) at a private server.
  bool usePrivateServer() {
    server = std::make_unique<PrivateXServer>();
    if (server->fPid <= 0) return false;
    setenv("DISPLAY", server->fDisplay.c_str(), 1);
    return true;
  }

  std::string errFile;
  std::unique_ptr<PrivateXServer> server;
};

}  // namespace

TEST_F(ProgramTest, OpensItsWindowAndQuitsOnEscapeOrCloseRequest) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
  ASSERT_TRUE(usePrivateServer()) << "could not start Xvfb";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_TRUE(display);
  XSetErrorHandler(ignoreXError);
  for (const char* how : {"escape", "close"}) {
    pid_t pid = startGame({}, errFile);
    ASSERT_GT(pid, 0);
    Window window = waitForWindow(display);
    ASSERT_TRUE(window) << how << ": no window named Velmora; stderr: " << readFile(errFile);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    EXPECT_EQ(attributes.width, 800);
    EXPECT_EQ(attributes.height, 600);
    Seen title = waitForScreen(pid, "title", 90);
    ASSERT_TRUE(title.reached) << how << ": saw " << title.state << "; stderr: " << readFile(errFile);
    int status = -1;
    if (std::string(how) == "escape") {
      std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key Escape";
      for (int attempt = 0; attempt < 8 && status < 0; ++attempt) {
        ASSERT_EQ(std::system(command.c_str()), 0);
        status = waitForExit(pid, 8, false);
      }
    } else {
      for (int attempt = 0; attempt < 8 && status < 0; ++attempt) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
        status = waitForExit(pid, 8, false);
      }
    }
    if (status < 0) status = waitForExit(pid, 30);
    EXPECT_EQ(status, 0) << how << "; stderr: " << readFile(errFile);
  }
  XCloseDisplay(display);
}

TEST_F(ProgramTest, WithoutADisplayItSaysSoInOneLineAndExits1) {
  pid_t pid = startGame({"DISPLAY", "WAYLAND_DISPLAY"}, errFile);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(waitForExit(pid, 10), 1);
  std::string err = readFile(errFile);
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
}

TEST_F(ProgramTest, DrivesARaceAndQuitsCleanly) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
  ASSERT_TRUE(usePrivateServer()) << "could not start Xvfb";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_TRUE(display);
  pid_t pid = startGame({}, errFile);
  ASSERT_GT(pid, 0);
  Window window = waitForWindow(display);
  ASSERT_TRUE(window) << readFile(errFile);
  std::string focus = "xdotool windowfocus --sync " + std::to_string(window);
  // Start, wait out the lights with the throttle held, drive, leave the
  // race, then quit: each step seen on the screen before the next.
  ASSERT_TRUE(waitForScreen(pid, "title", 90).reached) << readFile(errFile);
  Seen seen = pressUntil(pid, window, "space", "countdown");
  ASSERT_TRUE(seen.reached) << "space started no race: " << seen.state;
  ASSERT_EQ(std::system((focus + " keydown Up").c_str()), 0);
  seen = waitForScreen(pid, "racing", 90);
  EXPECT_TRUE(seen.reached) << "Up held never raced: " << seen.state;
  ASSERT_EQ(std::system((focus + " keydown Left keyup Left keyup Up").c_str()), 0);
  seen = pressUntil(pid, window, "Escape", "title");
  ASSERT_TRUE(seen.reached) << "Escape in a race only returns to the title: " << seen.state;
  int status = -1;
  for (int attempt = 0; attempt < 8 && status < 0; ++attempt) {
    ASSERT_EQ(std::system((focus + " key Escape").c_str()), 0);
    status = waitForExit(pid, 8, false);
  }
  if (status < 0) status = waitForExit(pid, 30);
  EXPECT_EQ(status, 0) << readFile(errFile);
  XCloseDisplay(display);
}
