// What the generator makes: named images and sounds, built group by group.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"

using ImageSet = std::vector<std::pair<std::string, Canvas>>;

// Image groups, in the order they are generated. Later groups may look up
// earlier images (the title's cars are built from the wheel images).
void makeCarImages(ImageSet& out);
void makeRoadAndTitleImages(ImageSet& out);
void makeRoadsideImages(ImageSet& out);
void makeEffectImages(ImageSet& out);
void makeSkyImages(ImageSet& out);

const Canvas& findImage(const ImageSet& set, const std::string& name);

// Draws a race car the way the game assembles it from rectangles, at scale s
// with its reference point (x0, y0); the wheels come from the wheel images.
void drawCarPreview(Canvas& c, const ImageSet& set, float x0, float y0, float s, Color body, float wingWidth);

// A mono 16-bit sound and a stereo music track.
struct Sound {
  std::string name;
  int rate = 44100;
  int channels = 1;
  std::vector<float> samples;  // interleaved, -1..1
};

void makeEffectSounds(std::vector<Sound>& out);
void makeEngineSounds(std::vector<Sound>& out);
Sound makeTitleMusic();
Sound makeRaceMusic();

bool writeWAV(const std::string& path, const Sound& s);
bool writeOGG(const std::string& path, const Sound& s, float quality);

// Writes one review sheet of every image on a checkerboard with its name.
bool writeContactSheet(const std::string& path, const ImageSet& set);
