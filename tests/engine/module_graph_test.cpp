// The engine's modules include one another in layers: no module reaches,
// through its includes, back to itself. A circle here is how a newcomer
// ends up unable to find where a function lives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Files that are parts of a larger module: drivers and loaders of it.
std::string ModuleOf(const std::string& stem) {
  static const std::map<std::string, std::string> parts = {
      {"gl_driver", "drawing"},  {"draw_recorder", "drawing"}, {"builtin_font", "fonts"},
      {"audio_openal", "sound"}, {"audio_loaders", "sound"},
  };
  auto it = parts.find(stem);
  return it == parts.end() ? stem : it->second;
}

using Graph = std::map<std::string, std::set<std::string>>;

Graph EngineModuleGraph() {
  const std::regex include(R"(^\s*#\s*include\s*"engine/([a-z_]+)\.h")");
  Graph graph;
  for (const auto& entry : fs::directory_iterator(fs::path(VELMORA_SOURCE_DIR) / "engine")) {
    const std::string from = ModuleOf(entry.path().stem().string());
    graph[from];
    std::ifstream in(entry.path());
    std::string line;
    std::smatch m;
    while (std::getline(in, line))
      if (std::regex_search(line, m, include) && ModuleOf(m[1]) != from) graph[from].insert(ModuleOf(m[1]));
  }
  return graph;
}

// A circle of modules as "a -> b -> a", or "" when there is none.
std::string FindCircle(const Graph& graph) {
  std::map<std::string, int> state;  // 1: on the current path, 2: done
  std::vector<std::string> path;
  std::string circle;
  std::function<bool(const std::string&)> visit = [&](const std::string& m) {
    state[m] = 1;
    path.push_back(m);
    auto it = graph.find(m);
    if (it != graph.end())
      for (const std::string& next : it->second) {
        if (state[next] == 1) {
          auto start = std::find(path.begin(), path.end(), next);
          for (auto p = start; p != path.end(); ++p) circle += *p + " -> ";
          circle += next;
          return true;
        }
        if (state[next] == 0 && visit(next)) return true;
      }
    path.pop_back();
    state[m] = 2;
    return false;
  };
  for (const auto& [m, edges] : graph)
    if (state[m] == 0 && visit(m)) break;
  return circle;
}
}  // namespace

TEST(EngineModules, IncludeNoCircle) {
  const Graph graph = EngineModuleGraph();
  for (const char* m : {"display", "drawing", "images", "fonts", "sound", "input", "gamepad", "clock", "random"})
    EXPECT_TRUE(graph.count(m)) << m << " not found among the engine's files";
  EXPECT_EQ(FindCircle(graph), "");
}

TEST(EngineModules, ACircleIsFoundAndNamed) {
  const Graph graph = {{"display", {"drawing"}}, {"drawing", {"images"}}, {"images", {"display"}}, {"clock", {}}};
  EXPECT_EQ(FindCircle(graph), "display -> drawing -> images -> display");
  EXPECT_EQ(FindCircle({{"display", {"drawing"}}, {"drawing", {"images"}}}), "");
}
