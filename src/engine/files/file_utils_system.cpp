// System and bundle information, byte-count texts, name ordering and folder sizes.
#include <unicode/coll.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <memory>

#include "engine/files/file_utils.h"
#include "platform/store/bundle_resources.h"
#include "platform/store/folders.h"
#include "platform/store/user_defaults.h"
#include "platform/system/notification.h"

namespace glimbrik {

namespace {

// The desktop version every version-dependent path was written against; this system offers all
// of them, so it answers as that version or newer would.
constexpr int kSystemVersion[3] = {14, 0, 0};

// A value of the bundle's information list, or fallback when it is missing or empty.
QString BundleInfo(const char* key, const QString& fallback) {
  static const QVariantMap info = ReadBundlePlist(QStringLiteral("Info")).value.toMap();
  const QString value = info.value(QString::fromLatin1(key)).toString();
  return value.isEmpty() ? fallback : value;
}

QString FormatSize(double bytes, double step) {
  static const char* const kFormats[] = {"%.0f B", "%.1f KB", "%.2f MB", "%.3f GB", "%.4f TB"};
  double value = bytes;
  int unit = 0;
  while (unit < 4 && !(value < step)) {
    value /= step;
    ++unit;
  }
  // QString::asprintf ignores the locale, so the text is the same everywhere.
  return QString::asprintf(kFormats[unit], value);
}

// One collator per locale and thread: creating one is costly and sorting calls this often.
icu::Collator* CollatorFor(const QLocale& locale, UColAttributeValue strength) {
  thread_local QHash<QString, std::shared_ptr<icu::Collator>> cache;
  const QString key = locale.name() + QLatin1Char('/') + QString::number(int(strength));
  auto it = cache.find(key);
  if (it == cache.end()) {
    UErrorCode status = U_ZERO_ERROR;
    std::shared_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale(locale.name().toLatin1().constData()), status));
    if (U_FAILURE(status) || !collator) {
      status = U_ZERO_ERROR;
      collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
      if (U_FAILURE(status)) collator.reset();
    }
    if (collator) {
      collator->setAttribute(UCOL_STRENGTH, strength, status);
      collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
      collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
    }
    it = cache.insert(key, collator);
  }
  return it->get();
}

int Compare(icu::Collator* collator, const QString& a, const QString& b) {
  if (!collator) return 0;
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result =
      collator->compare(reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                        reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()), status);
  if (U_FAILURE(status)) return 0;
  return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}

}  // namespace

int CompareSystemVersion(int major, int minor, int patch) {
  const int wanted[3] = {major, minor, patch};
  for (int i = 0; i < 3; ++i) {
    if (kSystemVersion[i] != wanted[i]) return kSystemVersion[i] - wanted[i];
  }
  return 0;
}

QString ApplicationName() { return BundleInfo("CFBundleName", QStringLiteral("-")); }

QString ApplicationShortVersion() {
  return BundleInfo("CFBundleShortVersionString", QStringLiteral("1"));
}

QString ApplicationBuildVersion() { return BundleInfo("CFBundleVersion", QStringLiteral("1")); }

QString ApplicationCopyright() {
  return BundleInfo("NSHumanReadableCopyright",
                    QStringLiteral("Copyright \u00a9 Tarnwell Technologies"));
}

QString AppSupportFolderWithName(const QString& name) {
  const QString root = ApplicationSupportFolderPath();
  if (root.isEmpty()) return QString();
  const QString path =
      root + QLatin1Char('/') + (name.isEmpty() ? QStringLiteral("QVXApplication") : name);
  return QDir().mkpath(path) ? path : QString();
}

QVariant GetUserDefault(const QString& key) { return UserDefaultValue(key); }

void DeliverUserNotification(const QString& title, const QString& text) {
  if (CompareSystemVersion(10, 8, 0) >= 0) SendDesktopNotification(title, text);
}

QString FormatByteSize(double bytes) { return FormatSize(bytes, 1024.0); }

QString FormatByteSizeDecimal(double bytes) { return FormatSize(bytes, 1000.0); }

int FinderCompare(const QString& text, const QString& other, const QLocale& locale) {
  // Secondary strength ignores case and width but keeps accents; then tertiary and finally
  // the code units force an order between texts that still compare equal.
  int result = Compare(CollatorFor(locale, UCOL_SECONDARY), text, other);
  if (result == 0) result = Compare(CollatorFor(locale, UCOL_TERTIARY), text, other);
  if (result == 0) result = text.compare(other) < 0 ? -1 : (text == other ? 0 : 1);
  return result;
}

quint64 FolderByteSize(const QString& folder) {
  quint64 total = 0;
  // Without QDir::Hidden the iterator neither lists nor enters hidden items.
  QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    if (!info.isSymLink()) total += quint64(std::max<qint64>(0, info.size()));
  }
  return total;
}

}  // namespace glimbrik
