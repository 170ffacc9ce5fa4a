#pragma once

// Reading images: one ImageSource per file or byte buffer. Opening reads only the headers (sizes,
// resolution, colour model, profile, orientation), so that a hostile size is refused before any
// pixel buffer exists; pixels are decoded on request, one representation at a time.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

#include "platform/metadata/image_header.h"  // ImageFormat and the size limits
#include "platform/pixels/color_space.h"
#include "platform/system/file_mapping.h"

namespace glimbrik {

namespace codec {
class GifFrameReader;
}

// A value or the short reason why there is none.
template <typename T>
struct ImageResult {
  T value{};
  QString error;
  bool ok() const { return error.isEmpty(); }
  static ImageResult Fail(QString reason) { return {T{}, std::move(reason)}; }
};

// Whether a reading error says that the file's bytes are at fault: the decoders word damaged data
// as "corrupt ..." and an early end as "truncated ...", which the user can act on, unlike a format
// or layout that is not read here.
bool IsDamagedFileError(const QString& error);
// Whether another program changed the file while it was being read.
bool IsChangedWhileReadError(const QString& error);

// Metadata carried from a source to an output, in the formats exiv2 reads and writes:
// an EXIF block (TIFF layout, GPS included), an IPTC IIM block and an XMP packet.
struct MetadataBlocks {
  QByteArray exif;
  QByteArray iptc;
  QByteArray xmp;
  // A PNG's own text chunks (keyword, text), such as Author, Copyright and Description.
  std::vector<std::pair<QString, QString>> texts;
  bool empty() const { return exif.isEmpty() && iptc.isEmpty() && xmp.isEmpty() && texts.empty(); }
};

using SourceFormat = ImageFormat;

// One image of a file (a TIFF directory, a GIF frame, the only image of a JPEG).
struct ImageRepresentation {
  int pixelWidth = 0;
  int pixelHeight = 0;
  double dpiX = 72.0;  // a file that states none, or states 0, reads as 72
  double dpiY = 72.0;
  int bitsPerComponent = 8;
  bool hasAlpha = false;
  ColorModel colorModel = ColorModel::RGB;
  QByteArray iccProfile;
  int orientation = 0;  // EXIF 1-8; 0 when the file states none

  // The size at which the image prints: pixels x 72 / dpi.
  QSizeF pointSize() const { return {pixelWidth * 72.0 / dpiX, pixelHeight * 72.0 / dpiY}; }
};

struct DecodeOptions {
  // When set, a decoder that can shrink while decoding (JPEG's DCT scaling) may return an image
  // smaller than the stored one but at least this large in both sides.
  QSize minimumSize;
  // When set, the image comes out at exactly this size, resampled with the Lanczos-3 reduce.
  // JPEG and PNG feed their rows straight into it, so the full-size frame never exists; JPEG's
  // DCT scaling then leaves a factor of at least 2 for the reduce, so that it never aliases.
  // Other formats may return their stored size, which the caller resamples.
  QSize exactSize;
};

// While one lives on a thread, the files that thread opens are read into one buffer kept from file
// to file rather than into a new one each: a batch worker opens file after file, and every fresh
// buffer costs an allocation and a first touch of each page. A buffer still held by an earlier
// source is left to it. Guards nest; each belongs to the thread that made it.
class ScopedReadBufferReuse {
 public:
  ScopedReadBufferReuse();
  ~ScopedReadBufferReuse();
  ScopedReadBufferReuse(const ScopedReadBufferReuse&) = delete;
  ScopedReadBufferReuse& operator=(const ScopedReadBufferReuse&) = delete;

  struct Buffer {
    std::unique_ptr<char[]> bytes;
    size_t capacity = 0;
  };
  // The innermost guard of this thread, or null.
  static ScopedReadBufferReuse* Current();
  // A buffer of at least size bytes that no source holds any more; a source keeps the returned
  // pointer while it reads from the buffer.
  std::shared_ptr<Buffer> FreeBuffer(size_t size);

 private:
  ScopedReadBufferReuse* previous_;
  std::shared_ptr<Buffer> buffer_;
};

class ImageSource {
 public:
  static std::shared_ptr<ImageSource> Open(const QString& path);
  static std::shared_ptr<ImageSource> FromData(const QByteArray& data);

  // False when the file is not an image we can read; error() says why.
  bool isValid() const { return !representations_.empty(); }
  const QString& error() const { return error_; }
  SourceFormat format() const { return format_; }
  // The type identifier of the format found in the content ("public.jpeg" ...); empty if none.
  QString typeIdentifier() const;

  int count() const { return int(representations_.size()); }
  const ImageRepresentation& representation(int index) const { return representations_[index]; }
  const std::vector<ImageRepresentation>& representations() const { return representations_; }

  // From now on sizes, resolutions and decoded pixels are as displayed: each image's orientation
  // is applied (or the given one, for a file whose orientation is stated elsewhere), so that a
  // conversion writes upright pixels. Sources stay as stored until this is called.
  void presentUpright(int orientation = 0);
  bool isUpright() const { return !stored_.empty(); }

  // Pixels of one representation (one thread at a time per source): ARGB32_Premultiplied (8-bit
  // colour), RGBA64_Premultiplied (16-bit colour), Grayscale8 or Grayscale16, with the resolution
  // and the ICC colour space set.
  ImageResult<QImage> decode(int index, const DecodeOptions& options = {}) const;

  // EXIF, IPTC and XMP of the file (image 0); empty when it has none or cannot be parsed.
  MetadataBlocks metadata() const;

  // The file's bytes. For a large file a view of a read-only map of it, and under a
  // ScopedReadBufferReuse a view of a buffer the next file reuses: a copy kept beyond the source
  // must be a deep one.
  const QByteArray& data() const { return data_; }
  const QString& path() const { return path_; }

  ImageSource() = default;

 private:
  void probe();
  ImageResult<QImage> decodeStored(int index, const ImageRepresentation& rep,
                                   const DecodeOptions& options) const;

  QString path_;
  QByteArray data_;  // the whole file: every decoder reads from memory
  // Keeps a reused read buffer (see ScopedReadBufferReuse) from the next file while data_ views it.
  std::shared_ptr<const void> readBuffer_;
  // A large file is mapped rather than copied, and the pages a decoder has passed are given
  // back, so that the file's size does not add to the memory a conversion needs.
  std::shared_ptr<const FileMapping> mapping_;
  // For a mapped PNG, its chunks but the pixel data, which the metadata is read from.
  QByteArray pngWithoutPixels_;
  void releaseMappedPages() const;
  bool mappedFileChanged() const { return mapping_ && mapping_->changed(); }
  SourceFormat format_ = SourceFormat::Unknown;
  // GIF frames are composed in order; the reader resumes where the last decode stopped.
  mutable std::shared_ptr<codec::GifFrameReader> gifReader_;
  std::vector<ImageRepresentation> representations_;
  // The representations as stored, which the decoders need, once presentUpright turned them.
  std::vector<ImageRepresentation> stored_;
  QString error_;
};

SourceFormat SniffImageFormat(const QByteArray& head);
QString TypeIdentifierForFormat(SourceFormat format);

}  // namespace glimbrik
