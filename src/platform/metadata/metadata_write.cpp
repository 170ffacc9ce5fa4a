#include "platform/metadata/metadata_write.h"

#include <zlib.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/metadata/exif_maker_note.h"
#include "platform/metadata/metadata_read.h"
#include "platform/metadata/metadata_read_png.h"

namespace glimbrik {

namespace {

// The shared set-up (the XMP toolkit with its lock), and no exiv2 warnings on standard error.
void PrepareExiv2() {
  InitExiv2();
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

const Exiv2::byte* Bytes(const QByteArray& data) {
  return reinterpret_cast<const Exiv2::byte*>(data.constData());
}

QByteArray EncodeExif(const Exiv2::ExifData& exif, Exiv2::ByteOrder order) {
  if (exif.empty()) return QByteArray();
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order,
                            exif);
  return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
}

// Every copy: exiv2 reads a PNG's eXIf chunk with its tags twice, and a second orientation
// would overrule the one written here.
void EraseKey(Exiv2::ExifData* exif, const char* key) {
  const Exiv2::ExifKey wanted(key);
  for (auto it = exif->findKey(wanted); it != exif->end(); it = exif->findKey(wanted)) {
    exif->erase(it);
  }
}

// What a raw file states about its sensor data (DNG tags, the CFA layout) and its sub-images:
// copied into an output they would make readers, ours among them, take it for a raw file.
bool IsRawStructureTag(const Exiv2::Exifdatum& datum) {
  const std::string group = datum.groupName();
  if (group.rfind("SubImage", 0) == 0 || group.rfind("SubThumb", 0) == 0) return true;
  if (group != "Image") return false;
  const uint16_t tag = datum.tag();
  return tag == 0x014A || tag == 0x828D || tag == 0x828E || (tag >= 0xC612 && tag <= 0xCD3F);
}

// Tags an output writes anew, packets it must not carry, and the layout of the old file's pixels.
constexpr const char* kReplacedTags[] = {"Exif.Image.XMLPacket",
                                         "Exif.Image.InterColorProfile",
                                         "Exif.Image.IPTCNAA",
                                         "Exif.Image.ImageResources",
                                         "Exif.Image.ImageWidth",
                                         "Exif.Image.ImageLength",
                                         "Exif.Image.Compression",
                                         "Exif.Image.BitsPerSample",
                                         "Exif.Image.SamplesPerPixel",
                                         "Exif.Image.PhotometricInterpretation",
                                         "Exif.Image.Orientation",
                                         "Exif.Image.XResolution",
                                         "Exif.Image.YResolution",
                                         "Exif.Image.ResolutionUnit",
                                         "Exif.Photo.PixelXDimension",
                                         "Exif.Photo.PixelYDimension",
                                         "Exif.Image.PlanarConfiguration",
                                         "Exif.Image.YCbCrSubSampling",
                                         "Exif.Image.StripOffsets",
                                         "Exif.Image.RowsPerStrip",
                                         "Exif.Image.StripByteCounts",
                                         "Exif.Image.JPEGInterchangeFormat",
                                         "Exif.Image.JPEGInterchangeFormatLength"};

Exiv2::URational ResolutionRational(double dpi) {
  // Whole resolutions stay exact; others keep two decimals.
  if (std::abs(dpi - std::nearbyint(dpi)) < 1e-6) return {uint32_t(std::nearbyint(dpi)), 1};
  return {uint32_t(std::nearbyint(dpi * 100.0)), 100};
}

bool HasKey(const Exiv2::ExifData& exif, const char* key) {
  return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

void SetBytes(Exiv2::ExifData* exif, const char* key, const char* bytes, long size) {
  Exiv2::DataValue value(Exiv2::undefined);
  value.read(reinterpret_cast<const Exiv2::byte*>(bytes), size);
  EraseKey(exif, key);
  exif->add(Exiv2::ExifKey(key), &value);
}

// Readers require some tags of an EXIF IFD, and some depend on the file that holds it: a TIFF
// file describes its own pixels, a JPEG file needs its YCbCr layout told.
void FitExifToFileType(Exiv2::ExifData* exif, int imageType, bool srgb) {
  const bool jpeg = imageType == Exiv2::ImageType::jpeg;
  if (imageType == Exiv2::ImageType::tiff) {
    for (const char* key :
         {"Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension",
          "Exif.Photo.ComponentsConfiguration", "Exif.Photo.CompressedBitsPerPixel",
          "Exif.Iop.InteroperabilityIndex"}) {
      EraseKey(exif, key);
    }
  }
  if (jpeg) {
    if (!HasKey(*exif, "Exif.Image.XResolution") || !HasKey(*exif, "Exif.Image.YResolution")) {
      (*exif)["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
      (*exif)["Exif.Image.YResolution"] = Exiv2::URational(72, 1);
    }
    const auto positioning = exif->findKey(Exiv2::ExifKey("Exif.Image.YCbCrPositioning"));
    if (positioning == exif->end() || (positioning->toLong() != 1 && positioning->toLong() != 2)) {
      (*exif)["Exif.Image.YCbCrPositioning"] = uint16_t(1);  // libjpeg's centred chroma
    }
  }
  const bool exifIfd = std::any_of(exif->begin(), exif->end(), [](const Exiv2::Exifdatum& d) {
    return d.groupName() == "Photo";
  });
  if (!exifIfd) return;
  if (!HasKey(*exif, "Exif.Photo.ExifVersion")) SetBytes(exif, "Exif.Photo.ExifVersion", "0232", 4);
  if (!HasKey(*exif, "Exif.Photo.FlashpixVersion")) {
    SetBytes(exif, "Exif.Photo.FlashpixVersion", "0100", 4);
  }
  const auto colorSpace = exif->findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace"));
  if (colorSpace == exif->end() || (colorSpace->toLong() != 1 && colorSpace->toLong() != 0xffff)) {
    (*exif)["Exif.Photo.ColorSpace"] = uint16_t(srgb ? 1 : 0xffff);  // else "uncalibrated"
  }
  if (jpeg && !HasKey(*exif, "Exif.Photo.ComponentsConfiguration")) {
    SetBytes(exif, "Exif.Photo.ComponentsConfiguration", "\x01\x02\x03\x00", 4);  // Y Cb Cr
  }
}

uint32_t Crc(const QByteArray& bytes) {
  return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

void AppendBigEndian32(QByteArray* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->append(char((value >> shift) & 0xff));
}

// The standard eXIf chunk, placed before the image data as the PNG format asks.
QByteArray WithExifChunk(const QByteArray& png, const QByteArray& exif) {
  qsizetype at = 8;
  while (at + 8 <= png.size()) {
    if (png.mid(at + 4, 4) == "IDAT") break;
    const uint32_t length = (uint32_t(uint8_t(png[at])) << 24) |
                            (uint32_t(uint8_t(png[at + 1])) << 16) |
                            (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
    at += 12 + qsizetype(length);
  }
  if (at + 8 > png.size()) return QByteArray();
  QByteArray chunk;
  AppendBigEndian32(&chunk, uint32_t(exif.size()));
  const QByteArray body = QByteArrayLiteral("eXIf") + exif;
  chunk.append(body);
  AppendBigEndian32(&chunk, Crc(body));
  return png.left(at) + chunk + png.mid(at);
}

}  // namespace

namespace {

MetadataBlocks ReadMetadataOf(const std::function<Exiv2::Image::AutoPtr()>& open,
                              const std::function<QList<PngTextChunk>()>& pngTexts) {
  MetadataBlocks metadata;
  PrepareExiv2();
  try {
    Exiv2::Image::AutoPtr image = open();
    if (!image.get()) return metadata;
    image->readMetadata();
    // The note is checked here, against the bytes of its own file, before its first rewrite.
    Exiv2::ExifData& exif = image->exifData();
    PrepareMakerNoteForWriting(&exif, image->byteOrder());
    metadata.exif = EncodeExif(exif, image->byteOrder());
    if (!image->iptcData().empty()) {
      Exiv2::DataBuf iptc = Exiv2::IptcParser::encode(image->iptcData());
      metadata.iptc = QByteArray(reinterpret_cast<const char*>(iptc.pData_), iptc.size_);
    }
    metadata.xmp = QByteArray::fromStdString(image->xmpPacket());
    if (image->imageType() == Exiv2::ImageType::png) {
      for (const PngTextChunk& chunk : pngTexts()) {
        // The raw profiles and the XMP packet are exiv2's to carry.
        if (chunk.keyword.startsWith(QLatin1String("Raw profile type")) ||
            chunk.keyword == QLatin1String("XML:com.adobe.xmp") || chunk.text.isEmpty()) {
          continue;
        }
        metadata.texts.emplace_back(chunk.keyword, chunk.text);
      }
    }
  } catch (...) {
    // A file whose metadata cannot be parsed simply has none for us.
    return MetadataBlocks();
  }
  return metadata;
}

}  // namespace

MetadataBlocks ReadImageMetadata(const QByteArray& fileData) {
  if (fileData.isEmpty()) return MetadataBlocks();
  return ReadMetadataOf(
      [&] { return Exiv2::ImageFactory::open(Bytes(fileData), long(fileData.size())); },
      [&] { return ReadPngTextChunks(fileData); });
}

MetadataBlocks ReadImageMetadataFromFile(const QString& path) {
  if (path.isEmpty()) return MetadataBlocks();
  return ReadMetadataOf(
      [&] { return Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString()); },
      [&] { return ReadPngTextChunks(path); });
}

QByteArray CarriedExifBlock(const QByteArray& block) {
  if (block.isEmpty()) return QByteArray();
  PrepareExiv2();
  try {
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order =
        Exiv2::ExifParser::decode(exif, Bytes(block), uint32_t(block.size()));
    PrepareMakerNoteForWriting(&exif, order);
    return EncodeExif(exif, order);
  } catch (...) {
    return QByteArray();
  }
}

MetadataBlocks MetadataForOutput(const MetadataBlocks& source, QSize pixelSize, int orientation,
                                 double dpiX, double dpiY) {
  MetadataBlocks out;
  out.iptc = source.iptc;
  out.texts = source.texts;
  PrepareExiv2();
  try {
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order =
        source.exif.isEmpty()
            ? Exiv2::littleEndian
            : Exiv2::ExifParser::decode(exif, Bytes(source.exif), uint32_t(source.exif.size()));
    // The thumbnail shows the old pixels; the packets below would smuggle XMP, a profile or a
    // second copy of the IPTC block into the output.
    for (auto it = exif.begin(); it != exif.end();) {
      const std::string group = it->groupName();
      if (group == "Thumbnail" || group == "SubThumb1" || IsRawStructureTag(*it)) {
        it = exif.erase(it);
      } else {
        ++it;
      }
    }
    for (const char* key : kReplacedTags) {
      EraseKey(&exif, key);
    }
    PrepareMakerNoteForWriting(&exif, order);
    exif["Exif.Image.Orientation"] =
        uint16_t(orientation >= 1 && orientation <= 8 ? orientation : 1);
    if (dpiX > 0 && dpiY > 0) {
      exif["Exif.Image.XResolution"] = ResolutionRational(dpiX);
      exif["Exif.Image.YResolution"] = ResolutionRational(dpiY);
    }
    exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
    if (pixelSize.isValid()) {
      exif["Exif.Photo.PixelXDimension"] = uint32_t(pixelSize.width());
      exif["Exif.Photo.PixelYDimension"] = uint32_t(pixelSize.height());
    }
    out.exif = EncodeExif(exif, order);
  } catch (...) {
    out.exif.clear();
  }
  return out;
}

ImageResult<QByteArray> EmbedImageMetadata(const QByteArray& fileData,
                                           const MetadataBlocks& metadata, bool srgb) {
  using Result = ImageResult<QByteArray>;
  if (metadata.exif.isEmpty() && metadata.iptc.isEmpty()) return {fileData, QString()};
  PrepareExiv2();
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(Bytes(fileData), long(fileData.size()));
    if (!image.get()) return Result::Fail(QStringLiteral("no metadata writer for this type"));
    image->readMetadata();
    const bool png = image->imageType() == Exiv2::ImageType::png;
    Exiv2::ExifData exif;
    Exiv2::ByteOrder order = Exiv2::littleEndian;
    if (!metadata.exif.isEmpty()) {
      order = Exiv2::ExifParser::decode(exif, Bytes(metadata.exif), uint32_t(metadata.exif.size()));
      if (order == Exiv2::invalidByteOrder) order = Exiv2::littleEndian;
      PrepareMakerNoteForWriting(&exif, order);
      Exiv2::ExifData& target = image->exifData();
      // By tag number: a key names the first of the tags exiv2 gives one name (Canon's two
      // custom-function tags, Nikon's two saturation tags).
      for (auto it = target.begin(); it != target.end();) {
        const bool replaced = std::any_of(exif.begin(), exif.end(), [&](const Exiv2::Exifdatum& d) {
          return d.tag() == it->tag() && d.ifdId() == it->ifdId();
        });
        it = replaced ? target.erase(it) : std::next(it);
      }
      for (const Exiv2::Exifdatum& datum : exif) target.add(datum);
      FitExifToFileType(&target, image->imageType(), srgb);
      // exiv2 would hide EXIF in a PNG text chunk; the chunk of its own is added below.
      if (png) {
        exif = target;
        image->clearExifData();
      }
    }
    if (!metadata.iptc.isEmpty()) {
      Exiv2::IptcData iptc;
      if (Exiv2::IptcParser::decode(iptc, Bytes(metadata.iptc), uint32_t(metadata.iptc.size())) ==
          0) {
        image->setIptcData(iptc);
      }
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    if (io.open() != 0) return Result::Fail(QStringLiteral("metadata write failed"));
    QByteArray out(qsizetype(io.size()), '\0');
    io.seek(0, Exiv2::BasicIo::beg);
    const long read = io.read(reinterpret_cast<Exiv2::byte*>(out.data()), long(out.size()));
    io.close();
    if (read != long(out.size())) return Result::Fail(QStringLiteral("metadata write failed"));
    if (png && !exif.empty()) {
      out = WithExifChunk(out, EncodeExif(exif, order));
      if (out.isEmpty()) return Result::Fail(QStringLiteral("metadata write failed"));
    }
    return {out, QString()};
  } catch (const std::exception& e) {
    return Result::Fail(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    return Result::Fail(QStringLiteral("metadata write failed"));
  }
}

}  // namespace glimbrik
