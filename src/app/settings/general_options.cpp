#include "app/settings/general_options.h"

namespace glimbrik {

namespace {

qint64 IntegerOf(const QVariantMap& d, const char* key, qint64 fallback) {
  const QVariant value = d.value(QLatin1String(key));
  if (!value.isValid()) return fallback;
  bool ok = false;
  const double number = value.toDouble(&ok);
  return ok ? static_cast<qint64>(number) : fallback;
}

bool BoolOf(const QVariantMap& d, const char* key, bool fallback) {
  const QVariant value = d.value(QLatin1String(key));
  if (!value.isValid()) return fallback;
  if (value.typeId() == QMetaType::Bool) return value.toBool();
  bool ok = false;
  const double number = value.toDouble(&ok);
  return ok ? number != 0.0 : fallback;
}

double DoubleOf(const QVariantMap& d, const char* key, double fallback) {
  const QVariant value = d.value(QLatin1String(key));
  bool ok = false;
  const double number = value.isValid() ? value.toDouble(&ok) : 0.0;
  return ok ? number : fallback;
}

qint64 State(bool on) { return on ? 1 : 0; }

}  // namespace

GeneralOptions GeneralOptionsFromDictionary(const QVariantMap& d) {
  GeneralOptions o;
  o.photoPresetIndex = IntegerOf(d, "PhotoPresetIndex", o.photoPresetIndex);
  o.addRecursively = BoolOf(d, "AddRecusrsively", o.addRecursively);
  o.maintainDirectory = BoolOf(d, "MaintainDirectory", o.maintainDirectory);
  o.metaData = BoolOf(d, "MetaData", o.metaData);
  o.overWriteFile = BoolOf(d, "OverWriteFile", o.overWriteFile);
  o.preserveCreationDate = BoolOf(d, "PrsereveCreationDate", o.preserveCreationDate);
  o.preserveModificationDate = BoolOf(d, "PrsereveModificaionDate", o.preserveModificationDate);
  o.useAsDestinationFolder = BoolOf(d, "UseAsDestinationFolder", o.useAsDestinationFolder);
  o.doNotShowAlert = BoolOf(d, "DoNotShowAlert", o.doNotShowAlert);
  o.doNotShowPNGOptimizationAlert =
      BoolOf(d, "DoNotShowPNGOptimizationAlert", o.doNotShowPNGOptimizationAlert);
  o.imageType = IntegerOf(d, "ImageType", o.imageType);
  o.imageQuality = DoubleOf(d, "ImageQuality", o.imageQuality);
  o.autoAdjustColorLevels = BoolOf(d, "AutoAdjustColorLevels", o.autoAdjustColorLevels);
  o.autoEnhancement = BoolOf(d, "AutoEnhancement", o.autoEnhancement);
  const QVariant profile = d.value(QStringLiteral("ColorProfile"));
  if (profile.typeId() == QMetaType::QString) o.colorProfile = profile.toString();
  const QVariant destination = d.value(QStringLiteral("DestinationURL"));
  // Written as data; a path typed into the file by hand is read as well.
  if (destination.typeId() == QMetaType::QByteArray || destination.typeId() == QMetaType::QString) {
    o.destinationURL = destination.toByteArray();
  }
  return o;
}

QVariantMap DictionaryFromGeneralOptions(const GeneralOptions& o) {
  QVariantMap d;
  d.insert(QStringLiteral("PhotoPresetIndex"), o.photoPresetIndex);
  d.insert(QStringLiteral("AddRecusrsively"), State(o.addRecursively));
  d.insert(QStringLiteral("MaintainDirectory"), State(o.maintainDirectory));
  d.insert(QStringLiteral("MetaData"), State(o.metaData));
  d.insert(QStringLiteral("OverWriteFile"), State(o.overWriteFile));
  d.insert(QStringLiteral("PrsereveCreationDate"), State(o.preserveCreationDate));
  d.insert(QStringLiteral("PrsereveModificaionDate"), State(o.preserveModificationDate));
  d.insert(QStringLiteral("UseAsDestinationFolder"), State(o.useAsDestinationFolder));
  d.insert(QStringLiteral("DoNotShowAlert"), State(o.doNotShowAlert));
  d.insert(QStringLiteral("DoNotShowPNGOptimizationAlert"), State(o.doNotShowPNGOptimizationAlert));
  d.insert(QStringLiteral("ImageType"), o.imageType);
  d.insert(QStringLiteral("ImageQuality"), o.imageQuality);
  d.insert(QStringLiteral("AutoAdjustColorLevels"), o.autoAdjustColorLevels);
  d.insert(QStringLiteral("AutoEnhancement"), o.autoEnhancement);
  if (!o.colorProfile.isEmpty()) d.insert(QStringLiteral("ColorProfile"), o.colorProfile);
  if (!o.destinationURL.isEmpty()) d.insert(QStringLiteral("DestinationURL"), o.destinationURL);
  return d;
}

}  // namespace glimbrik
