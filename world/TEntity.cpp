// The depth-sorted entity list: insertion, incremental re-sorting, the
// per-tick walk and retirement of entities that ended their life.
#include "world/TEntity.h"

std::shared_ptr<TEntity> TEntity::gFirstEntity;
std::shared_ptr<TEntity> TEntity::gLastEntity;
float TEntity::gNearZ = 0;
float TEntity::gFarZ = 0;

TEntity::~TEntity() {
  // Release a chain of followers one by one instead of recursively, so a
  // long list cannot exhaust the stack when it dies.
  std::shared_ptr<TEntity> next = std::move(fNext);
  while (next && next.use_count() == 1) {
    std::shared_ptr<TEntity> after = std::move(next->fNext);
    next = std::move(after);
  }
}

void TEntity::New(const std::shared_ptr<TEntity>& entity) {
  if (entity) entity->addToListDepthSorted();
}

int TEntity::updateAll(float dz) {
  std::shared_ptr<TEntity> e = gFirstEntity;
  while (e) {
    e->update(dz);
    e = e->fNext;
  }
  return 0;
}

int TEntity::removeInactive() {
  std::shared_ptr<TEntity> e = gFirstEntity;
  while (e) {
    std::shared_ptr<TEntity> next = e->fNext;
    // Its links are dropped too: it may live on in another holder, and a
    // stale back-link there would point at freed memory later.
    if (!e->fActive) e->detach();
    e = std::move(next);
  }
  return 0;
}

int TEntity::removeAll() {
  for (TEntity* e = gFirstEntity.get(); e; e = e->fNext.get()) e->clear();
  // Take the chain apart link by link so that entities held elsewhere keep
  // no neighbours alive and nothing points into released memory.
  std::shared_ptr<TEntity> e = std::move(gFirstEntity);
  gLastEntity.reset();
  while (e) {
    std::shared_ptr<TEntity> next = std::move(e->fNext);
    e->fPrevious = nullptr;
    e = std::move(next);
  }
  return 0;
}

int TEntity::updateDepthSortAll() {
  std::shared_ptr<TEntity> e = gFirstEntity;
  while (e) {
    std::shared_ptr<TEntity> next = e->fNext;
    if (e->fUpdateDepthSort) e->updateDepthSort();
    e = std::move(next);
  }
  return 0;
}

int TEntity::init(float z, float x, int updateDepthSort) {
  fZ = z;
  fX = x;
  fOldZ = z;
  fOldX = x;
  fUpdateDepthSort = updateDepthSort;
  fActive = 1;
  return 0;
}

int TEntity::setSegmentDX(float dx, float) {
  fSegmentDX = dx;
  return 0;
}

int TEntity::setSegmentDY(float dy) {
  fSegmentDY = dy;
  return 0;
}

void TEntity::linkAfter(TEntity* before) {
  std::shared_ptr<TEntity> self = shared_from_this();
  if (!before) {
    fPrevious = nullptr;
    fNext = gFirstEntity;
    if (fNext) fNext->fPrevious = this;
    else gLastEntity = self;
    gFirstEntity = self;
    return;
  }
  fPrevious = before;
  fNext = before->fNext;
  if (fNext) fNext->fPrevious = this;
  else gLastEntity = self;
  before->fNext = self;
}

int TEntity::addToListDepthSorted() {
  // Only an entity owned by a shared reference can be listed.
  if (weak_from_this().expired()) return 0;
  TEntity* e = gLastEntity.get();
  while (e && e->fZ > fZ) e = e->fPrevious;
  linkAfter(e);
  return 0;
}

int TEntity::update(float dz) {
  fOldZ = fZ;
  fZ -= dz;
  if (fZ < gNearZ) deactivate();
  return 0;
}

int TEntity::deactivate() {
  clear();
  fActive = 0;
  return 0;
}

int TEntity::clear() { return 0; }

int TEntity::drawShadow() { return 0; }

int TEntity::removeFromList() {
  // The list may hold the last reference to this entity.
  std::shared_ptr<TEntity> keep = weak_from_this().lock();
  // Neighbours are relinked only where they still point here, so a second
  // removal of an entity already out of the list changes nothing.
  if (fPrevious) {
    if (fPrevious->fNext.get() == this) fPrevious->fNext = fNext;
  } else if (gFirstEntity.get() == this) {
    gFirstEntity = fNext;
  }
  if (fNext) {
    if (fNext->fPrevious == this) fNext->fPrevious = fPrevious;
  } else if (gLastEntity.get() == this) {
    gLastEntity = fPrevious ? fPrevious->shared_from_this() : nullptr;
  }
  return 0;
}

int TEntity::detach() {
  std::shared_ptr<TEntity> keep = weak_from_this().lock();
  removeFromList();
  fPrevious = nullptr;
  fNext.reset();
  return 0;
}

int TEntity::updateDepthSort() {
  if (fPrevious && fPrevious->fZ > fZ) {
    updateDepthSortDown();
  } else if (fNext && fNext->fZ < fZ) {
    updateDepthSortUp();
  }
  return 0;
}

int TEntity::updateDepthSortDown() {
  std::shared_ptr<TEntity> keep = weak_from_this().lock();
  if (!keep) return 0;
  TEntity* e = fPrevious;
  removeFromList();
  while (e && e->fZ > fZ) e = e->fPrevious;
  linkAfter(e);
  return 0;
}

int TEntity::updateDepthSortUp() {
  std::shared_ptr<TEntity> keep = weak_from_this().lock();
  if (!keep) return 0;
  std::shared_ptr<TEntity> e = fNext;
  removeFromList();
  while (e && e->fZ < fZ) e = e->fNext;
  // Inserting before e is inserting after e's predecessor; off the tail it
  // goes after the current tail.
  linkAfter(e ? e->fPrevious : gLastEntity.get());
  return 0;
}

float TEntity::getSpeed() { return 0.0f; }
int TEntity::isHuman() { return 0; }
int TEntity::isOil() { return 0; }
int TEntity::isCar() { return 0; }
int TEntity::isTunnelStart() { return 0; }
int TEntity::checkCollisions(int) { return 0; }
float TEntity::receiveHit(float speed, float, float) { return speed; }
int TEntity::hittable() { return 1; }
int TEntity::setSlope(float) { return 0; }
int TEntity::setInTunnel(int) { return 0; }
