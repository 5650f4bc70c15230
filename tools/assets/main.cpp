// velmora_assetgen: draws, synthesises and writes all of the game's images,
// sounds and music into a build directory. Deterministic: the same bytes on
// every run.
//
//   velmora_assetgen <dir>                       everything into dir/Graphics, Sounds, Music
//   velmora_assetgen --contact-sheet out.png <dir>   also a review sheet of every image
//   velmora_assetgen --images-only <dir>         skip the (slower) audio
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets.h"

const Canvas& findImage(const ImageSet& set, const std::string& name) {
  for (auto& [n, c] : set)
    if (n == name) return c;
  std::fprintf(stderr, "velmora_assetgen: internal error: no image %s\n", name.c_str());
  static Canvas empty(1, 1);
  return empty;
}

static bool makeDir(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  std::fprintf(stderr, "velmora_assetgen: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
  return false;
}

int main(int argc, char** argv) {
  std::string sheet, dir;
  bool audio = true;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--contact-sheet" && i + 1 < argc) sheet = argv[++i];
    else if (a == "--images-only") audio = false;
    else if (dir.empty() && a[0] != '-') dir = a;
    else {
      std::fprintf(stderr, "usage: velmora_assetgen [--contact-sheet out.png] [--images-only] <output dir>\n");
      return 2;
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: velmora_assetgen [--contact-sheet out.png] [--images-only] <output dir>\n");
    return 2;
  }
  bool ok = makeDir(dir) && makeDir(dir + "/Graphics") && makeDir(dir + "/Sounds") && makeDir(dir + "/Music");
  if (!ok) return 1;

  ImageSet images;
  makeCarImages(images);
  makeRoadAndTitleImages(images);
  makeRoadsideImages(images);
  makeEffectImages(images);
  makeSkyImages(images);
  for (auto& [name, img] : images) ok = writePNG(dir + "/Graphics/" + name + ".png", img) && ok;
  if (!sheet.empty()) ok = writeContactSheet(sheet, images) && ok;

  if (audio) {
    std::vector<Sound> sounds;
    makeEngineSounds(sounds);
    makeEffectSounds(sounds);
    for (auto& s : sounds) ok = writeWAV(dir + "/Sounds/" + s.name + ".wav", s) && ok;
    ok = writeOGG(dir + "/Music/nfo.ogg", makeTitleMusic(), 0.4f) && ok;
    ok = writeOGG(dir + "/Music/mutant.ogg", makeRaceMusic(), 0.4f) && ok;
  }
  return ok ? 0 : 1;
}
