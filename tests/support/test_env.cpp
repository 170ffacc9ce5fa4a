#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

namespace glimbrik::test {

namespace {
QTemporaryDir& Root() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/glimbrik-test-XXXXXX"));
  return dir;
}
}  // namespace

QString TestRoot() { return Root().path(); }

QString MakeTempFolder(const QString& prefix) {
  const QString path = TestRoot() + QLatin1Char('/') + prefix + QLatin1Char('-') +
                       QUuid::createUuid().toString(QUuid::Id128);
  QDir().mkpath(path);
  return path;
}

QString DataPath(const QString& relative) {
  return QStringLiteral(GLIMBRIK_TEST_DATA "/") + relative;
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace glimbrik::test
