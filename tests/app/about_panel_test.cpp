#include "app/about_panel.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QTest>

#include "app/app_store_rating.h"

namespace glimbrik {
namespace {

QString Value(const char* key, const char* json) {
  return MacAppStoreRating::valueForKey(QString::fromLatin1(key), QString::fromUtf8(json));
}

TEST(StoreReplyScan, ValuesAreReadWholeAndDecoded) {
  EXPECT_EQ(Value("trackName", R"({"trackName":"A, B", "x":1})"), QStringLiteral("A, B"));
  EXPECT_EQ(Value("n", R"({"n":"Caf\u00e9", "m":2})"), QStringLiteral("Caf\u00e9"));
  EXPECT_EQ(Value("n", R"({"n":"a\\nb \"q\" \/ \t"})"), QStringLiteral("a\\nb \"q\" / \t"))
      << "an escaped backslash starts no second escape";
  EXPECT_EQ(Value("trackId", R"({"a":{"trackId": 42 }})"), QStringLiteral("42"));
  EXPECT_EQ(Value("last", R"({"last":5])"), QStringLiteral("5"));
  EXPECT_TRUE(Value("missing", R"({"a":1})").isNull());
  EXPECT_TRUE(Value("open", R"({"open":"never closed)").isNull());
  EXPECT_TRUE(Value("bare", R"({"bare":12)").isNull());
}

TEST(StoreReplyScan, TheStoreIdentifierIsLearntOnlyForThisBundle) {
  MacAppStoreRating rating;
  rating.applicationBundleID = QStringLiteral("com.example.App");
  rating.appStoreCountry = QStringLiteral("DE");
  EXPECT_EQ(
      rating.lookupURL().toString(),
      QStringLiteral("https://store.tarnwell.example/lookup?country=DE&bundleId=com.example.App"));
  QList<QUrl> opened;
  const auto open = [&](const QUrl& url) {
    opened << url;
    return true;
  };
  rating.RateApplicationAction(open);
  EXPECT_TRUE(opened.isEmpty()) << "nothing to rate before the identifier is known";

  rating.applyLookupResponse(R"({"results":[{"trackId":99,"bundleId":"com.example.Other"}]})");
  EXPECT_EQ(rating.appStoreID.load(), 0u);
  rating.applyLookupResponse(R"({"results":[{"trackId":12345,"bundleId":"com.example.App"}]})");
  EXPECT_EQ(rating.appStoreID.load(), 12345u);
  EXPECT_EQ(rating.lookupURL().scheme(), QStringLiteral("https"));
  EXPECT_TRUE(rating.lookupURL().query().contains(QStringLiteral("id=12345")));
  rating.RateApplicationAction(open);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].path().endsWith(QStringLiteral("/id12345")));
}

TEST(AboutPanel, ShowsTheBundleFactsAndHidesWhenItIsNoLongerActive) {
  EXPECT_EQ(AboutVersionString(QString(), QString()), QStringLiteral("1 (1)"));
  EXPECT_EQ(AboutVersionString(QStringLiteral("2.5"), QStringLiteral("77")),
            QStringLiteral("2.5 (77)"));

  AboutPanelController* about = AboutPanelController::sharedInstance();
  EXPECT_EQ(about, AboutPanelController::sharedInstance());
  EXPECT_EQ(about->versionField->text(), QStringLiteral("0.1 (1)"));

  about->showPanel();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(about->aboutWindow));
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(about->aboutWindow, &deactivate);
  EXPECT_FALSE(about->aboutWindow->isVisible());
}

}  // namespace
}  // namespace glimbrik
