#include "engine/tokens/token_string_sources.h"

#include <QFileInfo>
#include <QStringList>

#include "platform/store/date_format.h"

namespace glimbrik {

namespace {

const QString kInternalDatePattern = QStringLiteral("yyyy:MM:dd HH:mm:ss");

std::optional<QString> InternalDateText(const std::optional<QDateTime>& moment) {
  if (!moment) return std::nullopt;
  return FormatDateWithPattern(*moment, kInternalDatePattern, DateLocale::kPosix);
}

std::optional<QString> IptcDateText(const ImageMetadataValues::Iptc& iptc) {
  const std::optional<QString>*date = nullptr, *time = nullptr;
  if (iptc.dateCreated && iptc.timeCreated) {
    date = &iptc.dateCreated;
    time = &iptc.timeCreated;
  } else if (iptc.digitalCreationDate && iptc.digitalCreationTime) {
    date = &iptc.digitalCreationDate;
    time = &iptc.digitalCreationTime;
  } else {
    return std::nullopt;
  }
  const QString joined = **date + QLatin1Char(' ') + **time;
  auto moment = ParseDateWithPattern(joined, QStringLiteral("yyyyMMdd HHmmss"), DateLocale::kPosix);
  if (!moment) {
    moment = ParseDateWithPattern(joined, QStringLiteral("yyyyMMdd HHmmssZZZ"), DateLocale::kPosix);
  }
  return InternalDateText(moment);
}

std::optional<QString> GpsDateText(const ImageMetadataValues::Gps& gps) {
  if (!gps.dateStamp || !gps.timeStamp) return std::nullopt;
  const QString joined =
      *gps.dateStamp + QLatin1Char(' ') + *gps.timeStamp + QStringLiteral(" UTC");
  return InternalDateText(
      ParseDateWithPattern(joined, QStringLiteral("yyyy:MM:dd HH:mm:ss zzz"), DateLocale::kPosix));
}

std::optional<QString> FileCreationDateText(const QString& filePath) {
  // Qt reads the birth time through statx; file systems that keep none give no date.
  const QDateTime created = QFileInfo(filePath).birthTime();
  if (!created.isValid()) return std::nullopt;
  return InternalDateText(created);
}

QString JoinedList(const QStringList& list) { return list.join(QStringLiteral(", ")); }

std::optional<QString> MakerWord(MakerNoteKind kind) {
  switch (kind) {
    case MakerNoteKind::kCanon:
      return QStringLiteral("Canon");
    case MakerNoteKind::kNikon:
      return QStringLiteral("Nikon");
    case MakerNoteKind::kMinolta:
      return QStringLiteral("Minolta");
    case MakerNoteKind::kFuji:
      return QStringLiteral("Fuji");
    case MakerNoteKind::kOlympus:
      return QStringLiteral("Olympus");
    case MakerNoteKind::kPentax:
      return QStringLiteral("Pentax");
    case MakerNoteKind::kNone:
    case MakerNoteKind::kOther:
      break;
  }
  return std::nullopt;
}

// The first source that has a value.
template <typename... Rest>
std::optional<QString> FirstOf(const std::optional<QString>& first, const Rest&... rest) {
  if (first) return first;
  if constexpr (sizeof...(rest) > 0) {
    return FirstOf(rest...);
  } else {
    return std::nullopt;
  }
}

std::optional<QString> Joined(const std::optional<QStringList>& list) {
  if (!list) return std::nullopt;
  return JoinedList(*list);
}

}  // namespace

std::optional<QString> ImageDateText(const ImageMetadataValues* metadata, const QString& filePath) {
  if (metadata) {
    if (auto text = FirstOf(metadata->exif.dateTimeOriginal, metadata->exif.dateTimeDigitized,
                            metadata->tiff.dateTime)) {
      return text;
    }
    if (auto text = IptcDateText(metadata->iptc)) return text;
    if (auto text = GpsDateText(metadata->gps)) return text;
    if (metadata->png.creationTime) return metadata->png.creationTime;
  }
  return FileCreationDateText(filePath);
}

std::optional<QString> MetadataTokenText(const ImageMetadataValues& m, int64_t tag) {
  switch (tag) {
    case 15:
      return FirstOf(Joined(m.iptc.byline), m.tiff.artist, m.iptc.source);
    case 16:
      return FirstOf(m.iptc.copyrightNotice, m.tiff.copyright, m.png.copyright, m.iptc.source);
    case 17:
      return FirstOf(m.exif.cameraOwnerName, m.exifAux.ownerName, m.canon.ownerName);
    case 18:
      return FirstOf(m.tiff.make, MakerWord(m.makerNote));
    case 19:
      return FirstOf(m.tiff.model, m.dng.uniqueCameraModel, m.dng.localizedCameraModel);
    case 20:
      return FirstOf(m.exif.lensModel, m.exifAux.lensModel, m.canon.lensModel);
    case 21:
      return Joined(m.iptc.keywords);
    default:
      return std::nullopt;
  }
}

}  // namespace glimbrik
