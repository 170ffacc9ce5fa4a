#pragma once

#include <QByteArray>
#include <QString>

namespace glimbrik::test {

// Root of the per-process temporary folder that stands in for HOME.
QString TestRoot();

// A fresh empty folder below TestRoot(), removed at exit with the rest.
QString MakeTempFolder(const QString& prefix = QStringLiteral("t"));

// Path of a committed fixture under tests/data.
QString DataPath(const QString& relative);

// The whole file; empty when it cannot be read.
QByteArray ReadBytes(const QString& path);
// Replaces the file's contents; false unless every byte was written.
bool WriteBytes(const QString& path, const QByteArray& bytes);

}  // namespace glimbrik::test
