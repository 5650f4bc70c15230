// The depth-sorted entity list: insertion, one-pass sorting with stable ties,
// unlinking while walking, and release of everything it owned.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "world/TEntity.h"

namespace {

class TTestEntity : public TEntity {
public:
  int fTag = 0;
  int fCleared = 0;
  int draw() override { return 0; }
  int clear() override {
    fCleared++;
    return 0;
  }
  static std::shared_ptr<TTestEntity> Make(float z, int tag = 0) {
    auto e = std::make_shared<TTestEntity>();
    New(e);
    e->init(z, 0, 1);
    e->fTag = tag;
    return e;
  }
};

std::vector<float> Depths() {
  std::vector<float> out;
  for (TEntity* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get()) out.push_back(e->fZ);
  return out;
}

std::vector<int> Tags() {
  std::vector<int> out;
  for (TEntity* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    out.push_back(static_cast<TTestEntity*>(e)->fTag);
  return out;
}

// Forward and backward links agree and the two ends are right.
void ExpectLinksConsistent() {
  TEntity* previous = nullptr;
  for (TEntity* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get()) {
    ASSERT_EQ(e->fPrevious, previous);
    previous = e;
  }
  EXPECT_EQ(TEntity::gLastEntity.get(), previous);
}

// Builds a list in exactly the given head-to-tail order, whatever the depths.
std::vector<std::shared_ptr<TTestEntity>> BuildInOrder(const std::vector<float>& depths) {
  std::vector<std::shared_ptr<TTestEntity>> made;
  for (size_t i = 0; i < depths.size(); i++) {
    auto e = TTestEntity::Make(0, static_cast<int>(i));
    // New entities go after every equal depth, so entering at 0 keeps order.
    made.push_back(e);
  }
  for (size_t i = 0; i < depths.size(); i++) made[i]->fZ = depths[i];
  return made;
}

class EntityList : public ::testing::Test {
protected:
  void SetUp() override {
    TEntity::removeAll();
    TEntity::gNearZ = 1000.0f / 315;
    TEntity::gFarZ = 62.5f;
  }
  void TearDown() override { TEntity::removeAll(); }
};

TEST_F(EntityList, InsertionOrdersByDepthAndPutsNewAfterEqualOnes) {
  // Straight insertion at the real depth, not through New's zero depth.
  auto insert = [](float z, int tag) {
    auto e = std::make_shared<TTestEntity>();
    e->fZ = z;
    e->fTag = tag;
    e->addToListDepthSorted();
    return e;
  };
  auto a = insert(10, 1), b = insert(5, 2), c = insert(10, 3), d = insert(7, 4);
  EXPECT_EQ(Depths(), (std::vector<float>{5, 7, 10, 10}));
  EXPECT_EQ(Tags(), (std::vector<int>{2, 4, 1, 3}));
  ExpectLinksConsistent();
}

TEST_F(EntityList, OnePassSortsAnyOrderStably) {
  struct Case {
    std::vector<float> depths;
    std::vector<int> expectedTags;
  };
  const Case cases[] = {
      {{5, 3, 1}, {2, 1, 0}},
      {{4, 2, 4}, {1, 0, 2}},
      {{1, 2, 3}, {0, 1, 2}},
      {{9, 9, 9, 1}, {3, 0, 1, 2}},
      {{7, 1, 7, 1, 7}, {1, 3, 0, 2, 4}},
      {{-3, 20, -3, 0}, {0, 2, 3, 1}},
  };
  for (const Case& c : cases) {
    TEntity::removeAll();
    auto keep = BuildInOrder(c.depths);
    TEntity::updateDepthSortAll();
    EXPECT_EQ(Tags(), c.expectedTags);
    ExpectLinksConsistent();
  }
}

TEST_F(EntityList, OnePassSortsShuffledListsWithManyTies) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; round++) {
    TEntity::removeAll();
    int n = 1 + static_cast<int>(rng() % 30);
    std::vector<float> depths(n);
    for (float& z : depths) z = static_cast<float>(rng() % 8);
    auto keep = BuildInOrder(depths);
    TEntity::updateDepthSortAll();
    std::vector<int> expected(n);
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](int x, int y) { return depths[x] < depths[y]; });
    ASSERT_EQ(Tags(), expected) << "round " << round;
    ExpectLinksConsistent();
  }
}

TEST_F(EntityList, SingleMovesStopAtTheFirstEqualNeighbour) {
  // Raising the head of 5, 10, 20, 30 to 20 puts it before the old 20.
  auto keep = BuildInOrder({5, 10, 20, 30});
  keep[0]->fZ = 20;
  keep[0]->updateDepthSort();
  EXPECT_EQ(Tags(), (std::vector<int>{1, 0, 2, 3}));
  ExpectLinksConsistent();

  // Lowering the tail to equal its neighbour's depth moves nothing.
  keep[3]->fZ = 20;
  keep[3]->updateDepthSort();
  EXPECT_EQ(Tags(), (std::vector<int>{1, 0, 2, 3}));

  // Lowering it to 10 puts it after the equal 10, not before.
  keep[3]->fZ = 10;
  keep[3]->updateDepthSort();
  EXPECT_EQ(Tags(), (std::vector<int>{1, 3, 0, 2}));
  ExpectLinksConsistent();
}

TEST_F(EntityList, NewEntityWaitsAtTheHeadUntilTheNextSort) {
  auto keep = BuildInOrder({5, 10, 50});
  auto late = TTestEntity::Make(40, 9);
  EXPECT_EQ(TEntity::gFirstEntity, late);
  EXPECT_EQ(Depths(), (std::vector<float>{40, 5, 10, 50}));
  TEntity::updateDepthSortAll();
  EXPECT_EQ(Depths(), (std::vector<float>{5, 10, 40, 50}));
  ExpectLinksConsistent();
}

TEST_F(EntityList, RemoveFromListKeepsTheEntitysOwnLinks) {
  auto keep = BuildInOrder({1, 2, 3});
  keep[1]->removeFromList();
  EXPECT_EQ(Tags(), (std::vector<int>{0, 2}));
  EXPECT_EQ(keep[1]->fPrevious, keep[0].get());
  EXPECT_EQ(keep[1]->fNext, keep[2]);
  ExpectLinksConsistent();
  // A second removal of an entity already out changes nothing.
  keep[1]->removeFromList();
  EXPECT_EQ(Tags(), (std::vector<int>{0, 2}));
  ExpectLinksConsistent();
}

TEST_F(EntityList, RemoveInactiveUnlinksHeadMiddleAndTailAndReleasesThem) {
  struct Case {
    std::vector<int> inactive;
    std::vector<int> remaining;
  };
  const Case cases[] = {
      {{0}, {1, 2, 3, 4}},
      {{4}, {0, 1, 2, 3}},
      {{1, 2}, {0, 3, 4}},
      {{0, 2, 4}, {1, 3}},
      {{0, 1, 2, 3, 4}, {}},
      {{}, {0, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    TEntity::removeAll();
    std::vector<std::weak_ptr<TEntity>> watch;
    {
      auto made = BuildInOrder({1, 2, 3, 4, 5});
      for (auto& e : made) watch.push_back(e);
      for (int i : c.inactive) made[i]->deactivate();
    }
    TEntity::removeInactive();
    EXPECT_EQ(Tags(), c.remaining);
    ExpectLinksConsistent();
    for (int i : c.inactive) EXPECT_TRUE(watch[i].expired()) << "entity " << i << " leaked";
  }
}

TEST_F(EntityList, RemovedEntityHeldElsewhereKeepsNoNeighbours) {
  std::weak_ptr<TEntity> neighbour;
  std::shared_ptr<TTestEntity> held;
  {
    auto made = BuildInOrder({1, 2, 3});
    held = made[1];
    neighbour = made[2];
    held->deactivate();
    made[2]->deactivate();
  }
  TEntity::removeInactive();
  EXPECT_EQ(Tags(), (std::vector<int>{0}));
  EXPECT_EQ(held->fNext, nullptr);
  EXPECT_EQ(held->fPrevious, nullptr);
  EXPECT_TRUE(neighbour.expired());
}

TEST_F(EntityList, RemoveAllClearsEveryEntityAndReleasesThem) {
  TEntity::removeAll();  // empty list: only the ends are reset
  EXPECT_EQ(TEntity::gFirstEntity, nullptr);
  EXPECT_EQ(TEntity::gLastEntity, nullptr);

  std::vector<std::weak_ptr<TEntity>> watch;
  std::shared_ptr<TTestEntity> held;
  {
    auto made = BuildInOrder({1, 2, 3, 4});
    for (auto& e : made) watch.push_back(e);
    held = made[2];
  }
  TEntity::removeAll();
  EXPECT_EQ(TEntity::gFirstEntity, nullptr);
  EXPECT_EQ(TEntity::gLastEntity, nullptr);
  EXPECT_EQ(held->fCleared, 1);
  EXPECT_EQ(held->fNext, nullptr);
  for (int i : {0, 1, 3}) EXPECT_TRUE(watch[i].expired()) << "entity " << i << " leaked";
}

TEST_F(EntityList, LongListIsReleasedWithoutDeepRecursion) {
  for (int i = 0; i < 200000; i++) TTestEntity::Make(0);
  TEntity::gFirstEntity.reset();
  TEntity::gLastEntity.reset();
  SUCCEED();
}

TEST_F(EntityList, UpdateAllMovesEveryEntityAndRetiresThosePastTheNearLine) {
  struct Case {
    float z;
    float dz;
    float expectedZ;
    int expectedActive;
  };
  const float nearZ = TEntity::gNearZ;
  const Case cases[] = {
      {10, 0, 10, 1},
      {10, 2, 8, 1},
      {nearZ, 0, nearZ, 1},           // at the line, not past it
      {nearZ + 0.5f, 1, nearZ - 0.5f, 0},
      {nearZ - 1, 0, nearZ - 1, 0},   // already past: retired even standing
  };
  for (const Case& c : cases) {
    TEntity::removeAll();
    auto e = TTestEntity::Make(c.z);
    TEntity::updateAll(c.dz);
    EXPECT_FLOAT_EQ(e->fZ, c.expectedZ);
    EXPECT_FLOAT_EQ(e->fOldZ, c.z);
    EXPECT_EQ(e->fActive, c.expectedActive) << "z " << c.z << " dz " << c.dz;
    // Retired entities stay listed until the next tick's removal.
    EXPECT_EQ(TEntity::gFirstEntity, e);
  }
}

}  // namespace
