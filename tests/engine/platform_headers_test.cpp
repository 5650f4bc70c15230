// Platform libraries stay behind the engine's sources: no header of the
// engine and no file of the game may include one, so the game builds and
// runs headless without them leaking upward. Tests, tools and benchmarks
// are programs of their own that may use the libraries directly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
// One pattern per platform library; a library added later gets a line here.
const char* const kPlatformIncludes[] = {
    R"(X11/)",           R"(GL/)",     R"(GLES\d*/)", R"(EGL/)",  R"(AL/)",
    R"(png\.h|pngconf\.h)", R"(ft2build\.h|freetype/|FT_[A-Z_]+_H)", R"(vorbis/)",
    R"(ogg/)",           R"(SDL)",     R"(zlib\.h)",  R"(wayland-)", R"(alsa/|pulse/)",
    R"(linux/input|libevdev)",
};

// The platform include lines of a file, as "line: text".
std::vector<std::string> PlatformIncludes(const fs::path& file) {
  std::string alternatives;
  for (const char* p : kPlatformIncludes) alternatives += (alternatives.empty() ? "" : "|") + std::string(p);
  const std::regex include(R"(^\s*#\s*include\s*[<"]?\s*()" + alternatives + ")");
  std::vector<std::string> found;
  std::ifstream in(file);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n)
    if (std::regex_search(line, include)) found.push_back(std::to_string(n) + ": " + line);
  return found;
}

bool IsSource(const fs::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".c";
}

// Every file of the game: the engine's headers and all of game/, track/,
// world/ and cars/.
std::vector<fs::path> GameFiles() {
  const fs::path root = VELMORA_SOURCE_DIR;
  std::vector<fs::path> files;
  for (const char* dir : {"engine", "game", "track", "world", "cars"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
      const fs::path& p = entry.path();
      if (!entry.is_regular_file() || !IsSource(p)) continue;
      if (std::string(dir) == "engine" && p.extension() != ".h") continue;
      files.push_back(p);
    }
  }
  return files;
}
}  // namespace

TEST(PlatformHeaders, AppearOnlyInEngineSources) {
  const auto files = GameFiles();
  ASSERT_GT(files.size(), 20u) << "the game's folders were not found under " << VELMORA_SOURCE_DIR;
  for (const fs::path& file : files)
    for (const std::string& hit : PlatformIncludes(file))
      ADD_FAILURE() << fs::relative(file, VELMORA_SOURCE_DIR).string() << ":" << hit;
}

TEST(PlatformHeaders, TheScanSeesEachKindTheEngineUses) {
  // The engine's own sources do include them; a scan that missed these
  // would pass everything.
  const fs::path engine = fs::path(VELMORA_SOURCE_DIR) / "engine";
  for (const char* source : {"display.cpp", "gl_driver.cpp", "images.cpp", "fonts.cpp",
                             "audio_openal.cpp", "audio_loaders.cpp", "gamepad.cpp"})
    EXPECT_FALSE(PlatformIncludes(engine / source).empty()) << source;
}
