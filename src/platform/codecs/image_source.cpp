#include "platform/codecs/image_source.h"

#include <QColorSpace>
#include <QFile>
#include <atomic>
#include <cmath>

#include "platform/codecs/codec_decoders.h"
#include "platform/codecs/other_formats/codec_legacy_decoders.h"
#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"
#include "platform/metadata/image_orientation.h"
#include "platform/metadata/metadata_read_png.h"
#include "platform/metadata/metadata_write.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

SourceFormat SniffImageFormat(const QByteArray& head) {
  auto starts = [&](const char* magic, int length) {
    return head.size() >= length && std::memcmp(head.constData(), magic, length) == 0;
  };
  if (starts("\xFF\xD8\xFF", 3)) return SourceFormat::JPEG;
  if (starts("\x89PNG\r\n\x1A\n", 8)) return SourceFormat::PNG;
  if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4)) {
    return SourceFormat::TIFF;
  }
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return SourceFormat::GIF;
  if (starts("\0\0\0\x0CjP  \r\n\x87\n", 12) || starts("\xFF\x4F\xFF\x51", 4)) {
    return SourceFormat::JPEG2000;
  }
  if (head.size() >= 12 && starts("RIFF", 4) && head.mid(8, 4) == "WEBP") return SourceFormat::WebP;
  if (codec::IsHeifFile(head)) return SourceFormat::HEIF;
  if (codec::IsExrFile(head)) return SourceFormat::OpenEXR;
  if (starts("8BPS", 4)) return SourceFormat::PSD;
  if (starts("\x01\xDA", 2)) return SourceFormat::SGI;
  if (starts("icns", 4)) return SourceFormat::ICNS;
  if (starts("BM", 2) && head.size() >= 26) return SourceFormat::BMP;
  // Icon and cursor directories; a count of 0 is a TGA header that happens to look alike.
  if ((starts("\0\0\1\0", 4) || starts("\0\0\2\0", 4)) && head.size() >= 6 &&
      (head[4] != 0 || head[5] != 0)) {
    return SourceFormat::ICO;
  }
  if (starts("#define", 7)) return SourceFormat::XBM;
  if (starts("/* XPM */", 9)) return SourceFormat::XPM;
  if (head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
      QByteArrayView(" \t\r\n").contains(head[2])) {
    return SourceFormat::PNM;
  }
  // TGA has no signature: accept a plausible header and let the reader confirm it.
  if (head.size() >= 18) {
    const uchar* h = reinterpret_cast<const uchar*>(head.constData());
    const bool mapType = h[1] <= 1;
    const bool imageType =
        h[2] == 1 || h[2] == 2 || h[2] == 3 || h[2] == 9 || h[2] == 10 || h[2] == 11;
    const bool depth = h[16] == 8 || h[16] == 15 || h[16] == 16 || h[16] == 24 || h[16] == 32;
    if (mapType && imageType && depth) return SourceFormat::TGA;
  }
  return SourceFormat::Unknown;
}

QString TypeIdentifierForFormat(SourceFormat format) {
  switch (format) {
    case SourceFormat::JPEG:
      return QStringLiteral("public.jpeg");
    case SourceFormat::PNG:
      return QStringLiteral("public.png");
    case SourceFormat::TIFF:
      return QStringLiteral("public.tiff");
    case SourceFormat::GIF:
      return QStringLiteral("com.compuserve.gif");
    case SourceFormat::JPEG2000:
      return QStringLiteral("public.jpeg-2000");
    case SourceFormat::WebP:
      return QStringLiteral("org.webmproject.webp");
    case SourceFormat::CameraRaw:
      return QStringLiteral("public.camera-raw-image");
    case SourceFormat::HEIF:
      return QStringLiteral("public.heic");
    case SourceFormat::OpenEXR:
      return QStringLiteral("com.ilm.openexr-image");
    case SourceFormat::BMP:
      return QStringLiteral("com.microsoft.bmp");
    case SourceFormat::ICO:
      return QStringLiteral("com.microsoft.ico");
    case SourceFormat::ICNS:
      return QStringLiteral("com.apple.icns");
    case SourceFormat::TGA:
      return QStringLiteral("com.truevision.tga-image");
    case SourceFormat::XBM:
      return QStringLiteral("public.xbitmap-image");
    case SourceFormat::PSD:
      return QStringLiteral("com.adobe.photoshop-image");
    case SourceFormat::SGI:
      return QStringLiteral("com.sgi.sgi-image");
    case SourceFormat::XPM:
      return QStringLiteral("public.xpm");
    case SourceFormat::PNM:
      return QStringLiteral("public.pbm");
    case SourceFormat::MacPaint:
      return QStringLiteral("com.apple.macpaint-image");
    case SourceFormat::Fax:
      return QStringLiteral("public.fax");
    case SourceFormat::QuickTimeImage:
      return QStringLiteral("com.apple.quicktime-image");
    default:
      return QString();
  }
}

namespace {
const QString kChangedWhileRead = QStringLiteral("the file changed while it was read");

// A PNG whose signature was damaged, by a bit flip or by a text-mode copy that changed its line
// ends, still has its header chunk where the signature ends.
bool LooksLikeDamagedPng(const QByteArray& data) {
  const QByteArray head = data.left(24);
  const qsizetype header = head.indexOf("IHDR");
  const QByteArray signature = head.left(8);
  return header >= 10 && header <= 18 &&
         (signature.contains("PN") || signature.contains("NG") || signature.startsWith('\x89'));
}
thread_local ScopedReadBufferReuse* tReadBufferReuse = nullptr;
}  // namespace

ScopedReadBufferReuse::ScopedReadBufferReuse() : previous_(tReadBufferReuse) {
  tReadBufferReuse = this;
}

ScopedReadBufferReuse::~ScopedReadBufferReuse() { tReadBufferReuse = previous_; }

ScopedReadBufferReuse* ScopedReadBufferReuse::Current() { return tReadBufferReuse; }

std::shared_ptr<ScopedReadBufferReuse::Buffer> ScopedReadBufferReuse::FreeBuffer(size_t size) {
  // Sources hold the buffer through shared pointers, possibly on other threads: a count of 1
  // with an acquire fence means every earlier reader is done with it.
  const bool free = buffer_ && buffer_.use_count() == 1;
  std::atomic_thread_fence(std::memory_order_acquire);
  if (!free) buffer_ = std::make_shared<Buffer>();
  if (buffer_->capacity < std::max<size_t>(size, 1)) {
    buffer_->capacity = std::max<size_t>(size, 1);
    buffer_->bytes = std::make_unique_for_overwrite<char[]>(buffer_->capacity);
  }
  return buffer_;
}

std::shared_ptr<ImageSource> ImageSource::Open(const QString& path) {
  auto source = std::make_shared<ImageSource>();
  source->path_ = path;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    source->error_ = QStringLiteral("cannot open the file");
    return source;
  }
  if (file.size() > qint64(4) * 1024 * 1024 * 1024) {
    source->error_ = QStringLiteral("file too large");
    return source;
  }
  constexpr qint64 kMapAbove = 32 * 1024 * 1024;
  const qint64 size = file.size();
  if (size > kMapAbove) {
    if (std::shared_ptr<const FileMapping> map = FileMapping::Map(file.handle(), size_t(size))) {
      source->data_ = QByteArray::fromRawData(reinterpret_cast<const char*>(map->data()), size);
      source->mapping_ = std::move(map);
    }
  }
  if (ScopedReadBufferReuse* reuse = ScopedReadBufferReuse::Current(); !source->mapping_ && reuse) {
    auto buffer = reuse->FreeBuffer(size_t(size));
    // Fewer bytes than the size when the file shrank meanwhile, as readAll would give.
    const qint64 got = file.read(buffer->bytes.get(), size);
    if (got < 0) {
      source->error_ = QStringLiteral("cannot read the file");
      return source;
    }
    source->data_ = QByteArray::fromRawData(buffer->bytes.get(), got);
    source->readBuffer_ = std::move(buffer);
  } else if (!source->mapping_) {
    source->data_ = file.readAll();
  }
  source->probe();
  source->releaseMappedPages();
  if (source->mappedFileChanged()) {
    source->representations_.clear();
    source->error_ = kChangedWhileRead;
  }
  return source;
}

void ImageSource::releaseMappedPages() const {
  if (mapping_) mapping_->release();
}

std::shared_ptr<ImageSource> ImageSource::FromData(const QByteArray& data) {
  auto source = std::make_shared<ImageSource>();
  source->data_ = data;
  source->probe();
  return source;
}

QString ImageSource::typeIdentifier() const { return TypeIdentifierForFormat(format_); }

bool IsChangedWhileReadError(const QString& error) { return error == kChangedWhileRead; }

bool IsDamagedFileError(const QString& error) {
  return error.startsWith(QLatin1String("corrupt ")) ||
         error.startsWith(QLatin1String("truncated "));
}

namespace codec {

QString ProbeFormat(SourceFormat format, const QByteArray& data, Representations* out) {
  switch (format) {
    case SourceFormat::MacPaint:
    case SourceFormat::Fax:
    case SourceFormat::QuickTimeImage:
      return ProbeLegacy(format, data, out);
    case SourceFormat::JPEG:
      return ProbeJpeg(data, out);
    case SourceFormat::PNG:
      return ProbePng(data, out);
    case SourceFormat::TIFF:
      return ProbeTiff(data, out);
    case SourceFormat::GIF:
      return ProbeGif(data, out);
    case SourceFormat::JPEG2000:
      return ProbeJpeg2000(data, out);
    case SourceFormat::PSD:
      return ProbePsd(data, out);
    case SourceFormat::SGI:
      return ProbeSgi(data, out);
    case SourceFormat::TGA:
      return ProbeTga(data, out);
    case SourceFormat::PNM:
      return ProbePnm(data, out);
    case SourceFormat::CameraRaw:
      return ProbeCameraRaw(data, out);
    case SourceFormat::HEIF:
      return ProbeHeif(data, out);
    case SourceFormat::OpenEXR:
      return ProbeExr(data, out);
    case SourceFormat::Unknown:
      return QStringLiteral("not an image file");
    case SourceFormat::WebP:
      // WebP is read through the engine's WebP bridge, never here.
      return QStringLiteral("WebP is read through the WebP bridge");
    default:
      return ProbeWithQt(data, format, out);
  }
}

}  // namespace codec

void ImageSource::probe() {
  if (data_.isEmpty()) {
    error_ = QStringLiteral("empty file");
    return;
  }
  format_ = codec::LegacyFormatOf(path_, data_.left(128), SniffImageFormat(data_.left(32)));
  // Raw files are mostly TIFF files whose first image is a small preview.
  if (!codec::IsLegacyFormat(format_) && codec::IsCameraRawFile(data_.left(65536), path_)) {
    format_ = SourceFormat::CameraRaw;
  }
  codec::Representations reps;
  error_ = format_ == SourceFormat::Unknown && LooksLikeDamagedPng(data_)
               ? QStringLiteral("corrupt PNG signature")
               : codec::ProbeFormat(format_, data_, &reps);
  if (error_.isEmpty()) {
    for (const ImageRepresentation& rep : reps) {
      if (!IsImageSizeAllowed(rep.pixelWidth, rep.pixelHeight)) {
        error_ = codec::SizeRefusedError(rep.pixelWidth, rep.pixelHeight);
        break;
      }
    }
  }
  if (error_.isEmpty() && reps.empty()) error_ = QStringLiteral("no image in the file");
  // Walking a mapped file's chunks would bring most of it into memory: its chunks but the pixel
  // data are read from the file instead.
  if (error_.isEmpty() && format_ == SourceFormat::PNG && mapping_) {
    pngWithoutPixels_ = ReadPngWithoutPixelData(path_);
  }
  if (error_.isEmpty() && format_ == SourceFormat::PNG && reps.front().orientation == 0) {
    // A PNG states its orientation in an eXIf chunk, which may follow the pixels.
    if (const ImageHeaderResult header =
            ReadImageHeader(path_, mapping_ ? pngWithoutPixels_ : data_)) {
      reps.front().orientation = header.header->orientation;
    }
  }
  if (!error_.isEmpty()) {
    if (format_ == SourceFormat::TGA) format_ = SourceFormat::Unknown;
    return;
  }
  representations_ = std::move(reps);
}

void ImageSource::presentUpright(int orientation) {
  if (representations_.empty()) return;
  if (stored_.empty()) stored_ = representations_;
  for (size_t i = 0; i < stored_.size(); ++i) {
    ImageRepresentation& shown = representations_[i];
    shown = stored_[i];
    // The decoders still read the file by its own tags (stored_); only the turn differs.
    if (orientation >= 1 && orientation <= 8) shown.orientation = orientation;
    if (IsQuarterTurnOrientation(shown.orientation)) {
      std::swap(shown.pixelWidth, shown.pixelHeight);
      std::swap(shown.dpiX, shown.dpiY);
    }
  }
}

ImageResult<QImage> ImageSource::decode(int index, const DecodeOptions& options) const {
  if (index < 0 || index >= count())
    return ImageResult<QImage>::Fail(QStringLiteral("no such image"));
  if (stored_.empty()) {
    ImageResult<QImage> decoded = decodeStored(index, representations_[index], options);
    releaseMappedPages();
    if (mappedFileChanged()) return ImageResult<QImage>::Fail(kChangedWhileRead);
    return decoded;
  }
  const int orientation = representations_[index].orientation;
  DecodeOptions storedOptions = options;
  if (IsQuarterTurnOrientation(orientation)) {
    if (options.minimumSize.isValid()) storedOptions.minimumSize = options.minimumSize.transposed();
    if (options.exactSize.isValid()) storedOptions.exactSize = options.exactSize.transposed();
  }
  ImageResult<QImage> decoded = decodeStored(index, stored_[index], storedOptions);
  releaseMappedPages();
  if (mappedFileChanged()) return ImageResult<QImage>::Fail(kChangedWhileRead);
  if (decoded.ok()) decoded.value = UprightImage(decoded.value, orientation);
  return decoded;
}

ImageResult<QImage> ImageSource::decodeStored(int index, const ImageRepresentation& rep,
                                              const DecodeOptions& options) const {
  switch (format_) {
    case SourceFormat::JPEG:
      return codec::DecodeJpeg(data_, rep, options, mapping_ != nullptr);
    case SourceFormat::PNG:
      return codec::DecodePng(data_, rep, options.exactSize, mapping_ != nullptr);
    case SourceFormat::TIFF:
      return codec::DecodeTiff(data_, index, rep);
    case SourceFormat::GIF:
      if (!gifReader_ || gifReader_->nextIndex() > index) {
        gifReader_ = std::make_shared<codec::GifFrameReader>(data_, true);
      }
      return codec::DecodeGif(gifReader_.get(), index, rep);
    case SourceFormat::JPEG2000:
      return codec::DecodeJpeg2000(data_, rep);
    case SourceFormat::PSD:
      return codec::DecodePsd(data_, rep);
    case SourceFormat::SGI:
      return codec::DecodeSgi(data_, rep);
    case SourceFormat::TGA:
      return codec::DecodeTga(data_, rep);
    case SourceFormat::MacPaint:
    case SourceFormat::Fax:
    case SourceFormat::QuickTimeImage:
      return codec::DecodeLegacy(format_, data_, rep);
    case SourceFormat::PNM:
      return codec::DecodePnm(data_, index, rep);
    case SourceFormat::CameraRaw:
      return codec::DecodeCameraRaw(data_, rep, options);
    case SourceFormat::HEIF:
      return codec::DecodeHeif(data_, rep);
    case SourceFormat::OpenEXR:
      return codec::DecodeExr(data_, rep);
    default:
      return codec::DecodeWithQt(data_, index, rep);
  }
}

MetadataBlocks ImageSource::metadata() const {
  if (format_ == SourceFormat::HEIF) {
    MetadataBlocks blocks = codec::ReadHeifMetadata(data_);
    blocks.exif = CarriedExifBlock(blocks.exif);
    return blocks;
  }
  // Parsing a mapped file would bring much of it back into memory; the file holds the same.
  if (!pngWithoutPixels_.isEmpty()) return ReadImageMetadata(pngWithoutPixels_);
  if (mapping_ && !path_.isEmpty()) return ReadImageMetadataFromFile(path_);
  return ReadImageMetadata(data_);
}

namespace codec {

QString SizeRefusedError(int64_t width, int64_t height) {
  return QStringLiteral("image size %1 x %2 refused").arg(width).arg(height);
}

double DotsPerInch(double value, int unit) {
  if (unit == 1) return 72.0;
  return SanitisedDpi(unit == 3 ? value * 2.54 : value);
}

namespace {

struct ExifReader {
  const uchar* data;
  size_t size;
  bool little;
  bool has(size_t offset, size_t length) const { return offset <= size && length <= size - offset; }
  uint32_t u16(size_t o) const {
    return little ? data[o] | data[o + 1] << 8 : data[o] << 8 | data[o + 1];
  }
  uint32_t u32(size_t o) const {
    return little ? uint32_t(data[o]) | uint32_t(data[o + 1]) << 8 | uint32_t(data[o + 2]) << 16 |
                        uint32_t(data[o + 3]) << 24
                  : uint32_t(data[o]) << 24 | uint32_t(data[o + 1]) << 16 |
                        uint32_t(data[o + 2]) << 8 | uint32_t(data[o + 3]);
  }
  double rational(size_t entry) const {
    const size_t offset = u32(entry + 8);
    if (!has(offset, 8)) return 0.0;
    const uint32_t den = u32(offset + 4);
    return den ? double(u32(offset)) / den : 0.0;
  }
};

}  // namespace

ExifBasics ParseExifBasics(const uchar* data, size_t size) {
  ExifBasics basics;
  if (!data || size < 8) return basics;
  ExifReader r{data, size, data[0] == 'I'};
  if ((data[0] != 'I' && data[0] != 'M') || r.u16(2) != 42) return basics;
  const size_t ifd = r.u32(4);
  if (!r.has(ifd, 2)) return basics;
  const uint32_t entries = r.u16(ifd);
  int unit = 2;
  double xres = 0.0, yres = 0.0;
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t e = ifd + 2 + size_t(i) * 12;
    if (!r.has(e, 12)) break;
    switch (r.u16(e)) {
      case 0x0112: {
        const int value = int(r.u16(e + 8));
        if (value >= 1 && value <= 8) basics.orientation = value;
        break;
      }
      case 0x011A:
        xres = r.rational(e);
        break;
      case 0x011B:
        yres = r.rational(e);
        break;
      case 0x0128:
        unit = int(r.u16(e + 8));
        break;
    }
  }
  // A block that states one axis means it for both, as the list reads it.
  if (!(xres > 0.0)) xres = yres;
  if (!(yres > 0.0)) yres = xres;
  if (xres > 0.0 && unit != 1) basics.dpiX = DotsPerInch(xres, unit);
  if (yres > 0.0 && unit != 1) basics.dpiY = DotsPerInch(yres, unit);
  return basics;
}

QImage FinishDecodedImage(QImage image, const ImageRepresentation& rep) {
  if (image.isNull()) return image;
  QImage::Format target = QImage::Format_ARGB32_Premultiplied;
  switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBA64_Premultiplied:
      target = image.format();
      break;
    case QImage::Format_RGBA64:
    case QImage::Format_RGBX64:
      target = QImage::Format_RGBA64_Premultiplied;
      break;
    default:
      break;
  }
  if (image.format() != target) image = ConvertedImage(image, target);
  const double scaleX = rep.pixelWidth > 0 ? double(image.width()) / rep.pixelWidth : 1.0;
  const double scaleY = rep.pixelHeight > 0 ? double(image.height()) / rep.pixelHeight : 1.0;
  image.setDotsPerMeterX(int(std::lround(rep.dpiX * scaleX / 0.0254)));
  image.setDotsPerMeterY(int(std::lround(rep.dpiY * scaleY / 0.0254)));
  if (!rep.iccProfile.isEmpty() && rep.colorModel == ColorModel::RGB) {
    const QColorSpace space = QColorSpace::fromIccProfile(rep.iccProfile);
    if (space.isValid()) image.setColorSpace(space);
  }
  return image;
}

}  // namespace codec

}  // namespace glimbrik
