// The track: the 40-row table and the list of segments from the one the
// camera is in to the one laid last at the far edge.
#pragma once

#include <memory>

class TSegment {
public:
  static constexpr int SEGMENT_COUNT = 40;
  static constexpr int TUNNEL_NEXT_MID_PROP_COUNT = 50;

  float fZ = 0;
  float fDXFraction = 0;
  float fDX = 0;
  float fDY = 0;
  int fTunnel = 0;
  int fTunnelPropCounter = 0;
  float fDistanceInSegment = 0;
  float fLength = 0;
  int fIndex = 0;
  int fCornerSignCreated = 0;
  std::shared_ptr<TSegment> fNext;

  static std::shared_ptr<TSegment> gFirstSegment;
  static std::shared_ptr<TSegment> gLastSegment;
  static float gSegmentData[SEGMENT_COUNT][3];
  static int gNextSegmentIndex;
  static float gFarZ;
  static int gSignSide;
  static float gHorizonYOffsetSum;

  virtual ~TSegment() = default;

  static std::shared_ptr<TSegment> Create(float z, float dxFraction, float dyFraction,
                                          float length, int index);
  static int init(float gridStartZ, float gridStepZ);
  static int removeAll();
  static int readSegmentData();
  static int createDummySegment();
  static int createStartSegment(float bannerZ);
  static int updateAll(float dz);
  static int checkLap();
  static int checkNext();
  virtual float getHorizonYOffset();
  virtual int update(float dz);
  virtual float getNextSegmentDXFraction();
  virtual float getNextSegmentDYFraction();

private:
  static int placeProps(float length, float dyFraction, int index);
};
