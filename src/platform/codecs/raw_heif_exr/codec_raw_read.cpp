// Camera raw files through LibRaw. Every probe and decode has its own processor: LibRaw keeps all
// of a file's state in one object, so separate objects may work on separate threads.
#include <libraw/libraw.h>

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cstring>
#include <memory>

#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"

namespace glimbrik::codec {

namespace {

bool IsRawExtension(const QString& path) {
  static const QSet<QString> kExtensions = {
      QStringLiteral("dng"), QStringLiteral("crw"), QStringLiteral("cr2"), QStringLiteral("nef"),
      QStringLiteral("nrw"), QStringLiteral("orf"), QStringLiteral("raf"), QStringLiteral("srf"),
      QStringLiteral("sr2"), QStringLiteral("arw"), QStringLiteral("mdc"), QStringLiteral("mrw"),
      QStringLiteral("dcs"), QStringLiteral("dcr"), QStringLiteral("drf"), QStringLiteral("k25"),
      QStringLiteral("kdc"), QStringLiteral("raw"), QStringLiteral("rw2"), QStringLiteral("pef"),
      QStringLiteral("ptx"), QStringLiteral("mos"), QStringLiteral("rwl"), QStringLiteral("fff"),
      QStringLiteral("3fr"), QStringLiteral("ari"), QStringLiteral("bay"), QStringLiteral("erf"),
      QStringLiteral("mef"), QStringLiteral("pxn"), QStringLiteral("rwz"), QStringLiteral("srw"),
      QStringLiteral("x3f")};
  return !path.isEmpty() && kExtensions.contains(QFileInfo(path).suffix().toLower());
}

// A TIFF whose first directory holds DNGVersion (50706).
bool IsDng(const QByteArray& head) {
  const auto* d = reinterpret_cast<const uchar*>(head.constData());
  const size_t size = size_t(head.size());
  if (size < 8) return false;
  const bool little = std::memcmp(d, "II*\0", 4) == 0;
  if (!little && std::memcmp(d, "MM\0*", 4) != 0) return false;
  auto u16 = [&](size_t o) -> uint32_t {
    return o + 2 > size ? 0 : little ? d[o] | d[o + 1] << 8 : d[o] << 8 | d[o + 1];
  };
  auto u32 = [&](size_t o) -> size_t {
    return u16(o + (little ? 2 : 0)) << 16 | u16(o + (little ? 0 : 2));
  };
  const size_t ifd = u32(4);
  const uint32_t entries = u16(ifd);
  for (uint32_t i = 0; i < entries && ifd + 2 + size_t(i) * 12 + 12 <= size; ++i) {
    if (u16(ifd + 2 + size_t(i) * 12) == 50706) return true;
  }
  return false;
}

// Signatures of raw formats that are no TIFF: Olympus, Panasonic, Fuji, Canon CRW and CR3.
bool HasRawSignature(const QByteArray& head) {
  return head.startsWith("IIRO") || head.startsWith("IIRS") || head.startsWith("MMOR") ||
         head.startsWith(QByteArray("IIU\0", 4)) || head.startsWith("FUJIFILMCCD-RAW") ||
         head.mid(6, 8) == "HEAPCCDR" || (head.mid(4, 4) == "ftyp" && head.mid(8, 4) == "crx ");
}

struct Processor {
  std::unique_ptr<LibRaw> raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK);
  bool damaged = false;  // LibRaw read past the end or met data it could not decode

  Processor() {
    raw->set_dataerror_handler(
        [](void* self, const char*, int) { static_cast<Processor*>(self)->damaged = true; }, this);
  }
  ~Processor() { raw->recycle(); }
  Processor(const Processor&) = delete;
  Processor& operator=(const Processor&) = delete;
};

struct MemImageFree {
  void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
};

QString OpenError(int code) {
  if (code == LIBRAW_FILE_UNSUPPORTED) return QStringLiteral("not a camera raw file LibRaw reads");
  if (code == LIBRAW_IO_ERROR || code == LIBRAW_DATA_ERROR) {
    return QStringLiteral("corrupt camera raw file (%1)").arg(QLatin1String(libraw_strerror(code)));
  }
  return QStringLiteral("camera raw file not read (%1)").arg(QLatin1String(libraw_strerror(code)));
}

QString Describe(Processor& p, Representations* out) {
  if (p.damaged) return QStringLiteral("corrupt camera raw file");
  // The size as developed: pixel aspect stretched, the sides exchanged by the raw's turn.
  if (p.raw->adjust_sizes_info_only() != LIBRAW_SUCCESS) {
    return QStringLiteral("corrupt camera raw file");
  }
  const libraw_image_sizes_t& sizes = p.raw->imgdata.sizes;
  ImageRepresentation rep;
  rep.pixelWidth = sizes.iwidth;
  rep.pixelHeight = sizes.iheight;
  rep.bitsPerComponent = 16;
  rep.colorModel = p.raw->imgdata.idata.colors == 1 ? ColorModel::Gray : ColorModel::RGB;
  out->push_back(rep);
  return {};
}

// Raw files built on TIFF (DNG and most cameras' own) state their resolution in the first
// directory, which LibRaw does not hand out; the parser already lets one stated side stand for
// both.
void ApplyStatedResolution(const QByteArray& head, Representations* out) {
  const ExifBasics stated =
      ParseExifBasics(reinterpret_cast<const uchar*>(head.constData()), size_t(head.size()));
  if (!(stated.dpiX > 0)) return;
  for (ImageRepresentation& rep : *out) {
    rep.dpiX = stated.dpiX;
    rep.dpiY = stated.dpiY;
  }
}

}  // namespace

bool IsCameraRawFile(const QByteArray& head, const QString& path) {
  if (IsDng(head) || HasRawSignature(head)) return true;
  const SourceFormat sniffed = SniffImageFormat(head.left(32));
  if ((sniffed != SourceFormat::TIFF && sniffed != SourceFormat::Unknown) ||
      !IsRawExtension(path)) {
    return false;
  }
  // A plain TIFF under a raw name is read as the TIFF it is; a damaged raw file stays raw, so
  // that it fails as damaged rather than showing its preview.
  try {
    Processor p;
    return p.raw->open_file(QFile::encodeName(path).constData()) != LIBRAW_FILE_UNSUPPORTED;
  } catch (...) {
    return true;
  }
}

QString ProbeCameraRaw(const QByteArray& data, Representations* out) {
  try {
    Processor p;
    const int opened = p.raw->open_buffer(const_cast<char*>(data.constData()), size_t(data.size()));
    if (opened != LIBRAW_SUCCESS) return OpenError(opened);
    QString error = Describe(p, out);
    if (error.isEmpty()) ApplyStatedResolution(data, out);
    return error;
  } catch (...) {
    return QStringLiteral("corrupt camera raw file");
  }
}

QString ProbeCameraRawFile(const QString& path, Representations* out) {
  try {
    Processor p;
    const int opened = p.raw->open_file(QFile::encodeName(path).constData());
    if (opened != LIBRAW_SUCCESS) return OpenError(opened);
    QString error = Describe(p, out);
    QFile file(path);
    if (error.isEmpty() && file.open(QIODevice::ReadOnly))
      ApplyStatedResolution(file.read(1024 * 1024), out);
    return error;
  } catch (...) {
    return QStringLiteral("corrupt camera raw file");
  }
}

ImageResult<QImage> DecodeCameraRaw(const QByteArray& data, const ImageRepresentation& rep,
                                    const DecodeOptions& options) {
  const QSize target = options.exactSize.isValid() ? options.exactSize : options.minimumSize;
  const bool half = target.isValid() && !target.isEmpty() && target.width() * 2 <= rep.pixelWidth &&
                    target.height() * 2 <= rep.pixelHeight;
  try {
    Processor p;
    libraw_output_params_t& params = p.raw->imgdata.params;
    params.use_camera_wb = 1;
    params.output_color = 1;  // sRGB
    params.output_bps = 16;
    params.gamm[0] = 1.0 / 2.4;  // the sRGB curve rather than LibRaw's BT.709 default
    params.gamm[1] = 12.92;
    params.half_size = half ? 1 : 0;
    const int opened = p.raw->open_buffer(const_cast<char*>(data.constData()), size_t(data.size()));
    if (opened != LIBRAW_SUCCESS) return ImageResult<QImage>::Fail(OpenError(opened));
    int code = p.raw->unpack();
    if (code == LIBRAW_SUCCESS && !p.damaged) code = p.raw->dcraw_process();
    if (p.damaged) return ImageResult<QImage>::Fail(QStringLiteral("truncated camera raw data"));
    if (code != LIBRAW_SUCCESS) {
      return ImageResult<QImage>::Fail(
          QStringLiteral("corrupt camera raw data (%1)").arg(QLatin1String(libraw_strerror(code))));
    }
    std::unique_ptr<libraw_processed_image_t, MemImageFree> developed(
        p.raw->dcraw_make_mem_image(&code));
    if (!developed || code != LIBRAW_SUCCESS) {
      return ImageResult<QImage>::Fail(QStringLiteral("camera raw picture not made"));
    }
    p.raw->recycle();  // the working buffers go before the picture is copied out
    const int w = developed->width;
    const int h = developed->height;
    const int colours = developed->colors;
    if (developed->type != LIBRAW_IMAGE_BITMAP || developed->bits != 16 ||
        (colours != 1 && colours != 3) || !IsImageSizeAllowed(w, h)) {
      return ImageResult<QImage>::Fail(QStringLiteral("camera raw picture not made"));
    }
    // Opaque, so premultiplied already: the finishing step then copies nothing.
    QImage image(w, h,
                 colours == 1 ? QImage::Format_Grayscale16 : QImage::Format_RGBA64_Premultiplied);
    if (image.isNull()) return ImageResult<QImage>::Fail(QStringLiteral("out of memory"));
    const auto* samples = reinterpret_cast<const quint16*>(developed->data);
    for (int y = 0; y < h; ++y) {
      const quint16* in = samples + size_t(y) * w * colours;
      if (colours == 1) {
        std::memcpy(image.scanLine(y), in, size_t(w) * 2);
        continue;
      }
      auto* line = reinterpret_cast<QRgba64*>(image.scanLine(y));
      for (int x = 0; x < w; ++x, in += 3) line[x] = qRgba64(in[0], in[1], in[2], 0xFFFF);
    }
    developed.reset();
    image = FinishDecodedImage(std::move(image), rep);
    image.setColorSpace(QColorSpace::SRgb);
    return {std::move(image), QString()};
  } catch (...) {
    return ImageResult<QImage>::Fail(QStringLiteral("corrupt camera raw data"));
  }
}

}  // namespace glimbrik::codec
