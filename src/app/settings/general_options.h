#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

namespace glimbrik {

// The general options file, "%@-Pref.plist", and its keys as stored (misspellings included).
inline constexpr char kGeneralPrefFile[] = "%@-Pref.plist";

// The general options with their first-start defaults.
struct GeneralOptions {
  qint64 photoPresetIndex = 0;
  bool addRecursively = true;
  bool maintainDirectory = true;
  bool metaData = true;
  bool overWriteFile = false;
  bool preserveCreationDate = false;
  bool preserveModificationDate = true;
  bool useAsDestinationFolder = false;
  bool doNotShowAlert = false;
  bool doNotShowPNGOptimizationAlert = false;
  qint64 imageType = 0;
  double imageQuality = static_cast<double>(0.8f);
  bool autoAdjustColorLevels = false;
  bool autoEnhancement = false;
  QString colorProfile;       // null: keep the original profile
  QByteArray destinationURL;  // empty: no remembered destination
};

// Reads the keys of a general options dictionary; a missing key keeps its default and a value of
// another type is read through its number (any non-zero state is on).
GeneralOptions GeneralOptionsFromDictionary(const QVariantMap& dictionary);
// The dictionary written at quit: check-box states as integers, the two adjustments as booleans,
// "ColorProfile" and "DestinationURL" only when set.
QVariantMap DictionaryFromGeneralOptions(const GeneralOptions& options);

}  // namespace glimbrik
