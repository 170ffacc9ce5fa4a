#pragma once

// The per-format readers behind ImageSource. A probe reads headers only and appends one
// representation per image; a decode returns the pixels of one of them. Private to the platform.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <memory>
#include <optional>
#include <vector>

#include "platform/codecs/image_source.h"

struct GifFileType;

namespace glimbrik::codec {

using Representations = std::vector<ImageRepresentation>;

QString ProbeJpeg(const QByteArray& data, Representations* out);
// releaseBehind: data is a map of the file, whose pages are given back once read.
ImageResult<QImage> DecodeJpeg(const QByteArray& data, const ImageRepresentation& rep,
                               const DecodeOptions& options, bool releaseBehind = false);

// The stored samples of a CMYK JPEG as ink amounts (interleaved, 0 = no ink, Adobe's inverted
// samples turned back), at the stored size, which goes to *size.
ImageResult<QByteArray> DecodeJpegInks(const QByteArray& data, QSize* size);

QString ProbePng(const QByteArray& data, Representations* out);
// With an exactSize other than the stored one, a non-interlaced file's rows go straight into the
// reduce.
// releaseBehind: data is a map of the file, whose pages are given back once read.
ImageResult<QImage> DecodePng(const QByteArray& data, const ImageRepresentation& rep,
                              QSize exactSize = QSize(), bool releaseBehind = false);

QString ProbeTiff(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeTiff(const QByteArray& data, int index, const ImageRepresentation& rep);

// GIF frames composed onto the logical screen as a viewer shows them, read one after another so
// that decoding every frame of a file in order costs one pass.
class GifFrameReader {
 public:
  GifFrameReader(const QByteArray& data, bool withPixels);
  ~GifFrameReader();
  GifFrameReader(const GifFrameReader&) = delete;
  GifFrameReader& operator=(const GifFrameReader&) = delete;

  // The next frame (unpremultiplied ARGB32 sharing the reader's canvas); false at the end or on
  // damage, which error() then names.
  bool next(QImage* frame);
  int nextIndex() const { return index_; }
  QSize screen() const { return screen_; }
  const QString& error() const { return error_; }
  int read(uchar* out, int length);  // giflib's input callback

 private:
  void disposePrevious();
  struct GifCloser {
    void operator()(GifFileType* gif) const;
  };
  QByteArray data_;
  qsizetype position_ = 0;
  bool withPixels_;
  std::unique_ptr<GifFileType, GifCloser> gif_;
  QSize screen_;
  QImage canvas_;
  QImage beforeLast_;  // the canvas before a frame that restores it afterwards
  QRect lastArea_;
  int disposal_ = 0;
  int index_ = 0;
  QString error_;
};

QString ProbeGif(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeGif(GifFrameReader* reader, int index, const ImageRepresentation& rep);

QString ProbeJpeg2000(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeJpeg2000(const QByteArray& data, const ImageRepresentation& rep);

// The flat composite of Photoshop files (raw or PackBits, 8 or 16 bits, grey, RGB or CMYK).
QString ProbePsd(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodePsd(const QByteArray& data, const ImageRepresentation& rep);
// The composite of a CMYK Photoshop file as ink amounts (interleaved, 0 = no ink) and, when the
// file has one, its alpha plane (width x height bytes; cleared when it has none).
ImageResult<QByteArray> DecodePsdInks(const QByteArray& data, QSize* size, QByteArray* alpha);

// SGI images, verbatim or run-length, 1 to 4 channels.
QString ProbeSgi(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeSgi(const QByteArray& data, const ImageRepresentation& rep);

// Targa images, with or without the version 2 footer: true colour, grey or colour-mapped, raw or
// run-length.
QString ProbeTga(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeTga(const QByteArray& data, const ImageRepresentation& rep);

// Portable maps: 16-bit binary grey and colour maps keep their depth; the others go to Qt.
QString ProbePnm(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodePnm(const QByteArray& data, int index, const ImageRepresentation& rep);

// The representations of a file of the given format, by that format's probe.
QString ProbeFormat(SourceFormat format, const QByteArray& data, Representations* out);

// Minor formats through Qt's image plugins; the resolution comes from the header, not from Qt.
QString ProbeWithQt(const QByteArray& data, SourceFormat format, Representations* out);
ImageResult<QImage> DecodeWithQt(const QByteArray& data, int index, const ImageRepresentation& rep);

// Orientation and resolution of an EXIF block (TIFF layout, without the "Exif\0\0" prefix).
struct ExifBasics {
  int orientation = 0;
  double dpiX = 0.0;  // 0 when the block states none
  double dpiY = 0.0;
};
ExifBasics ParseExifBasics(const uchar* data, size_t size);

// Dots per inch from a stated value and unit (1 none, 2 inch, 3 centimetre); 72 for a missing or
// zero value or for "no unit".
double DotsPerInch(double value, int unit);

// The failure of a source whose stated size is past what is decoded here.
QString SizeRefusedError(int64_t width, int64_t height);

// The final pixel layout every decoder hands out: 8-bit premultiplied ARGB, 16-bit premultiplied
// RGBA or grey, with resolution and colour space tagged.
QImage FinishDecodedImage(QImage image, const ImageRepresentation& rep);

}  // namespace glimbrik::codec
