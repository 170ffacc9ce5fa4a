#pragma once

// XML property lists, the form of every preference file and of the bundle's data resources.
//
// Values are QVariants:
//   dictionary  QVariantMap (a QVariantHash is accepted for writing)
//   array       QVariantList (a QStringList is accepted for writing)
//   string      QString
//   integer     qint64 (read); any integral type is accepted for writing; values above the
//               qint64 range read back as quint64
//   real        double (float is accepted for writing and stored as its double value)
//   boolean     bool
//   date        QDateTime (stored in UTC with second precision)
//   data        QByteArray
// Any other value type makes a write fail. Reading accepts only the XML form.

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace glimbrik {

// The root value of a property list, or the reason why there is none.
struct PlistResult {
  QVariant value;
  QString error;  // empty on success
  bool ok() const { return error.isEmpty(); }
};

// The encoded bytes of a property list, or the reason why there are none.
struct PlistData {
  QByteArray data;
  QString error;  // empty on success
  bool ok() const { return error.isEmpty(); }
};

// Outcome of a write to a file.
struct PlistStatus {
  QString error;  // empty on success
  bool ok() const { return error.isEmpty(); }
};

// Whether a value of this QMetaType id reads as a property-list number (integer or real). A
// boolean is not one: it is stored as <true/> or <false/>.
bool IsNumberType(int type);

PlistResult ReadPlistData(const QByteArray& bytes);
PlistResult ReadPlistFile(const QString& path);

PlistData WritePlistData(const QVariant& root);

// Writes through a sibling file that replaces the old one only once it is complete, so a
// failed write leaves the previous file as it was.
PlistStatus WritePlistFile(const QVariant& root, const QString& path);

}  // namespace glimbrik
