#include "platform/metadata_write.h"

#include <QFile>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <functional>
#include <mutex>

#include "platform/metadata_read.h"
#include "platform/metadata_read_png.h"

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

bool DecodeExif(const QByteArray& blob, Exiv2::ExifData* exif) {
  if (blob.isEmpty()) return false;
  Exiv2::ExifParser::decode(*exif, Bytes(blob), uint32_t(blob.size()));
  return true;
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

Exiv2::URational ResolutionRational(double dpi) {
  // Whole resolutions stay exact; others keep two decimals.
  if (std::abs(dpi - std::nearbyint(dpi)) < 1e-6) return {uint32_t(std::nearbyint(dpi)), 1};
  return {uint32_t(std::nearbyint(dpi * 100.0)), 100};
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
    metadata.exif = EncodeExif(image->exifData(), image->byteOrder());
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
    // A maker note that exiv2 has parsed is written anew with valid offsets; one it cannot
    // parse would keep offsets that point into the old file, so it is left out.
    bool makerNoteParsed = false;
    for (const Exiv2::Exifdatum& datum : exif) {
      makerNoteParsed = makerNoteParsed || Exiv2::ExifTags::isMakerGroup(datum.groupName());
    }
    if (!makerNoteParsed) EraseKey(&exif, "Exif.Photo.MakerNote");
    for (auto it = exif.begin(); it != exif.end();) {
      const std::string group = it->groupName();
      if (group == "Thumbnail" || group == "SubThumb1") {
        it = exif.erase(it);
      } else {
        ++it;
      }
    }
    for (const char* key :
         {"Exif.Image.XMLPacket", "Exif.Image.InterColorProfile", "Exif.Image.IPTCNAA",
          "Exif.Image.ImageResources", "Exif.Image.ImageWidth", "Exif.Image.ImageLength",
          "Exif.Image.Compression", "Exif.Image.BitsPerSample", "Exif.Image.SamplesPerPixel",
          "Exif.Image.PhotometricInterpretation", "Exif.Image.Orientation",
          "Exif.Image.XResolution", "Exif.Image.YResolution", "Exif.Image.ResolutionUnit",
          "Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension"}) {
      EraseKey(&exif, key);
    }
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
                                           const MetadataBlocks& metadata) {
  using Result = ImageResult<QByteArray>;
  if (metadata.exif.isEmpty() && metadata.iptc.isEmpty()) return {fileData, QString()};
  PrepareExiv2();
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(Bytes(fileData), long(fileData.size()));
    if (!image.get()) return Result::Fail(QStringLiteral("no metadata writer for this type"));
    image->readMetadata();
    Exiv2::ExifData exif;
    if (DecodeExif(metadata.exif, &exif)) {
      Exiv2::ExifData& target = image->exifData();
      for (const Exiv2::Exifdatum& datum : exif) target[datum.key()] = datum.value();
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
    return {out, QString()};
  } catch (const std::exception& e) {
    return Result::Fail(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    return Result::Fail(QStringLiteral("metadata write failed"));
  }
}

}  // namespace glimbrik
