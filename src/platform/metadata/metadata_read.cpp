#include "platform/metadata/metadata_read.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>
#include <cmath>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"
#include "platform/metadata/metadata_read_png.h"

namespace glimbrik {

namespace {

void LockXmpToolkit(void* data, bool lock) {
  auto* mutex = static_cast<std::mutex*>(data);
  if (lock) {
    mutex->lock();
  } else {
    mutex->unlock();
  }
}

std::optional<QString> NonEmpty(QString text) {
  if (text.isEmpty()) return std::nullopt;
  return text;
}

std::optional<QString> FirstText(const std::optional<QStringList>& texts) {
  if (!texts) return std::nullopt;
  return texts->first();
}

bool IsRawTextType(Exiv2::TypeId type) {
  return type == Exiv2::asciiString || type == Exiv2::unsignedByte || type == Exiv2::undefined ||
         type == Exiv2::string || type == Exiv2::comment;
}

// The datum's text; byte-typed values are taken as stored rather than as a list of numbers.
QString DatumText(const Exiv2::Metadatum& datum) {
  if (IsRawTextType(datum.typeId())) {
    std::vector<Exiv2::byte> bytes(static_cast<size_t>(datum.size()));
    if (!bytes.empty()) datum.copy(bytes.data(), Exiv2::littleEndian);
    return MetadataText(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<qsizetype>(bytes.size()));
  }
  const std::string text = datum.toString();
  return MetadataText(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Data>
auto FindDatum(const Data& data, std::string_view key) -> decltype(&*data.begin()) {
  for (const auto& datum : data) {
    if (datum.key() == key) return &datum;
  }
  return nullptr;
}

std::optional<QString> ExifText(const Exiv2::ExifData& exif, std::string_view key) {
  const Exiv2::Exifdatum* datum = FindDatum(exif, key);
  return datum ? NonEmpty(DatumText(*datum)) : std::nullopt;
}

// ---- XMP ----

QStringList XmpTexts(const Exiv2::Xmpdatum& datum) {
  QStringList texts;
  const Exiv2::Value& value = datum.value();
  if (value.typeId() == Exiv2::langAlt) {
    const auto& alternatives = static_cast<const Exiv2::LangAltValue&>(value).value_;
    const auto preferred = alternatives.find("x-default");
    const std::string& text = preferred != alternatives.end() ? preferred->second
                              : alternatives.empty()          ? std::string()
                                                              : alternatives.begin()->second;
    texts.append(MetadataText(text.data(), static_cast<qsizetype>(text.size())));
  } else {
    for (long i = 0; i < value.count(); ++i) {
      const std::string text = value.toString(i);
      texts.append(MetadataText(text.data(), static_cast<qsizetype>(text.size())));
    }
  }
  texts.removeAll(QString());
  return texts;
}

std::optional<QStringList> XmpList(const Exiv2::XmpData& xmp, std::string_view key) {
  const Exiv2::Xmpdatum* datum = FindDatum(xmp, key);
  if (!datum) return std::nullopt;
  QStringList texts = XmpTexts(*datum);
  if (texts.isEmpty()) return std::nullopt;
  return texts;
}

std::optional<QString> XmpText(const Exiv2::XmpData& xmp, std::string_view key) {
  return FirstText(XmpList(xmp, key));
}

// An XMP date ("2021-05-04T10:11:12", perhaps with seconds' fractions or a zone) in the EXIF form.
std::optional<QString> XmpDate(const Exiv2::XmpData& xmp, std::string_view key) {
  const auto text = XmpText(xmp, key);
  if (!text) return std::nullopt;
  QDateTime moment = QDateTime::fromString(*text, Qt::ISODateWithMs);
  if (!moment.isValid()) moment = QDateTime::fromString(*text, Qt::ISODate);
  if (!moment.isValid()) return std::nullopt;
  if (moment.timeSpec() != Qt::LocalTime) moment = moment.toLocalTime();
  return moment.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

void Fallback(std::optional<QString>& slot, std::optional<QString> other) {
  if (!slot) slot = std::move(other);
}

void Fallback(std::optional<QStringList>& slot, std::optional<QStringList> other) {
  if (!slot) slot = std::move(other);
}

// ---- EXIF ----

MakerNoteKind MakerNoteFromGroups(const Exiv2::ExifData& exif) {
  static constexpr std::pair<const char*, MakerNoteKind> kGroups[] = {
      {"Canon", MakerNoteKind::kCanon},     {"Nikon", MakerNoteKind::kNikon},
      {"Minolta", MakerNoteKind::kMinolta}, {"Fujifilm", MakerNoteKind::kFuji},
      {"Olympus", MakerNoteKind::kOlympus}, {"Pentax", MakerNoteKind::kPentax},
  };
  for (const auto& datum : exif) {
    const std::string group = datum.groupName();
    for (const auto& [prefix, kind] : kGroups) {
      if (group.rfind(prefix, 0) == 0) return kind;
    }
  }
  return MakerNoteKind::kNone;
}

// exiv2 decodes a maker note only when it knows the camera's make; without one, the note's own
// header still tells most makers apart.
MakerNoteKind MakerNoteFromHeader(const Exiv2::ExifData& exif) {
  const Exiv2::Exifdatum* note = FindDatum(exif, "Exif.Photo.MakerNote");
  if (!note) return MakerNoteKind::kNone;
  std::vector<Exiv2::byte> bytes(static_cast<size_t>(note->size()));
  if (bytes.empty()) return MakerNoteKind::kNone;
  note->copy(bytes.data(), Exiv2::littleEndian);
  const auto startsWith = [&bytes](std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
  };
  using namespace std::string_view_literals;
  if (startsWith("Nikon\0"sv)) return MakerNoteKind::kNikon;
  if (startsWith("FUJIFILM"sv) || startsWith("GENERALE"sv)) return MakerNoteKind::kFuji;
  if (startsWith("OLYMP\0"sv) || startsWith("OLYMPUS\0"sv) || startsWith("OM SYSTEM"sv)) {
    return MakerNoteKind::kOlympus;
  }
  if (startsWith("AOC\0"sv) || startsWith("PENTAX \0"sv)) return MakerNoteKind::kPentax;
  return MakerNoteKind::kOther;
}

// GPS time stamp: three rationals (hours, minutes, seconds) as "HH:mm:ss".
std::optional<QString> GpsTime(const Exiv2::ExifData& exif) {
  const Exiv2::Exifdatum* datum = FindDatum(exif, "Exif.GPSInfo.GPSTimeStamp");
  if (!datum || datum->count() != 3) return std::nullopt;
  int parts[3];
  for (long i = 0; i < 3; ++i) {
    const Exiv2::Rational r = datum->toRational(i);
    if (r.second <= 0 || r.first < 0) return std::nullopt;
    const double value = std::floor(double(r.first) / double(r.second));
    if (value >= 60.0 || (i == 0 && value >= 24.0)) return std::nullopt;
    parts[i] = static_cast<int>(value);
  }
  return QString::asprintf("%02d:%02d:%02d", parts[0], parts[1], parts[2]);
}

void ReadExif(const Exiv2::ExifData& exif, ImageMetadataValues& values) {
  values.exif.dateTimeOriginal = ExifText(exif, "Exif.Photo.DateTimeOriginal");
  values.exif.dateTimeDigitized = ExifText(exif, "Exif.Photo.DateTimeDigitized");
  values.exif.cameraOwnerName = ExifText(exif, "Exif.Photo.CameraOwnerName");
  values.exif.lensModel = ExifText(exif, "Exif.Photo.LensModel");
  values.tiff.dateTime = ExifText(exif, "Exif.Image.DateTime");
  values.tiff.artist = ExifText(exif, "Exif.Image.Artist");
  values.tiff.copyright = ExifText(exif, "Exif.Image.Copyright");
  values.tiff.make = ExifText(exif, "Exif.Image.Make");
  values.tiff.model = ExifText(exif, "Exif.Image.Model");
  values.gps.dateStamp = ExifText(exif, "Exif.GPSInfo.GPSDateStamp");
  values.gps.timeStamp = GpsTime(exif);
  values.dng.uniqueCameraModel = ExifText(exif, "Exif.Image.UniqueCameraModel");
  values.dng.localizedCameraModel = ExifText(exif, "Exif.Image.LocalizedCameraModel");
  values.canon.ownerName = ExifText(exif, "Exif.Canon.OwnerName");
  values.canon.lensModel = ExifText(exif, "Exif.Canon.LensModel");
  values.makerNote = MakerNoteFromGroups(exif);
  if (values.makerNote == MakerNoteKind::kNone) values.makerNote = MakerNoteFromHeader(exif);
}

// ---- IPTC ----

std::optional<QStringList> IptcList(const Exiv2::IptcData& iptc, std::string_view key) {
  QStringList texts;
  for (const auto& datum : iptc) {
    if (datum.key() != key) continue;
    QString text = DatumText(datum);
    if (!text.isEmpty()) texts.append(std::move(text));
  }
  if (texts.isEmpty()) return std::nullopt;
  return texts;
}

std::optional<QString> IptcText(const Exiv2::IptcData& iptc, std::string_view key) {
  return FirstText(IptcList(iptc, key));
}

// IPTC dates and times in their stored forms "yyyyMMdd" and "HHmmss±hhmm", whichever way exiv2
// holds them.
std::optional<QString> IptcDate(const Exiv2::IptcData& iptc, std::string_view key) {
  const Exiv2::Iptcdatum* datum = FindDatum(iptc, key);
  if (!datum) return std::nullopt;
  if (const auto* date = dynamic_cast<const Exiv2::DateValue*>(&datum->value())) {
    const Exiv2::DateValue::Date& d = date->getDate();
    if (d.year <= 0) return std::nullopt;
    return QString::asprintf("%04d%02d%02d", d.year, d.month, d.day);
  }
  return NonEmpty(DatumText(*datum));
}

std::optional<QString> IptcTime(const Exiv2::IptcData& iptc, std::string_view key) {
  const Exiv2::Iptcdatum* datum = FindDatum(iptc, key);
  if (!datum) return std::nullopt;
  if (const auto* time = dynamic_cast<const Exiv2::TimeValue*>(&datum->value())) {
    const Exiv2::TimeValue::Time& t = time->getTime();
    const bool behind = t.tzHour < 0 || t.tzMinute < 0;
    return QString::asprintf("%02d%02d%02d%c%02d%02d", t.hour, t.minute, t.second,
                             behind ? '-' : '+', std::abs(t.tzHour), std::abs(t.tzMinute));
  }
  return NonEmpty(DatumText(*datum));
}

void ReadIptc(const Exiv2::IptcData& iptc, ImageMetadataValues& values) {
  values.iptc.byline = IptcList(iptc, "Iptc.Application2.Byline");
  values.iptc.keywords = IptcList(iptc, "Iptc.Application2.Keywords");
  values.iptc.copyrightNotice = IptcText(iptc, "Iptc.Application2.Copyright");
  values.iptc.source = IptcText(iptc, "Iptc.Application2.Source");
  values.iptc.dateCreated = IptcDate(iptc, "Iptc.Application2.DateCreated");
  values.iptc.timeCreated = IptcTime(iptc, "Iptc.Application2.TimeCreated");
  values.iptc.digitalCreationDate = IptcDate(iptc, "Iptc.Application2.DigitizationDate");
  values.iptc.digitalCreationTime = IptcTime(iptc, "Iptc.Application2.DigitizationTime");
}

void ReadXmp(const Exiv2::XmpData& xmp, ImageMetadataValues& values) {
  if (xmp.empty()) return;
  Fallback(values.exif.dateTimeOriginal, XmpDate(xmp, "Xmp.exif.DateTimeOriginal"));
  Fallback(values.exif.dateTimeDigitized, XmpDate(xmp, "Xmp.exif.DateTimeDigitized"));
  Fallback(values.exif.cameraOwnerName, XmpText(xmp, "Xmp.exifEX.CameraOwnerName"));
  Fallback(values.exif.lensModel, XmpText(xmp, "Xmp.exifEX.LensModel"));
  Fallback(values.exifAux.ownerName, XmpText(xmp, "Xmp.aux.OwnerName"));
  Fallback(values.exifAux.lensModel, XmpText(xmp, "Xmp.aux.Lens"));
  Fallback(values.tiff.dateTime, XmpDate(xmp, "Xmp.tiff.DateTime"));
  Fallback(values.tiff.artist, XmpText(xmp, "Xmp.tiff.Artist"));
  Fallback(values.tiff.copyright, XmpText(xmp, "Xmp.tiff.Copyright"));
  Fallback(values.tiff.make, XmpText(xmp, "Xmp.tiff.Make"));
  Fallback(values.tiff.model, XmpText(xmp, "Xmp.tiff.Model"));
  Fallback(values.iptc.byline, XmpList(xmp, "Xmp.dc.creator"));
  Fallback(values.iptc.keywords, XmpList(xmp, "Xmp.dc.subject"));
  Fallback(values.iptc.copyrightNotice, XmpText(xmp, "Xmp.dc.rights"));
  Fallback(values.iptc.source, XmpText(xmp, "Xmp.photoshop.Source"));
}

void ReadPngText(const QString& path, ImageMetadataValues& values) {
  for (const PngTextChunk& chunk : ReadPngTextChunks(path)) {
    if (chunk.keyword == QLatin1String("Copyright")) {
      Fallback(values.png.copyright, NonEmpty(chunk.text));
    } else if (chunk.keyword == QLatin1String("Creation Time")) {
      Fallback(values.png.creationTime, NonEmpty(chunk.text));
    }
  }
}

}  // namespace

// The XMP toolkit's set-up is not thread-safe, and parsing registers unknown namespaces, which
// must be serialised between the batch worker and the main thread.
void InitExiv2() {
  static std::mutex xmpMutex;
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::XmpParser::initialize(LockXmpToolkit, &xmpMutex); });
}

QString MetadataText(const char* data, qsizetype size) {
  if (!data || size <= 0) return QString();
  while (size > 0 && (data[size - 1] == '\0' || data[size - 1] == ' ')) --size;
  const QByteArray bytes = QByteArray::fromRawData(data, size);
  // A lone NUL inside (a fixed-size field) ends the text, as C readers of these tags see it.
  const qsizetype nul = bytes.indexOf('\0');
  const QByteArray used = nul >= 0 ? bytes.left(nul) : bytes;
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(used);
  if (utf8.hasError()) text = QString::fromLatin1(used);
  if (text.size() > kMaxMetadataTextLength) {
    qsizetype cut = kMaxMetadataTextLength;
    if (text.at(cut - 1).isHighSurrogate()) --cut;
    text.truncate(cut);
  }
  return text;
}

namespace {

// exiv2 does not find the EXIF item of a HEIF file: libheif hands out its blocks.
std::optional<ImageMetadataValues> ReadHeifMetadataValues(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || !codec::IsHeifFile(file.peek(16))) return std::nullopt;
  const MetadataBlocks blocks = codec::ReadHeifMetadata(file.readAll());
  ImageMetadataValues values;
  Exiv2::ExifData exif;
  if (!blocks.exif.isEmpty()) {
    Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(blocks.exif.constData()),
                              uint32_t(blocks.exif.size()));
  }
  Exiv2::XmpData xmp;
  if (!blocks.xmp.isEmpty()) Exiv2::XmpParser::decode(xmp, blocks.xmp.toStdString());
  ReadExif(exif, values);
  ReadXmp(xmp, values);
  return values;
}

}  // namespace

std::optional<ImageMetadataValues> ReadImageMetadataValues(const QString& path) {
  InitExiv2();
  try {
    if (std::optional<ImageMetadataValues> heif = ReadHeifMetadataValues(path)) return heif;
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    if (!image.get()) return std::nullopt;
    image->readMetadata();
    ImageMetadataValues values;
    ReadExif(image->exifData(), values);
    ReadIptc(image->iptcData(), values);
    ReadXmp(image->xmpData(), values);
    if (image->imageType() == Exiv2::ImageType::png) ReadPngText(path, values);
    return values;
  } catch (const Exiv2::AnyError&) {
    return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace glimbrik
