#include "platform/store/localization.h"

#include <QVariantMap>

#include "platform/store/bundle_resources.h"

namespace glimbrik {

namespace {

// Loaded once; a missing or damaged table leaves every key showing as itself.
const QVariantMap& Table() {
  static const QVariantMap table = ReadBundlePlist(QStringLiteral("Localizable")).value.toMap();
  return table;
}

}  // namespace

QString LocalizedString(const QString& key) {
  const auto it = Table().constFind(key);
  if (it == Table().cend() || it->typeId() != QMetaType::QString) return key;
  return it->toString();
}

QString LocalizedString(const char* key) { return LocalizedString(QString::fromUtf8(key)); }

}  // namespace glimbrik
