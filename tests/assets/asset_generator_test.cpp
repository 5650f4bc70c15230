// The generator is deterministic: a fresh run writes exactly the bytes the
// build wrote, file for file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(AssetGenerator, ASecondRunWritesIdenticalFiles) {
  const fs::path build = VELMORA_BUILD_DIR;
  const fs::path gen = build / "velmora_assetgen";
  ASSERT_TRUE(fs::exists(gen));
  fs::path out = fs::temp_directory_path() / ("velmora_assets_" + std::to_string(::getpid()));
  fs::remove_all(out);
  std::string cmd = gen.string() + " " + out.string();
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  int compared = 0;
  for (const char* dir : {"Graphics", "Sounds", "Music"}) {
    for (auto& e : fs::directory_iterator(out / dir)) {
      SCOPED_TRACE(e.path().string());
      fs::path built = build / dir / e.path().filename();
      ASSERT_TRUE(fs::exists(built));
      EXPECT_TRUE(bytes(e.path()) == bytes(built)) << "differs from the build's copy";
      ++compared;
    }
  }
  EXPECT_EQ(compared, 30 + 13 + 2);
  fs::remove_all(out);
}
