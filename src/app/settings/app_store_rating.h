#pragma once

#include <QString>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <functional>

namespace glimbrik {

// The rating command. No application store serves this system, so the look-up never runs and
// the command does nothing until a store identifier is known; what the look-up would read is
// kept and tested so that a store can be plugged in.
class MacAppStoreRating {
 public:
  MacAppStoreRating();

  QString appStoreCountry;
  QString applicationBundleID;
  QUrl explicitRatingsURL;  // the rating page when set; else the store's page of appStoreID
  std::atomic<uint64_t> appStoreID{0};

  // The look-up's request: by store identifier once known, else by bundle identifier.
  QUrl lookupURL() const;
  // Learns the store identifier from a look-up reply that names this bundle.
  void applyLookupResponse(const QByteArray& reply);
  // Empty while the store identifier is unknown.
  QUrl ratingsURL() const;
  void RateApplicationAction(const std::function<bool(const QUrl&)>& open) const;

  // The value of key in a JSON text, found by a plain scan rather than a parse: a string value
  // with its escapes decoded, or any other value's text; a null string when the key or its
  // value is missing.
  static QString valueForKey(const QString& key, const QString& json);
};

}  // namespace glimbrik
