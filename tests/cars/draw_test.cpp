// Cars on a real X server: where the wheels and blocks land, the shades of
// the body colour, the golden car's phases, the flash and the shadow.
#include <cstdlib>
#include <cstring>

#include "car_fixture.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/images.h"

namespace {

constexpr uint32_t BACKGROUND = 0x3264C8;
constexpr uint32_t WHEEL = 0x969696;  // white image tinted 150

std::shared_ptr<TImage> solidImage(int w, int h) {
  auto map = TPixmap::Create(w, h, PF_RGBA8888);
  for (int y = 0; y < h; y++) std::memset(map->PixelPtr(0, y), 255, w * 4);
  auto image = TImage::Create(w, h, 1, 0);
  image->SetPixmap(0, map);
  return image;
}

uint32_t rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }

}  // namespace

class CarDrawTest : public CarTest {
protected:
  void SetUp() override {
    CarTest::SetUp();
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
    ASSERT_NE(OpenGraphics(800, 600, 0, 0, 0), nullptr) << GraphicsFailure();
    TCar::gWheelFrontGfx = solidImage(10, 10);
    TCar::gWheelRearGfx = solidImage(12, 12);
    TCar::gWheelFrontWidth = TCar::gWheelFrontHeight = 10;
    TCar::gWheelRearWidth = TCar::gWheelRearHeight = 12;
    TCar::gExhaustFlashGfx = solidImage(20, 20);
    SetImageHandle(TCar::gExhaustFlashGfx, 10, 10);
    TCar::gCarShadowGfx = solidImage(40, 20);
    SetImageHandle(TCar::gCarShadowGfx, 20, 10);
  }
  void TearDown() override {
    EndGraphics();
    TCar::gWheelFrontGfx = TCar::gWheelRearGfx = TCar::gExhaustFlashGfx = nullptr;
    TCar::gCarShadowGfx = nullptr;
    CarTest::TearDown();
  }

  static void clear() {
    SetScale(1, 1);
    SetBlend(BLEND_MASK);
    SetAlpha(1);
    SetClsColor(0x32, 0x64, 0xC8);
    Cls();
  }

  // A red car standing on the road line at y 500 with its centre at x0.
  static std::shared_ptr<TCar> carAt(float x0, float scale = 1) {
    auto car = player();
    car->fRoadX = x0;
    car->fX = 0;
    car->fScale = scale;
    car->fScreenY = 500;
    return car;
  }

  static uint32_t pixel(float x, float y) {
    auto map = GrabPixmap(int(x), int(y), 1, 1);
    return map ? map->ReadPixel(0, 0) & 0xFFFFFF : 0xDEADBEEF;
  }

  // A wheel image of the given size is centred on (x, y): tinted there,
  // background just beyond its half width. Looked at a little above the
  // centre, where the rear wing of a car seen from the side cannot cover it.
  static void expectWheel(float x, float y, int size, float scale, const char* which) {
    float half = size * scale / 2;
    y -= 0.35f * size * scale;
    EXPECT_EQ(pixel(x, y), WHEEL) << which << " at " << x << "," << y;
    EXPECT_EQ(pixel(x - half - 1.5f, y), BACKGROUND) << which << " left edge";
    EXPECT_EQ(pixel(x + half + 1.5f, y), BACKGROUND) << which << " right edge";
  }
};

TEST_F(CarDrawTest, WheelsLandWherePerspectiveAndSlopePutThem) {
  struct Case {
    const char* what;
    float x0, scale, slope, jumpY;
    float frontL, frontR, rearL, rearR, frontY, rearY;
    float leftShake = 0;
  } cases[] = {
      {"centre", 400, 1, 0, 0, 400 - 56, 400 + 56, 400 - 68, 400 + 68, 450, 480},
      {"left at 200", 200, 1, 0, 0, 200 - 46, 200 + 66, 200 - 78, 200 + 58, 450, 480},
      {"centre at half scale", 400, 0.5f, 0, 0, 400 - 28, 400 + 28, 400 - 34, 400 + 34, 480, 490},
      {"climb lifts the front by 5 at most", 400, 1, 0.1f, 0, 344, 456, 332, 468, 445, 480},
      {"drop lowers the front by 1.6", 400, 1, -0.02f, 0, 344, 456, 332, 468, 451.6f, 480},
      {"jump lifts the whole car", 400, 1, 0, 40, 344, 456, 332, 468, 410, 440},
      {"left wheels on the kerb shake", 400, 1, 0, 0, 344, 456, 332, 468, 450, 480, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear();
    auto car = carAt(c.x0, c.scale);
    car->setSlope(c.slope);
    if (c.jumpY > 0) {
      car->fJumping = 1;
      car->fJumpY = c.jumpY;
    }
    car->fLeftWheelBump = c.leftShake > 0;
    car->fSideBumpTime = c.leftShake / 2;
    car->draw();
    expectWheel(c.frontL, c.frontY - c.leftShake, 10, c.scale, "left front");
    expectWheel(c.frontR, c.frontY, 10, c.scale, "right front");
    expectWheel(c.rearL, c.rearY - c.leftShake, 12, c.scale, "left rear");
    expectWheel(c.rearR, c.rearY, 12, c.scale, "right rear");
  }
  // The rear wheel offsets kept for the skid clouds.
  auto car = carAt(200);
  car->draw();
  EXPECT_FLOAT_EQ(car->fDrawRearLWheelX, 78);
  EXPECT_FLOAT_EQ(car->fDrawRearRWheelX, 58);
}

TEST_F(CarDrawTest, BodyShadesOfRedAndGold) {
  struct Case {
    const char* what;
    int golden, goldenTimer;
    uint32_t dark, body, bright;
  } cases[] = {
      {"red", 0, 0, rgb(127, 0, 15), rgb(255, 0, 30), rgb(255, 0, 60)},
      {"golden, gold phase", 1, 8, rgb(127, 100, 0), rgb(255, 200, 0), rgb(255, 255, 0)},
      {"golden, white phase", 1, 7, rgb(127, 127, 127), rgb(255, 255, 255), rgb(255, 255, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear();
    auto car = carAt(400);
    car->fGolden = c.golden;
    car->fGoldenColorTimer = c.goldenTimer;
    // The front wing is drawn before the golden body colour is chosen, so it
    // shows the phase from the frame before.
    car->draw();
    clear();
    car->draw();
    EXPECT_EQ(pixel(370, 456), c.dark) << "front wing";
    EXPECT_EQ(pixel(365, 470), c.body) << "body";
    EXPECT_EQ(pixel(380, 485), c.dark) << "rear block";
    EXPECT_EQ(pixel(360, 450), c.bright) << "rear wing";
    EXPECT_EQ(pixel(400, 462), rgb(40, 40, 40)) << "wing strut";
    EXPECT_EQ(pixel(400, 440), BACKGROUND) << "above the wing";
    // The rear block is centred on the car: its edges at 375 and 425.
    EXPECT_EQ(pixel(376, 486), c.dark);
    EXPECT_EQ(pixel(373, 486), c.body);
    EXPECT_EQ(pixel(424, 486), c.dark);
    EXPECT_EQ(pixel(427, 486), c.body);
  }
}

TEST_F(CarDrawTest, RearBlockFollowsThePerspective) {
  clear();
  auto car = carAt(200);
  car->draw();
  // Centred at x0 - 10 = 190, 50 wide.
  EXPECT_EQ(pixel(166, 486), rgb(127, 0, 15));
  EXPECT_EQ(pixel(163, 486), rgb(255, 0, 30));
  EXPECT_EQ(pixel(214, 486), rgb(127, 0, 15));
  EXPECT_EQ(pixel(217, 486), rgb(255, 0, 30));
}

TEST_F(CarDrawTest, ExhaustFlashStaysOnTheRoadLine) {
  for (float jumpY : {0.0f, 40.0f}) {
    clear();
    auto car = carAt(400);
    car->fJumping = jumpY > 0;
    car->fJumpY = jumpY;
    car->fExhaustFlashScale = 1;
    car->draw();
    EXPECT_EQ(pixel(400, 476), 0xFFFFFFu) << jumpY;
    EXPECT_EQ(pixel(400, 489), jumpY > 0 ? BACKGROUND : rgb(255, 0, 30)) << jumpY;
  }
}

TEST_F(CarDrawTest, ShadowIsBlendedAtOneFifth) {
  clear();
  auto car = carAt(400);
  car->fJumping = 1;
  car->fJumpY = 100;
  SetColor(255, 255, 255);
  car->drawShadow();
  // White at 0.2 over the background, centred 16 above the road line.
  uint32_t want = rgb(0x32 + (255 - 0x32) / 5, 0x64 + (255 - 0x64) / 5, 0xC8 + (255 - 0xC8) / 5);
  uint32_t got = pixel(400, 484);
  for (int s = 0; s < 24; s += 8) {
    EXPECT_NEAR(int((got >> s) & 255), int((want >> s) & 255), 2) << std::hex << got;
  }
  EXPECT_EQ(pixel(400, 484 - 12), BACKGROUND);
  EXPECT_EQ(pixel(400 - 22, 484), BACKGROUND);
  EXPECT_EQ(GetBlend(), BLEND_MASK);
  EXPECT_EQ(GetAlpha(), 1);
}
