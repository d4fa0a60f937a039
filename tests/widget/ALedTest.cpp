#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "led/ALed.h"

namespace {

constexpr QRgb kLime = 0xFF00FF00;

// Runs the event loop until `done` holds or 5 s have passed; returns whether it holds.
bool PollUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 5000) QTest::qWait(5);
  return done();
}

QImage Resource(TLEDStyle style) {
  return QImage(LEDResourcePath(LEDStyleResourceName(style))).convertToFormat(QImage::Format_RGB32);
}

// The resource with every lime pixel in `lens`: the lens is the bitmap's only lime.
QImage Recoloured(TLEDStyle style, TColor lens) {
  QImage image = Resource(style);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == kLime) image.setPixel(x, y, ColorToQColor(lens).rgb());
    }
  }
  return image;
}

// An LED on a shown window, so that drawing at once really paints.
class ALedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<QWidget>();
    window->resize(120, 80);
    led = new TALed(window.get());
    led->move(10, 10);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(PollUntil([&] { return led->PaintCount() > 0; }));
  }

  std::unique_ptr<QWidget> window;
  TALed* led = nullptr;
};

TEST_F(ALedTest, StartsDarkWithTheDocumentedDefaults) {
  EXPECT_EQ(led->TrueColor(), clLime);
  EXPECT_EQ(led->FalseColor(), clSilver);
  EXPECT_TRUE(led->Blink());
  EXPECT_FALSE(led->Value());
  EXPECT_EQ(led->Interval(), 1000);
  EXPECT_EQ(led->LEDStyle(), LEDSmall);
  EXPECT_TRUE(led->DarkShown());
  EXPECT_EQ(led->BlinkTimer(), nullptr);
  EXPECT_EQ(led->size(), QSize(16, 16));
  EXPECT_EQ(led->LastPainted(), led->DarkPicture());
  // Lime lit, silver dark: the lit picture is the resource itself.
  EXPECT_EQ(led->LitPicture(), Resource(LEDSmall));
  EXPECT_EQ(led->DarkPicture(), Recoloured(LEDSmall, clSilver));
}

TEST_F(ALedTest, EachStyleTakesItsSizeAndBitmapWhateverSizeItHad) {
  const struct {
    TLEDStyle style;
    QSize size;
  } cases[] = {{LEDLarge, {22, 22}},   {LEDSqSmall, {16, 16}}, {LEDSqLarge, {22, 22}},
               {LEDVertical, {14, 22}}, {LEDHorizontal, {22, 14}}, {LEDSmall, {16, 16}}};
  led->SetTrueColor(clRed);
  led->SetFalseColor(clBlack);
  for (const auto& c : cases) {
    SCOPED_TRACE(LEDStyleResourceName(c.style));
    led->resize(40, 5);
    led->SetLEDStyle(c.style);
    EXPECT_EQ(led->size(), c.size);
    EXPECT_EQ(Resource(c.style).size(), c.size);
    EXPECT_EQ(led->LitPicture(), Recoloured(c.style, clRed));
    EXPECT_EQ(led->DarkPicture(), Recoloured(c.style, clBlack));
    EXPECT_EQ(led->LastPainted(), led->DarkPicture());
  }
}

TEST_F(ALedTest, ALimeLensColourLeavesThePictureAsTheResource) {
  led->SetLEDStyle(LEDSqLarge);
  led->SetTrueColor(clRed);
  led->SetTrueColor(clLime);
  led->SetFalseColor(clLime);
  EXPECT_EQ(led->LitPicture(), Resource(LEDSqLarge));
  EXPECT_EQ(led->DarkPicture(), Resource(LEDSqLarge));
}

TEST_F(ALedTest, ValueDrawsAtOnceWithoutATimerWhenNotBlinking) {
  led->SetBlink(false);
  const int before = led->PaintCount();

  led->SetValue(true);
  EXPECT_EQ(led->PaintCount(), before + 1);  // painted inside the call, not later
  EXPECT_EQ(led->LastPainted(), led->LitPicture());
  EXPECT_FALSE(led->DarkShown());
  EXPECT_EQ(led->BlinkTimer(), nullptr);

  led->SetValue(true);
  EXPECT_EQ(led->PaintCount(), before + 1);

  led->SetValue(false);
  EXPECT_EQ(led->PaintCount(), before + 2);
  EXPECT_EQ(led->LastPainted(), led->DarkPicture());
  EXPECT_TRUE(led->DarkShown());
}

TEST_F(ALedTest, PaintingStretchesThePictureToTheControl) {
  led->SetTrueColor(clRed);
  led->SetBlink(false);
  led->SetValue(true);
  led->resize(32, 32);
  const QImage shown = led->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(32, 32));
  const QImage& lit = led->LitPicture();
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(shown.pixel(2 * x + 1, 2 * y + 1), lit.pixel(x, y)) << x << "," << y;
  }
}

TEST_F(ALedTest, BlinksWhileLitAndStopsDarkWhenSwitchedOff) {
  int ticks = 0;
  bool darkAtFirstTick = false;
  led->SetOnTimer([&](TALed* sender) {
    if (++ticks == 1) darkAtFirstTick = sender->DarkShown() && sender->LastPainted() == sender->DarkPicture();
  });
  led->SetInterval(20);

  led->SetValue(true);
  ASSERT_NE(led->BlinkTimer(), nullptr);
  EXPECT_TRUE(led->BlinkTimer()->isActive());
  EXPECT_EQ(led->LastPainted(), led->LitPicture());
  EXPECT_FALSE(led->DarkShown());

  ASSERT_TRUE(PollUntil([&] { return ticks >= 2; }));
  EXPECT_TRUE(darkAtFirstTick);

  led->SetValue(false);
  EXPECT_EQ(led->BlinkTimer(), nullptr);
  EXPECT_EQ(led->LastPainted(), led->DarkPicture());
  EXPECT_TRUE(led->DarkShown());
  const int after = ticks;
  QTest::qWait(60);
  EXPECT_EQ(ticks, after);
}

TEST_F(ALedTest, TheTimerExistsExactlyWhileLitAndBlinking) {
  const struct {
    bool blink, value, designing, timer;
  } cases[] = {
      {false, false, false, false}, {false, true, false, false}, {true, false, false, false},
      {true, true, false, true},    {true, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "blink " << c.blink << " value " << c.value << " designing " << c.designing);
    TALed l(window.get());
    l.SetDesigning(c.designing);
    l.SetBlink(c.blink);
    l.SetValue(c.value);
    EXPECT_EQ(l.BlinkTimer() != nullptr, c.timer);
    // Switching Blink off and on again keeps the rule.
    l.SetBlink(!c.blink);
    l.SetBlink(c.blink);
    EXPECT_EQ(l.BlinkTimer() != nullptr, c.timer);
  }
}

TEST_F(ALedTest, AColourChangeWhileBlinkingRestartsFromLit) {
  int ticks = 0;
  led->SetOnTimer([&](TALed*) { ++ticks; });
  led->SetInterval(20);
  led->SetValue(true);
  ASSERT_TRUE(PollUntil([&] { return led->DarkShown(); }));
  led->SetInterval(60000);  // no further ticks while the change is checked

  led->SetTrueColor(clRed);
  ASSERT_NE(led->BlinkTimer(), nullptr);
  EXPECT_TRUE(led->BlinkTimer()->isActive());
  EXPECT_EQ(led->BlinkTimer()->interval(), 60000);
  EXPECT_FALSE(led->DarkShown());
  EXPECT_EQ(led->LitPicture(), Recoloured(LEDSmall, clRed));
  EXPECT_EQ(led->LastPainted(), led->LitPicture());
}

TEST_F(ALedTest, AColourChangeWhenNotBlinkingOnlyRebuildsAndRepaints) {
  led->SetBlink(false);
  led->SetValue(true);
  led->resize(30, 30);
  led->SetTrueColor(clRed);
  EXPECT_EQ(led->BlinkTimer(), nullptr);
  EXPECT_FALSE(led->Blink());
  EXPECT_EQ(led->size(), QSize(16, 16));
  EXPECT_EQ(led->LastPainted(), Recoloured(LEDSmall, clRed));
}

TEST_F(ALedTest, IntervalZeroNeverTicksAndTheLedStaysLit) {
  int ticks = 0;
  led->SetOnTimer([&](TALed*) { ++ticks; });
  led->SetInterval(0);
  led->SetValue(true);
  ASSERT_NE(led->BlinkTimer(), nullptr);
  EXPECT_FALSE(led->BlinkTimer()->isActive());
  QTest::qWait(60);
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(led->DarkShown());

  // A later interval takes effect on the running timer, and 0 stops it again.
  led->SetInterval(10);
  ASSERT_TRUE(PollUntil([&] { return ticks > 0; }));
  led->SetInterval(-5);
  EXPECT_FALSE(led->BlinkTimer()->isActive());
  EXPECT_EQ(led->Interval(), -5);
}

TEST_F(ALedTest, IntervalSetWhileNotBlinkingIsUsedByTheNextBlinking) {
  led->SetInterval(250);
  EXPECT_EQ(led->BlinkTimer(), nullptr);
  led->SetValue(true);
  ASSERT_NE(led->BlinkTimer(), nullptr);
  EXPECT_EQ(led->BlinkTimer()->interval(), 250);
}

TEST_F(ALedTest, OnTimerMaySwitchTheLedOff) {
  int ticks = 0;
  led->SetOnTimer([&](TALed* sender) {
    ++ticks;
    sender->SetValue(false);
  });
  led->SetInterval(10);
  led->SetValue(true);
  ASSERT_TRUE(PollUntil([&] { return ticks > 0; }));
  EXPECT_EQ(led->BlinkTimer(), nullptr);
  EXPECT_TRUE(led->DarkShown());
  QTest::qWait(50);
  EXPECT_EQ(ticks, 1);
}

TEST_F(ALedTest, FormPropertiesReachTheSetters) {
  EXPECT_TRUE(led->setProperty("TrueColor", QVariant::fromValue<uint>(clRed)));
  EXPECT_TRUE(led->setProperty("LEDStyle", static_cast<int>(LEDVertical)));
  EXPECT_TRUE(led->setProperty("Blink", false));
  EXPECT_TRUE(led->setProperty("Value", true));
  EXPECT_EQ(led->size(), QSize(14, 22));
  EXPECT_EQ(led->LastPainted(), Recoloured(LEDVertical, clRed));
  // An ordinal outside the enumeration is refused.
  led->setProperty("LEDStyle", 9);
  EXPECT_EQ(led->LEDStyle(), LEDVertical);
}

TEST_F(ALedTest, MouseEventsReachTheirHandlers) {
  int clicks = 0;
  int enters = 0;
  int leaves = 0;
  led->SetOnClick([&](TALed*) { ++clicks; });
  led->SetOnMouseEnter([&](TALed*) { ++enters; });
  led->SetOnMouseLeave([&](TALed*) { ++leaves; });

  QTest::mouseClick(led, Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(clicks, 1);
  // A press that is released outside the control is not a click.
  QTest::mousePress(led, Qt::LeftButton, {}, QPoint(8, 8));
  QTest::mouseRelease(led, Qt::LeftButton, {}, QPoint(40, 40));
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(led, Qt::RightButton, {}, QPoint(8, 8));
  EXPECT_EQ(clicks, 1);

  QEnterEvent enter(QPointF(4, 4), QPointF(14, 14), QPointF(14, 14));
  QApplication::sendEvent(led, &enter);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(led, &leave);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
