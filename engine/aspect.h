// Letter-box: keeps the game's 800 x 600 picture at its aspect ratio,
// centred on the surface, with the bands painted in a border colour.
#pragma once

constexpr int ASPECT_BORDERS = 1;
constexpr int ASPECT_KEEP_RATIO = 2;
constexpr int ASPECT_INTEGER_SCALE = 4;

extern float gAspectOffsetX;
extern float gAspectOffsetY;
extern float gAspectWidth;
extern float gAspectHeight;
extern int gAspectFlags;
extern int gAspectBorderRed;
extern int gAspectBorderGreen;
extern int gAspectBorderBlue;

void AspectSetMode(float w, float h, int flags);
void AspectRefresh(int flags);
void AspectSetBorderColor(int r, int g, int b);
void AspectDrawBorders();
void AspectSetOrigin(float x, float y);
void AspectGetOrigin(float& x, float& y);
void AspectSetViewport(int x, int y, int w, int h);
void AspectGetViewport(int& x, int& y, int& w, int& h);
float AspectMouseX();
float AspectMouseY();
void AspectMoveMouse(float x, float y);
float AspectWidth();
float AspectHeight();
