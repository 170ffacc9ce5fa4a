#include "platform/store/bundle.h"

#include <QFile>
#include <mutex>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitGlimbrikQrc() { Q_INIT_RESOURCE(glimbrik); }

namespace glimbrik {

void InitBundleResources() {
  static std::once_flag once;
  std::call_once(once, InitGlimbrikQrc);
}

QString BundleResourcePath(const QString& name, const QString& type) {
  InitBundleResources();
  QString path = QStringLiteral(":/") + name;
  if (!type.isEmpty()) path += QLatin1Char('.') + type;
  return QFile::exists(path) ? path : QString();
}

}  // namespace glimbrik
