#include <jerror.h>

#include <QSysInfo>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/codec_decoders.h"
#include "platform/codecs/codec_jpeg_common.h"
#include "platform/pixels/row_resampler.h"
#include "platform/system/file_mapping.h"

namespace glimbrik::codec {

namespace {

// Hands libjpeg the bytes a window at a time. Over a map of a large file the pages it has passed
// are given back as it goes, so that the file never becomes resident as a whole.
struct WindowSource {
  jpeg_source_mgr pub;
  const uchar* data;
  size_t size;
  size_t next;  // the first byte not handed out yet
  bool releaseBehind;
  size_t released;
};

void WindowInit(j_decompress_ptr) {}
void WindowTerm(j_decompress_ptr) {}

boolean WindowFill(j_decompress_ptr info) {
  static const JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};
  auto* source = reinterpret_cast<WindowSource*>(info->src);
  // libjpeg asks for more only once it has used up the last window: all before `next` is done.
  if (source->releaseBehind) ReleasePassedPages(source->data, source->next, &source->released);
  if (source->next >= source->size) {
    WARNMS(info, JWRN_JPEG_EOF);  // as libjpeg's own memory source: the image ends here
    source->pub.next_input_byte = kEndOfImage;
    source->pub.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
  }
  constexpr size_t kWindow = 1 << 20;
  const size_t length = std::min(kWindow, source->size - source->next);
  source->pub.next_input_byte = source->data + source->next;
  source->pub.bytes_in_buffer = length;
  source->next += length;
  return TRUE;
}

void WindowSkip(j_decompress_ptr info, long count) {
  auto* source = reinterpret_cast<WindowSource*>(info->src);
  if (count <= 0) return;
  if (size_t(count) <= source->pub.bytes_in_buffer) {
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= size_t(count);
    return;
  }
  const size_t beyond = size_t(count) - source->pub.bytes_in_buffer;
  source->next += std::min(beyond, source->size - source->next);
  source->pub.bytes_in_buffer = 0;
}

WindowSource MakeWindowSource(const QByteArray& data, bool releaseBehind) {
  WindowSource source{};
  source.pub.init_source = WindowInit;
  source.pub.fill_input_buffer = WindowFill;
  source.pub.skip_input_data = WindowSkip;
  source.pub.resync_to_restart = jpeg_resync_to_restart;
  source.pub.term_source = WindowTerm;
  source.data = reinterpret_cast<const uchar*>(data.constData());
  source.size = size_t(data.size());
  source.releaseBehind = releaseBehind;
  return source;
}

// setjmp functions: plain C calls only, no C++ object with a destructor in their frames.

bool JpegReadHeader(jpeg_decompress_struct* info, JpegErrorManager* err, WindowSource* source) {
  InstallJpegErrorManager(reinterpret_cast<j_common_ptr>(info), err);
  if (setjmp(err->trap.jump)) return false;
  jpeg_create_decompress(info);
  info->src = &source->pub;
  jpeg_save_markers(info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(info, JPEG_APP0 + 2, 0xFFFF);
  return jpeg_read_header(info, TRUE) == JPEG_HEADER_OK;
}

bool JpegReadIcc(jpeg_decompress_struct* info, JpegErrorManager* err, JOCTET** icc,
                 unsigned int* length) {
  if (setjmp(err->trap.jump)) return false;
  return jpeg_read_icc_profile(info, icc, length);
}

bool JpegStart(jpeg_decompress_struct* info, JpegErrorManager* err) {
  if (setjmp(err->trap.jump)) return false;
  return jpeg_start_decompress(info);
}

// Reads the next two rows (one if only one is left) into `pair`, `stride` bytes apart, and sets
// `count`; false on damage. Two at once spare a 2:1 vertically subsampled image a copy per row.
bool JpegReadTwoRows(jpeg_decompress_struct* info, JpegErrorManager* err, uchar* pair,
                     size_t stride, int* count) {
  if (setjmp(err->trap.jump)) return false;
  JSAMPROW rows[2] = {pair, pair + stride};
  const JDIMENSION want = std::min<JDIMENSION>(2, info->output_height - info->output_scanline);
  JDIMENSION got = 0;
  while (got < want) {
    const JDIMENSION n = jpeg_read_scanlines(info, rows + got, want - got);
    if (n == 0) return false;
    got += n;
  }
  *count = int(got);
  return true;
}

bool JpegReadRows(jpeg_decompress_struct* info, JpegErrorManager* err, uchar* pixels,
                  size_t stride) {
  if (setjmp(err->trap.jump)) return false;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = pixels + stride * info->output_scanline;
    if (jpeg_read_scanlines(info, &row, 1) != 1) return false;
  }
  return true;
}

// Reads the next row of iMCUs straight from the inverse DCT, each component into its own plane
// rows; false on damage.
bool JpegReadRawRows(jpeg_decompress_struct* info, JpegErrorManager* err, JSAMPIMAGE planes) {
  if (setjmp(err->trap.jump)) return false;
  const JDIMENSION rows = JDIMENSION(info->max_v_samp_factor * DCTSIZE);
  return jpeg_read_raw_data(info, planes, rows) == rows;
}

struct DecompressGuard {
  jpeg_decompress_struct* info;
  ~DecompressGuard() { jpeg_destroy_decompress(info); }
};

// Orientation and resolution from an APP1 "Exif" segment.
ExifBasics ExifOfMarkers(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 &&
        std::memcmp(m->data, "Exif\0\0", 6) == 0) {
      return ParseExifBasics(m->data + 6, m->data_length - 6);
    }
  }
  return {};
}

// A colour JPEG whose chroma planes are an exact half or whole of the picture can be reduced
// plane by plane as stored: no upsampling and no colour conversion at full size, chroma filtered
// from its own samples, and one channel a sample instead of four. Cameras write such files.
bool ReducesByPlanes(const jpeg_decompress_struct& info) {
  if (info.jpeg_color_space != JCS_YCbCr || info.num_components != 3 || info.scale_denom != 1) {
    return false;
  }
  for (int c = 0; c < 3; ++c) {
    const jpeg_component_info& comp = info.comp_info[c];
    if (info.image_width * comp.h_samp_factor % info.max_h_samp_factor != 0 ||
        info.image_height * comp.v_samp_factor % info.max_v_samp_factor != 0) {
      return false;
    }
  }
  return true;
}

// YCbCr planes of samples times 256 to opaque ARGB32, by the JFIF equations in 2.14 fixed point:
// each channel is (Y x 2^14 + weighted chroma + 2^21) >> 22.
constexpr int kRedCr = 22970, kGreenCb = -5638, kGreenCr = -11700, kBlueCb = 29033;
constexpr int kCentre = 128 << 8, kHalf = 1 << 21;

void PlaneRowToArgb32(const quint16* py, const quint16* pb, const quint16* pr, int from, int width,
                      QRgb* out) {
  const auto channel = [](int y, int sum) {
    return uint32_t(std::clamp((y * (1 << 14) + sum + kHalf) >> 22, 0, 255));
  };
  for (int x = from; x < width; ++x) {
    const int l = py[x], b = pb[x] - kCentre, r = pr[x] - kCentre;
    out[x] = 0xff000000u | channel(l, kRedCr * r) << 16 |
             channel(l, kGreenCb * b + kGreenCr * r) << 8 | channel(l, kBlueCb * b);
  }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) inline __m256i LoadEight(const quint16* p) {
  return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) inline __m256i Channel(__m256i y14, __m256i sum) {
  const __m256i v =
      _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(y14, sum), _mm256_set1_epi32(kHalf)), 22);
  return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

// Eight pixels a step; returns how many were converted.
__attribute__((target("avx2"))) int PlaneRowToArgb32Avx2(const quint16* py, const quint16* pb,
                                                         const quint16* pr, int width, QRgb* out) {
  const __m256i centre = _mm256_set1_epi32(kCentre);
  const __m256i opaque = _mm256_set1_epi32(int(0xff000000u));
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m256i l = _mm256_slli_epi32(LoadEight(py + x), 14);
    const __m256i b = _mm256_sub_epi32(LoadEight(pb + x), centre);
    const __m256i r = _mm256_sub_epi32(LoadEight(pr + x), centre);
    const __m256i red = Channel(l, _mm256_mullo_epi32(r, _mm256_set1_epi32(kRedCr)));
    const __m256i green =
        Channel(l, _mm256_add_epi32(_mm256_mullo_epi32(b, _mm256_set1_epi32(kGreenCb)),
                                    _mm256_mullo_epi32(r, _mm256_set1_epi32(kGreenCr))));
    const __m256i blue = Channel(l, _mm256_mullo_epi32(b, _mm256_set1_epi32(kBlueCb)));
    const __m256i pixels = _mm256_or_si256(_mm256_or_si256(opaque, _mm256_slli_epi32(red, 16)),
                                           _mm256_or_si256(_mm256_slli_epi32(green, 8), blue));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), pixels);
  }
  return x;
}
#endif

void PlanesToArgb32Row(const quint16* py, const quint16* pb, const quint16* pr, int width,
                       QRgb* out) {
  int done = 0;
#if defined(__x86_64__) || defined(__i386__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) done = PlaneRowToArgb32Avx2(py, pb, pr, width, out);
#endif
  PlaneRowToArgb32(py, pb, pr, done, width, out);
}

using PlaneResamplers = std::vector<std::unique_ptr<RowResampler>>;

// One reduce per component of a ReducesByPlanes file, to 16-bit rows; none where the machine
// cannot.
PlaneResamplers MakePlaneResamplers(const jpeg_decompress_struct& info, QSize exact) {
  PlaneResamplers planes;
  for (int c = 0; c < 3; ++c) {
    const jpeg_component_info& comp = info.comp_info[c];
    const QSize plane(int(info.image_width * comp.h_samp_factor / info.max_h_samp_factor),
                      int(info.image_height * comp.v_samp_factor / info.max_v_samp_factor));
    planes.push_back(std::make_unique<RowResampler>(plane, exact, QImage::Format_Grayscale8,
                                                    QImage::Format_Grayscale16));
    if (!planes.back()->isValid()) return {};
  }
  return planes;
}

// Feeds the planes of a file started in raw mode through their reduces. Their rows are combined
// as soon as all three have made one: no 16-bit plane is kept whole.
ImageResult<QImage> ReducePlanes(jpeg_decompress_struct& info, JpegErrorManager& err,
                                 const PlaneResamplers& planes, QSize exact) {
  using Result = ImageResult<QImage>;
  QImage image(exact, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  std::deque<std::vector<quint16>> made[3];
  int combined = 0;
  for (int c = 0; c < 3; ++c) {
    const bool sinks = planes[size_t(c)]->setRowSink([&, c](int, const uchar* samples) {
      const auto* first = reinterpret_cast<const quint16*>(samples);
      made[c].emplace_back(first, first + exact.width());
      if (made[0].empty() || made[1].empty() || made[2].empty()) return;
      PlanesToArgb32Row(made[0].front().data(), made[1].front().data(), made[2].front().data(),
                        exact.width(), reinterpret_cast<QRgb*>(image.scanLine(combined++)));
      for (auto& rows : made) rows.pop_front();
    });
    if (!sinks) return Result::Fail(QStringLiteral("out of memory"));
  }
  std::vector<std::vector<uchar>> buffers(3);
  std::vector<std::vector<JSAMPROW>> rows(3);
  JSAMPARRAY arrays[3];
  int pushed[3] = {};
  for (int c = 0; c < 3; ++c) {
    const jpeg_component_info& comp = info.comp_info[c];
    const size_t stride = size_t(comp.width_in_blocks) * DCTSIZE;
    const int count = comp.v_samp_factor * DCTSIZE;
    buffers[c].resize(stride * size_t(count));
    for (int r = 0; r < count; ++r) rows[c].push_back(buffers[c].data() + stride * size_t(r));
    arrays[c] = rows[c].data();
  }
  while (info.output_scanline < info.output_height) {
    if (!JpegReadRawRows(&info, &err, arrays)) {
      return Result::Fail(QStringLiteral("corrupt JPEG data"));
    }
    for (int c = 0; c < 3; ++c) {
      const jpeg_component_info& comp = info.comp_info[c];
      // The last row of iMCUs runs past the plane's end.
      const int count =
          std::min(comp.v_samp_factor * DCTSIZE, int(comp.downsampled_height) - pushed[c]);
      if (count <= 0) continue;
      planes[size_t(c)]->pushRows(arrays[c][0], qsizetype(comp.width_in_blocks) * DCTSIZE, count);
      pushed[c] += count;
    }
  }
  if (combined != exact.height()) return Result::Fail(QStringLiteral("corrupt JPEG data"));
  return {std::move(image), QString()};
}

// The started decompression's CMYK rows as ink amounts (0 = no ink): Adobe applications store
// them inverted (0 = full ink) and say so with their APP14 marker. Empty on damage.
QByteArray ReadInkRows(jpeg_decompress_struct* info, JpegErrorManager* err) {
  const int w = int(info->output_width), h = int(info->output_height);
  QByteArray inks(qsizetype(w) * h * 4, Qt::Uninitialized);
  if (inks.isEmpty() ||
      !JpegReadRows(info, err, reinterpret_cast<uchar*>(inks.data()), size_t(w) * 4)) {
    return QByteArray();
  }
  if (info->saw_Adobe_marker) {
    for (char& c : inks) c = char(255 - uchar(c));
  }
  return inks;
}

const QString kTruncated = QStringLiteral("truncated JPEG file");

// libjpeg refuses a frame past its largest side while reading the header: say the size. A frame
// that no scan follows, with nothing but whole segments around it, is a file cut short.
QString HeaderFailure(const jpeg_decompress_struct& info, const JpegErrorManager& err) {
  if (info.err->msg_code == JERR_IMAGE_TOO_BIG) {
    return SizeRefusedError(info.image_width, info.image_height);
  }
  if (info.err->msg_code == JERR_SOF_NO_SOS && !err.strayBytes) return kTruncated;
  return QStringLiteral("unreadable JPEG header");
}

// The header read, and a frame far larger than the file could fill refused before anything
// decodes it. Empty when the frame may be decoded.
QString ReadFrameHeader(jpeg_decompress_struct* info, JpegErrorManager* err, WindowSource* source) {
  if (!JpegReadHeader(info, err, source)) return HeaderFailure(*info, *err);
  const size_t left = source->size - source->next + source->pub.bytes_in_buffer;
  if (JpegFrameExceedsData(*info, left)) return kTruncated;
  return QString();
}

}  // namespace

QString ProbeJpeg(const QByteArray& data, Representations* out) {
  jpeg_decompress_struct info{};
  JpegErrorManager err;
  DecompressGuard guard{&info};
  WindowSource source = MakeWindowSource(data, false);
  if (const QString error = ReadFrameHeader(&info, &err, &source); !error.isEmpty()) return error;
  ImageRepresentation rep;
  rep.pixelWidth = int(info.image_width);
  rep.pixelHeight = int(info.image_height);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  rep.colorModel =
      cmyk ? ColorModel::CMYK : (info.num_components == 1 ? ColorModel::Gray : ColorModel::RGB);
  const ExifBasics exif = ExifOfMarkers(info);
  rep.orientation = exif.orientation;
  if (info.saw_JFIF_marker && (info.density_unit == 1 || info.density_unit == 2)) {
    rep.dpiX = DotsPerInch(info.X_density, info.density_unit + 1);
    rep.dpiY = DotsPerInch(info.Y_density, info.density_unit + 1);
  } else {
    rep.dpiX = exif.dpiX > 0 ? exif.dpiX : 72.0;
    rep.dpiY = exif.dpiY > 0 ? exif.dpiY : 72.0;
  }
  JOCTET* icc = nullptr;
  unsigned int iccLength = 0;
  if (JpegReadIcc(&info, &err, &icc, &iccLength) && icc) {
    rep.iccProfile = QByteArray(reinterpret_cast<const char*>(icc), int(iccLength));
  }
  std::free(icc);
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodeJpeg(const QByteArray& data, const ImageRepresentation& rep,
                               const DecodeOptions& options, bool releaseBehind) {
  using Result = ImageResult<QImage>;
  jpeg_decompress_struct info{};
  JpegErrorManager err;
  DecompressGuard guard{&info};
  WindowSource source = MakeWindowSource(data, releaseBehind);
  if (const QString error = ReadFrameHeader(&info, &err, &source); !error.isEmpty()) {
    return Result::Fail(error);
  }
  // Shrink while decoding when the wanted size is at most half the stored one. For an exact
  // size the DCT scaling stops where a factor of 2 remains: its box-like filter would alias, the
  // Lanczos reduce after it does not.
  info.scale_num = 1;
  info.scale_denom = 1;
  const QSize exact = options.exactSize;
  const bool reduce = exact.isValid() && !exact.isEmpty();
  const QSize want = reduce ? exact * 2 : options.minimumSize;
  if (want.width() > 0 || want.height() > 0) {
    for (unsigned denom : {8u, 4u, 2u}) {
      const unsigned w = (info.image_width + denom - 1) / denom;
      const unsigned h = (info.image_height + denom - 1) / denom;
      if (int(w) >= want.width() && int(h) >= want.height()) {
        info.scale_denom = denom;
        break;
      }
    }
  }
  const bool cmyk = rep.colorModel == ColorModel::CMYK;
  const bool gray = rep.colorModel == ColorModel::Gray;
  info.out_color_space =
      cmyk   ? JCS_CMYK
      : gray ? JCS_GRAYSCALE
             : (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRA : JCS_EXT_ARGB);
  info.dct_method = JDCT_ISLOW;
  // Chroma is smoothed by a reduce of 2 or more anyway: plain upsampling saves a tenth.
  if (reduce && exact.width() * 2 <= int(info.image_width / info.scale_denom) &&
      exact.height() * 2 <= int(info.image_height / info.scale_denom)) {
    info.do_fancy_upsampling = FALSE;
  }
  PlaneResamplers planeResamplers;
  if (reduce && !cmyk && !gray && ReducesByPlanes(info) &&
      QSize(int(info.image_width), int(info.image_height)) != exact) {
    planeResamplers = MakePlaneResamplers(info, exact);
  }
  if (!planeResamplers.empty()) info.raw_data_out = TRUE;
  if (!JpegStart(&info, &err)) return Result::Fail(QStringLiteral("JPEG decoding failed"));
  if (!planeResamplers.empty()) {
    ImageResult<QImage> planes = ReducePlanes(info, err, planeResamplers, exact);
    if (!planes.ok()) return planes;
    if (JpegEndedTooEarly(info, err)) return Result::Fail(kTruncated);
    return {FinishDecodedImage(std::move(planes.value), rep), QString()};
  }
  const int w = int(info.output_width), h = int(info.output_height);
  QImage image;
  QByteArray cmykPixels;
  if (cmyk) {
    cmykPixels = ReadInkRows(&info, &err);
    if (cmykPixels.isEmpty()) return Result::Fail(QStringLiteral("corrupt JPEG data"));
  } else if (reduce && QSize(w, h) != exact) {
    const QImage::Format format =
        gray ? QImage::Format_Grayscale8 : QImage::Format_ARGB32_Premultiplied;
    RowResampler resampler(QSize(w, h), exact, format);
    if (!resampler.isValid()) return Result::Fail(QStringLiteral("out of memory"));
    const size_t stride = size_t(w) * (gray ? 1 : 4);
    std::vector<uchar> pair(stride * 2);
    while (info.output_scanline < info.output_height) {
      int count = 0;
      if (!JpegReadTwoRows(&info, &err, pair.data(), stride, &count)) {
        return Result::Fail(QStringLiteral("corrupt JPEG data"));
      }
      resampler.pushRows(pair.data(), qsizetype(stride), count);
    }
    image = resampler.take();
  } else {
    image = QImage(w, h, gray ? QImage::Format_Grayscale8 : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
    if (!JpegReadRows(&info, &err, image.bits(), size_t(image.bytesPerLine()))) {
      return Result::Fail(QStringLiteral("corrupt JPEG data"));
    }
  }
  if (JpegEndedTooEarly(info, err)) return Result::Fail(kTruncated);
  if (cmyk) {
    const auto space = SourceInkSpace(rep);
    image = space->cmykToRgb(reinterpret_cast<const uchar*>(cmykPixels.constData()), w, h,
                             qsizetype(w) * 4);
    if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

ImageResult<QByteArray> DecodeJpegInks(const QByteArray& data, QSize* size) {
  using Result = ImageResult<QByteArray>;
  jpeg_decompress_struct info{};
  JpegErrorManager err;
  DecompressGuard guard{&info};
  WindowSource source = MakeWindowSource(data, false);
  if (const QString error = ReadFrameHeader(&info, &err, &source); !error.isEmpty()) {
    return Result::Fail(error);
  }
  if (info.jpeg_color_space != JCS_CMYK && info.jpeg_color_space != JCS_YCCK) {
    return Result::Fail(QStringLiteral("not a CMYK JPEG"));
  }
  info.out_color_space = JCS_CMYK;
  info.dct_method = JDCT_ISLOW;
  if (!JpegStart(&info, &err)) return Result::Fail(QStringLiteral("JPEG decoding failed"));
  QByteArray inks = ReadInkRows(&info, &err);
  if (inks.isEmpty()) return Result::Fail(QStringLiteral("corrupt JPEG data"));
  if (JpegEndedTooEarly(info, err)) return Result::Fail(kTruncated);
  if (size) *size = QSize(int(info.output_width), int(info.output_height));
  return {std::move(inks), QString()};
}

}  // namespace glimbrik::codec
