// Cars through the recording drawing driver: the calls a car's drawing
// makes, checked without an X server where pixels are not the point.
#include <cstring>

#include "car_fixture.h"
#include "engine/draw_recorder.h"
#include "engine/drawing.h"
#include "engine/images.h"

class CarDrawCallsTest : public CarTest {
protected:
  std::shared_ptr<TRecordingDrawDriver> recorder = std::make_shared<TRecordingDrawDriver>();

  void SetUp() override {
    CarTest::SetUp();
    recorder->MakeCurrent(800, 600);
    auto map = TPixmap::Create(40, 20, PF_RGBA8888);
    TCar::gCarShadowGfx = TImage::Create(40, 20, 1, 0);
    TCar::gCarShadowGfx->SetPixmap(0, map);
    SetImageHandle(TCar::gCarShadowGfx, 20, 10);
  }
  void TearDown() override {
    SetCurrentDrawState(nullptr, 0, 0);
    TCar::gCarShadowGfx = nullptr;
    CarTest::TearDown();
  }
};

TEST_F(CarDrawCallsTest, ShadowIsOneFifthAlphaAtTheCarsScaleAndLeavesMaskBlendBehind) {
  struct Case {
    float scale, x;
    const char* transform;
    const char* image;
  } cases[] = {
      {1, 0, "SetTransform 1 0 0 1", "DrawImage 40x20 -20 -10 20 10 at 400 484 from 0 0 40 20"},
      {0.5f, 20, "SetTransform 0.5 0 0 0.5", "DrawImage 40x20 -20 -10 20 10 at 410 492 from 0 0 40 20"},
  };
  for (const Case& c : cases) {
    auto car = player();
    car->fRoadX = 400;
    car->fX = c.x;
    car->fScale = c.scale;
    car->fScreenY = 500;
    recorder->fCalls.clear();
    car->drawShadow();
    const std::vector<std::string> want = {c.transform, "SetBlend 3", "SetAlpha 0.2", c.image, "SetBlend 1",
                                           "SetAlpha 1"};
    EXPECT_EQ(recorder->fCalls, want) << "scale " << c.scale;
  }
}

TEST_F(CarDrawCallsTest, WithNoGraphicsNothingReachesADriver) {
  SetCurrentDrawState(nullptr, 0, 0);
  recorder->fCalls.clear();
  auto car = player();
  car->drawShadow();
  DrawRect(0, 0, 10, 10);
  EXPECT_TRUE(recorder->fCalls.empty());
  EXPECT_EQ(GetBlend(), BLEND_MASK) << "the getters read the defaults";
}
