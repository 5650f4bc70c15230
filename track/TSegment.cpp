// The track: the table of rows, laying rows at the far edge with their
// roadside furniture, moving the segments, laps and the horizon height.
#include "track/TSegment.h"

#include "engine/system.h"
#include "game/TConstants.h"
#include "world/TProp.h"

namespace {

// Bend fraction, slope fraction, length: one lap of the track.
constexpr float kTrackTable[TSegment::SEGMENT_COUNT][3] = {
    {0, 0, 100},       {-0.15f, -0.6f, 70}, {-0.25f, 0, 100},   {0.6f, 0.6f, 70},
    {0, 0, 20},        {-0.5f, 0, 40},      {1, 0, 35},         {-1, 0, 35},
    {-0.25f, 0, 60},   {0.5f, 0, 30},       {-0.25f, 0, 60},    {0, 0, 100},
    {-1, 0, 30},       {1, 0, 30},          {0, 0, 10},         {0.25f, 0, 40},
    {1, 0, 340},       {0.25f, 0, 40},      {0, 0, 100},        {0, 0, 100},
    {0, 0, 20},        {-0.25f, -0.1f, 120}, {0.25f, 0.1f, 120}, {0, 0, 100},
    {-0.5f, 0, 20},    {0.05f, 0, 100},     {0, 0, 100},        {0.25f, 0, 40},
    {1, 0, 340},       {0, 0, 50},          {-0.7f, 0, 300},    {-0.25f, 0, 50},
    {0.25f, 0, 60},    {0.05f, 0, 90},      {-0.05f, 0, 70},    {0, 0.5f, 100},
    {0, 0, 200},       {0, -0.5f, 100},     {0, 0, 60},         {0, 0, 60},
};

constexpr int FIRST_TUNNEL_ROW = 30;
constexpr int LAST_TUNNEL_ROW = 32;

}  // namespace

std::shared_ptr<TSegment> TSegment::gFirstSegment;
std::shared_ptr<TSegment> TSegment::gLastSegment;
float TSegment::gSegmentData[TSegment::SEGMENT_COUNT][3] = {};
int TSegment::gNextSegmentIndex = 0;
float TSegment::gFarZ = 0;
int TSegment::gSignSide = 1;
float TSegment::gHorizonYOffsetSum = 0;

// Banners and advertising signs of a row that is not part of the tunnel.
int TSegment::placeProps(float length, float dyFraction, int index) {
  if (dyFraction <= -0.3f) {
    // A crest ahead: three yellow banners mark it.
    TProp::Create(gFarZ * 1.2f, 0, TProp::PROP_BANNER_YELLOW);
    TProp::Create(gFarZ * 1.6f, 0, TProp::PROP_BANNER_YELLOW);
    TProp::Create(gFarZ * 2.0f, 0, TProp::PROP_BANNER_YELLOW);
  } else if (index % 4 == 1) {
    int type = index % 8 == 1 ? TProp::PROP_BANNER_TIRES : TProp::PROP_BANNER_COMMODORE;
    TProp::Create(gFarZ + length / 2, 0, type);
  }
  if (index % 3 == 1) {
    int type = index % 2 != 0 ? TProp::PROP_SIGN_TEST : TProp::PROP_SIGN_TRESK;
    float offset = static_cast<float>(gSignSide * 800) * 0.8f;
    if (length > 100) {
      TProp::Create(gFarZ + length * 0.33f, offset, type);
      TProp::Create(gFarZ + length * 0.66f, -offset, type);
    } else {
      TProp::Create(gFarZ + length * 0.5f, offset, type);
      gSignSide = -gSignSide;
    }
  }
  return 0;
}

std::shared_ptr<TSegment> TSegment::Create(float z, float dxFraction, float dyFraction,
                                           float length, int index) {
  auto s = std::make_shared<TSegment>();
  s->fZ = z;
  s->fDXFraction = dxFraction;
  s->fDX = dxFraction * MAX_SEGMENT_DX;
  s->fDY = dyFraction * MAX_SEGMENT_DY;
  if (index >= FIRST_TUNNEL_ROW && index <= LAST_TUNNEL_ROW) {
    s->fTunnel = 1;
    s->fTunnelPropCounter = TUNNEL_NEXT_MID_PROP_COUNT;
    if (index == FIRST_TUNNEL_ROW) TProp::Create(z, 0, TProp::PROP_TUNNEL_START);
  } else {
    s->fTunnel = 0;
    placeProps(length, dyFraction, index);
  }
  s->fDistanceInSegment = 0;
  s->fLength = length;
  s->fIndex = index;
  s->fCornerSignCreated = 0;
  s->fNext = nullptr;
  return s;
}

int TSegment::init(float gridStartZ, float gridStepZ) {
  readSegmentData();
  createDummySegment();
  createStartSegment(gridStartZ + gridStepZ);
  gHorizonYOffsetSum = 0;
  gSignSide = 1;
  return 0;
}

int TSegment::removeAll() {
  gFirstSegment.reset();
  gLastSegment.reset();
  return 0;
}

int TSegment::readSegmentData() {
  for (int r = 0; r < SEGMENT_COUNT; r++) {
    for (int c = 0; c < 3; c++) gSegmentData[r][c] = kTrackTable[r][c];
  }
  gNextSegmentIndex = 0;
  return 0;
}

int TSegment::createDummySegment() {
  gFirstSegment = Create(0, 0, 0, 0, -1);
  gLastSegment = gFirstSegment;
  return 0;
}

int TSegment::createStartSegment(float bannerZ) {
  int r = gNextSegmentIndex;
  std::shared_ptr<TSegment> s =
      Create(gFarZ / 2, gSegmentData[r][0], gSegmentData[r][1], gSegmentData[r][2], r);
  if (gLastSegment) gLastSegment->fNext = s;
  else gFirstSegment = s;
  gLastSegment = s;
  gNextSegmentIndex += 1;
  TProp::Create(bannerZ, 0, TProp::PROP_BANNER_START);
  return 0;
}

int TSegment::updateAll(float dz) {
  for (TSegment* s = gFirstSegment.get(); s; s = s->fNext.get()) s->update(dz);
  return 0;
}

int TSegment::checkLap() {
  if (!gFirstSegment || !gFirstSegment->fNext || gFirstSegment->fNext->fZ > 0) return 0;
  int i = gFirstSegment->fIndex;
  gHorizonYOffsetSum += gFirstSegment->getHorizonYOffset();
  gFirstSegment = gFirstSegment->fNext;
  return i == SEGMENT_COUNT - 1 ? 1 : 0;
}

int TSegment::checkNext() {
  if (!gLastSegment || gLastSegment->fLength > 0) return 0;
  if (gLastSegment->fTunnel == 1 && gLastSegment->fIndex == LAST_TUNNEL_ROW) {
    TProp::Create(gFarZ - gLastSegment->fLength, 0, TProp::PROP_TUNNEL_END);
  }
  int r = gNextSegmentIndex;
  std::shared_ptr<TSegment> s =
      Create(gFarZ, gSegmentData[r][0], gSegmentData[r][1], gSegmentData[r][2], r);
  gLastSegment->fNext = s;
  gLastSegment = s;
  gNextSegmentIndex += 1;
  if (gNextSegmentIndex == 1) {
    // The start/finish banner of the coming lap.
    TProp::Create(gFarZ, 0, TProp::PROP_BANNER_START);
  } else if (gNextSegmentIndex >= SEGMENT_COUNT) {
    gNextSegmentIndex = 0;
  }
  return 0;
}

float TSegment::getHorizonYOffset() { return fDistanceInSegment * fDY * 5000; }

int TSegment::update(float dz) {
  if (fTunnel == 1 && fLength > 0) {
    fTunnelPropCounter = Int(fTunnelPropCounter - dz);
    if (fTunnelPropCounter <= 0) {
      fTunnelPropCounter = TUNNEL_NEXT_MID_PROP_COUNT;
      TProp::Create(gFarZ, 0, TProp::PROP_TUNNEL_MID);
    }
  }
  if (fZ > 0) {
    fZ -= dz;
    if (fZ < 0) fZ = 0;
  } else {
    fDistanceInSegment += dz;
  }
  fLength -= dz;
  if (fLength < 10 && fCornerSignCreated == 0) {
    float v = getNextSegmentDXFraction();
    // The warning stands on the outside of the coming bend.
    if (v > 0.5f) TProp::Create(gFarZ, -560, TProp::PROP_CORNER_SIGN);
    else if (v < -0.5f) TProp::Create(gFarZ, 560, TProp::PROP_CORNER_SIGN);
    fCornerSignCreated = 1;
  }
  return 0;
}

float TSegment::getNextSegmentDXFraction() {
  int r = fIndex + 1;
  if (r >= SEGMENT_COUNT || r < 0) r = 0;
  return gSegmentData[r][0];
}

float TSegment::getNextSegmentDYFraction() {
  int r = fIndex + 1;
  if (r >= SEGMENT_COUNT || r < 0) r = 0;
  return gSegmentData[r][1];
}
