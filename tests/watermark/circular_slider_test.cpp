#include "watermark/circular_slider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <tuple>

namespace glimbrik {
namespace {

// Where the pointer's rim disc is drawn: the darkest pixel outside the centre ring.
QPoint RimDisc(QVXCircularSlider& dial) {
  QImage image(dial.size(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  dial.render(&image);
  QPoint darkest;
  int best = 256;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const double r = std::hypot(x - 30.0, y - 30.0);
      if (r >= 24 && r <= 29 && qGray(image.pixel(x, y)) < best) {
        best = qGray(image.pixel(x, y));
        darkest = QPoint(x, y);
      }
    }
  }
  return darkest;
}

TEST(CircularSlider, ThePointerShowsTheAngleAndAClickSetsIt) {
  QVXCircularSlider dial;
  // Every angle comes back as set, less whole turns, across the dial's wrap at 90.
  for (const int angle : {0, 90, 91, 180, 359, 450, -90}) {
    dial.setAngleValue(angle);
    EXPECT_EQ(dial.getAngleValue(), (angle + 360) % 360) << angle;
  }
  dial.setAngleValue(0);
  EXPECT_GT(RimDisc(dial).x(), 50) << "angle 0 points right";
  dial.setAngleValue(180);
  EXPECT_LT(RimDisc(dial).x(), 10);
  // Counter-clockwise on screen, as the watermark turns.
  dial.setAngleValue(90);
  EXPECT_LT(RimDisc(dial).y(), 10) << "90 points up";
  dial.setAngleValue(30);
  EXPECT_GT(RimDisc(dial).x(), 45);
  EXPECT_LT(RimDisc(dial).y(), 25) << "30 points up and to the right";

  dial.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dial));
  QTest::mouseClick(&dial, Qt::LeftButton, Qt::NoModifier, QPoint(30, 5));
  EXPECT_EQ(dial.getAngleValue(), 90);
  QTest::mouseClick(&dial, Qt::LeftButton, Qt::NoModifier, QPoint(55, 30));
  EXPECT_EQ(dial.getAngleValue(), 0);
  QTest::mouseClick(&dial, Qt::LeftButton, Qt::NoModifier, QPoint(30, 55));
  EXPECT_EQ(dial.getAngleValue(), 270);

  // Keys turn the angle the way the pointer turns: up (or right) counter-clockwise, across the
  // value's wrap at 90/91 and round past 359.
  for (const auto& [from, key, to] : {std::tuple{0, Qt::Key_Up, 1},
                                      {90, Qt::Key_Up, 91},
                                      {91, Qt::Key_Down, 90},
                                      {359, Qt::Key_Right, 0},
                                      {0, Qt::Key_Left, 359},
                                      {85, Qt::Key_PageUp, 95},
                                      {5, Qt::Key_PageDown, 355},
                                      {200, Qt::Key_Home, 0},
                                      {200, Qt::Key_End, 359}}) {
    dial.setAngleValue(from);
    QSignalSpy changes(&dial, &QAbstractSlider::valueChanged);
    QTest::keyClick(&dial, key);
    EXPECT_EQ(dial.getAngleValue(), to) << from << " " << key;
    EXPECT_EQ(changes.count(), 1) << from << " " << key;
  }

  // The wheel turns as Up and Down do, a whole notch at a time.
  const auto wheel = [&dial](int delta) {
    QWheelEvent event(QPointF(30, 30), dial.mapToGlobal(QPointF(30, 30)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&dial, &event);
  };
  dial.setAngleValue(90);
  wheel(120);
  EXPECT_EQ(dial.getAngleValue(), 91);
  wheel(-240);
  EXPECT_EQ(dial.getAngleValue(), 89);
  wheel(60);
  EXPECT_EQ(dial.getAngleValue(), 89);
  wheel(60);
  EXPECT_EQ(dial.getAngleValue(), 90);
}

}  // namespace
}  // namespace glimbrik
