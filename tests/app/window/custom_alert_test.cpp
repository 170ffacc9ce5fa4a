#include "app/window/custom_alert.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>

#include "app/app_fixtures.h"

namespace glimbrik {
namespace {

using test::VisibleAlert;

QString LabelText(AlertDialog* alert, const char* name) {
  return alert->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Answers the next alert from inside its own event loop; should the answer not end it, a guard
// does, so that a fault fails the test instead of hanging the suite.
class NextAlert {
 public:
  NextAlert(std::function<void(AlertDialog*)> answer, int guardCode) {
    QTimer::singleShot(0, [answer] {
      if (AlertDialog* alert = VisibleAlert()) answer(alert);
    });
    guard_.setSingleShot(true);
    QObject::connect(&guard_, &QTimer::timeout, [guardCode] {
      if (AlertDialog* alert = VisibleAlert()) alert->done(guardCode);
    });
    guard_.start(10000);
  }

 private:
  QTimer guard_;
};

TEST(CustomAlert, FromAWorkerItReturnsOnlyAfterTheButtonWasPressed) {
  QWidget window;
  window.show();
  std::atomic<qint64> response{CustomAlert::kResponseShowing};
  std::atomic<bool> returned{false};
  // The sheet runs its own event loop: the answer is given from inside it.
  bool shown = false;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    AlertDialog* alert = VisibleAlert();
    if (!alert) return;
    answer.stop();
    shown = true;
    EXPECT_FALSE(returned.load()) << "the worker waits for the sheet";
    EXPECT_EQ(alert->parentWidget(), &window);
    EXPECT_EQ(LabelText(alert, "alertTitle"), QStringLiteral("Title <b>bold</b>"));
    auto* message = alert->findChild<QLabel*>(QStringLiteral("alertMessage"));
    EXPECT_EQ(message->text(), QStringLiteral("100% sure %@ %1"));
    EXPECT_EQ(message->textFormat(), Qt::PlainText);
    QTest::mouseClick(alert->findChild<QPushButton*>(QStringLiteral("otherButton")),
                      Qt::LeftButton);
  });
  answer.start(10);
  std::thread worker([&] {
    response = ShowCustomAlert(QStringLiteral("Title <b>bold</b>"),
                               QStringLiteral("100% sure %@ %1"), QStringLiteral("OK"),
                               QStringLiteral("Cancel"), QStringLiteral("Other"), &window);
    returned = true;
  });
  const bool done = QTest::qWaitFor([&] { return returned.load(); }, 10000);
  if (!done) {
    if (AlertDialog* alert = VisibleAlert()) alert->done(0);  // let the worker go before failing
    if (!QTest::qWaitFor([&] { return returned.load(); }, 5000))
      ADD_FAILURE() << "the worker is stuck";
  }
  worker.join();
  ASSERT_TRUE(done);
  ASSERT_TRUE(shown);
  EXPECT_EQ(response.load(), -1);
}

TEST(CustomAlert, EscapeAndTheCloseButtonGiveTheCancelAnswer) {
  struct Case {
    const char* alter;
    const char* other;
    bool escape;  // else the window's close button
    qint64 expected;
  };
  // The Cancel button's answer where there is one; otherwise the default answer.
  for (const Case& c : {Case{"Cancel", nullptr, true, 0}, Case{"Cancel", nullptr, false, 0},
                        Case{"Discard", nullptr, true, 1}, Case{"Open", "More", false, 1},
                        Case{"Save", "Cancel", true, -1}}) {
    NextAlert answer(
        [&c](AlertDialog* alert) {
          if (c.escape) {
            QTest::keyClick(alert, Qt::Key_Escape);
          } else {
            alert->close();
          }
        },
        QDialog::Accepted);
    EXPECT_EQ(ShowCustomAlert(QStringLiteral("t"), QStringLiteral("m"), QStringLiteral("OK"),
                              QString::fromLatin1(c.alter), QString::fromLatin1(c.other), nullptr),
              c.expected)
        << c.alter << " " << c.escape;
  }
}

TEST(CustomAlert, TheAccessoryViewIsFreeAgainAndKeepsItsState) {
  QWidget holder;
  auto* box = new QCheckBox(QStringLiteral("Do not show"), &holder);
  box->hide();
  for (int round = 0; round < 2; ++round) {
    NextAlert answer(
        [box](AlertDialog* alert) {
          EXPECT_EQ(box->window(), alert);
          EXPECT_TRUE(box->isVisible());
          box->setChecked(true);
          alert->findChild<QPushButton*>(QStringLiteral("alterButton"))->click();
        },
        0);
    EXPECT_EQ(
        ShowCustomAlertWithView(QStringLiteral("t"), QStringLiteral("m"), QStringLiteral("OK"),
                                QStringLiteral("No"), QString(), nullptr, box),
        0);
    EXPECT_EQ(box->parentWidget(), &holder);
    EXPECT_TRUE(box->isChecked());
  }
}

}  // namespace
}  // namespace glimbrik
