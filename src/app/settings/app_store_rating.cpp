#include "app/settings/app_store_rating.h"

#include <QLocale>
#include <QUrlQuery>
#include <functional>

#include "platform/store/bundle.h"

namespace glimbrik {

namespace {

constexpr char kStoreHost[] = "store.tarnwell.example";

bool IsValueEnd(QChar c) { return c == u',' || c == u'}' || c == u']'; }

int HexDigit(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

// The string whose opening quote is at json[start]; escapes decoded in one pass, so that an
// escaped backslash never starts a second escape. Null when the closing quote is missing.
QString ReadString(const QString& json, qsizetype start) {
  QString out;
  for (qsizetype i = start + 1; i < json.size(); ++i) {
    const QChar c = json[i];
    if (c == u'"') return out.isNull() ? QStringLiteral("") : out;
    if (c != u'\\' || i + 1 >= json.size()) {
      out.append(c);
      continue;
    }
    const QChar e = json[++i];
    switch (e.unicode()) {
      case u'n':
        out.append(u'\n');
        break;
      case u'r':
        out.append(u'\r');
        break;
      case u't':
        out.append(u'\t');
        break;
      case u'f':
        out.append(u'\f');
        break;
      case u'b':
        out.append(u'\b');
        break;
      case u'u': {
        int code = 0;
        bool ok = i + 4 < json.size();
        for (int k = 1; ok && k <= 4; ++k) {
          const int digit = HexDigit(json[i + k]);
          ok = digit >= 0;
          code = code * 16 + digit;
        }
        if (ok) {
          out.append(QChar(char16_t(code)));
          i += 4;
        } else {
          out.append(QStringLiteral("\\u"));
        }
        break;
      }
      default:  // \\, \/, \" and anything unknown stand for the character itself
        out.append(e);
        break;
    }
  }
  return QString();
}

}  // namespace

MacAppStoreRating::MacAppStoreRating()
    : appStoreCountry(QLocale().name().section(u'_', 1, 1)),
      applicationBundleID(QString::fromLatin1(kBundleIdentifier)) {}

QString MacAppStoreRating::valueForKey(const QString& key, const QString& json) {
  const QString quoted = u'"' + key + u'"';
  const qsizetype at = json.indexOf(quoted);
  if (at < 0) return QString();
  const qsizetype colon = json.indexOf(u':', at + quoted.size());
  if (colon < 0) return QString();
  qsizetype start = colon + 1;
  while (start < json.size() && json[start].isSpace()) ++start;
  if (start < json.size() && json[start] == u'"') return ReadString(json, start);
  qsizetype end = start;
  while (end < json.size() && !IsValueEnd(json[end])) ++end;
  if (end >= json.size()) return QString();
  return json.mid(start, end - start).trimmed();
}

QUrl MacAppStoreRating::lookupURL() const {
  QUrl url;
  url.setScheme(QStringLiteral("https"));
  url.setHost(QString::fromLatin1(kStoreHost));
  url.setPath(QStringLiteral("/lookup"));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("country"), appStoreCountry);
  if (const uint64_t id = appStoreID.load()) {
    query.addQueryItem(QStringLiteral("id"), QString::number(id));
  } else {
    query.addQueryItem(QStringLiteral("bundleId"), applicationBundleID);
  }
  url.setQuery(query);
  return url;
}

void MacAppStoreRating::applyLookupResponse(const QByteArray& reply) {
  const QString text = QString::fromUtf8(reply);
  if (valueForKey(QStringLiteral("bundleId"), text) != applicationBundleID) return;
  bool ok = false;
  const uint64_t id = valueForKey(QStringLiteral("trackId"), text).toULongLong(&ok);
  uint64_t unknown = 0;
  if (ok && id != 0) appStoreID.compare_exchange_strong(unknown, id);
}

QUrl MacAppStoreRating::ratingsURL() const {
  if (explicitRatingsURL.isValid()) return explicitRatingsURL;
  const uint64_t id = appStoreID.load();
  if (id == 0) return QUrl();
  QUrl url;
  url.setScheme(QStringLiteral("https"));
  url.setHost(QString::fromLatin1(kStoreHost));
  url.setPath(QStringLiteral("/app/id%1").arg(id));
  return url;
}

void MacAppStoreRating::RateApplicationAction(const std::function<bool(const QUrl&)>& open) const {
  if (appStoreID.load() == 0) return;
  const QUrl url = ratingsURL();
  if (url.isValid() && open) open(url);
}

}  // namespace glimbrik
