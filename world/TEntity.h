// Everything on the road: the base record and the one depth-sorted list
// (nearest first) that owns every car and prop.
#pragma once

#include <memory>

class TEntity : public std::enable_shared_from_this<TEntity> {
public:
  int fActive = 0;
  int fUpdateDepthSort = 0;
  float fZ = 0;
  float fX = 0;
  float fScreenY = 0;
  float fScale = 0;
  float fRoadX = 0;
  float fSegmentDX = 0;
  float fSegmentDY = 0;
  float fOldZ = 0;
  float fOldX = 0;
  float fWidth = 0;
  float fLength = 0;
  TEntity* fPrevious = nullptr;  // back-link, never owning
  std::shared_ptr<TEntity> fNext;

  static std::shared_ptr<TEntity> gFirstEntity;
  static std::shared_ptr<TEntity> gLastEntity;
  static float gNearZ;
  static float gFarZ;

  virtual ~TEntity();

  static int updateAll(float dz);
  static int removeInactive();
  static int removeAll();
  static int updateDepthSortAll();

  virtual int init(float z, float x, int updateDepthSort);
  virtual int setSegmentDX(float dx, float dxFraction);
  virtual int setSegmentDY(float dy);
  virtual int addToListDepthSorted();
  virtual int update(float dz);
  virtual int deactivate();
  virtual int clear();
  virtual int draw() = 0;
  virtual int drawShadow();
  virtual int removeFromList();
  virtual int updateDepthSort();
  virtual int updateDepthSortDown();
  virtual int updateDepthSortUp();
  virtual float getSpeed();
  virtual int isHuman();
  virtual int isOil();
  virtual int isCar();
  virtual int isTunnelStart();
  virtual int checkCollisions(int lookAhead);
  virtual float receiveHit(float speed, float z, float length);
  virtual int hittable();
  virtual int setSlope(float slope);
  virtual int setInTunnel(int inTunnel);

  // removeFromList() plus forgetting its own neighbours: for an entity that
  // leaves the road for good but may still be held elsewhere.
  int detach();

protected:
  // Links a freshly made entity (all fields zero) into the list; the
  // subclasses' Create functions call it before init().
  static void New(const std::shared_ptr<TEntity>& entity);

private:
  // Puts this entity directly after `before` (null: as the new head).
  void linkAfter(TEntity* before);
};
