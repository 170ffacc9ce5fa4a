#include <gif_lib.h>

#include <cstring>
#include <vector>

#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

namespace {

int ReadGif(GifFileType* gif, GifByteType* out, int length) {
  auto* reader = static_cast<GifFrameReader*>(gif->UserData);
  return reader->read(out, length);
}

}  // namespace

void GifFrameReader::GifCloser::operator()(GifFileType* gif) const {
  int error = 0;
  DGifCloseFile(gif, &error);
}

GifFrameReader::GifFrameReader(const QByteArray& data, bool withPixels)
    : data_(data), withPixels_(withPixels) {
  int code = 0;
  gif_.reset(DGifOpen(this, ReadGif, &code));
  if (!gif_) {
    error_ = QStringLiteral("unreadable GIF header");
    return;
  }
  screen_ = QSize(gif_->SWidth, gif_->SHeight);
  if (!IsImageSizeAllowed(gif_->SWidth, gif_->SHeight)) {
    error_ = QStringLiteral("image size refused");
    return;
  }
  if (withPixels_) {
    canvas_ = QImage(screen_, QImage::Format_ARGB32);
    if (canvas_.isNull()) {
      error_ = QStringLiteral("out of memory");
      return;
    }
    canvas_.fill(Qt::transparent);
  }
}

GifFrameReader::~GifFrameReader() = default;

int GifFrameReader::read(uchar* out, int length) {
  const qsizetype n = std::min<qsizetype>(length, data_.size() - position_);
  if (n <= 0) return 0;
  std::memcpy(out, data_.constData() + position_, size_t(n));
  position_ += n;
  return int(n);
}

void GifFrameReader::disposePrevious() {
  if (!withPixels_) return;
  if (disposal_ == 2) {
    const QRect area = lastArea_.intersected(canvas_.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
      QRgb* out = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
      std::fill(out + area.left(), out + area.right() + 1, QRgb(0));
    }
  } else if (disposal_ == 3 && !beforeLast_.isNull()) {
    canvas_ = beforeLast_;
  }
  beforeLast_ = QImage();
  disposal_ = 0;
}

bool GifFrameReader::next(QImage* frame) {
  if (!gif_ || !error_.isEmpty()) return false;
  GifFileType* gif = gif_.get();
  int transparent = -1, disposal = 0;
  std::vector<GifPixelType> line;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) break;
    if (type == TERMINATE_RECORD_TYPE) {
      gif_.reset();
      return false;
    }
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) break;
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        disposal = (ext[1] >> 2) & 7;
        transparent = (ext[1] & 1) ? ext[4] : -1;
      }
      bool damaged = false;
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) {
          damaged = true;
          break;
        }
      }
      if (damaged) break;
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) == GIF_ERROR) break;
    const GifImageDesc desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Width > 65535 || desc.Height > 65535) break;
    disposePrevious();
    if (withPixels_ && disposal == 3) beforeLast_ = canvas_.copy();
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    line.resize(size_t(desc.Width));
    // Interlaced frames store rows in four passes.
    std::vector<int> rows;
    if (desc.Interlace) {
      const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = starts[pass]; y < desc.Height; y += steps[pass]) rows.push_back(y);
      }
    } else {
      for (int y = 0; y < desc.Height; ++y) rows.push_back(y);
    }
    for (int y : rows) {
      if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) {
        error_ = QStringLiteral("corrupt GIF data");
        return false;
      }
      const int cy = desc.Top + y;
      if (!withPixels_ || !map || cy < 0 || cy >= canvas_.height()) continue;
      QRgb* out = reinterpret_cast<QRgb*>(canvas_.scanLine(cy));
      for (int x = 0; x < desc.Width; ++x) {
        const int cx = desc.Left + x;
        const int index = line[size_t(x)];
        if (cx < 0 || cx >= canvas_.width() || index == transparent || index >= map->ColorCount)
          continue;
        const GifColorType& c = map->Colors[index];
        out[cx] = qRgb(c.Red, c.Green, c.Blue);
      }
    }
    disposal_ = disposal;
    lastArea_ = QRect(desc.Left, desc.Top, desc.Width, desc.Height);
    ++index_;
    if (frame) *frame = canvas_;
    return true;
  }
  error_ = QStringLiteral("corrupt GIF data");
  return false;
}

QString ProbeGif(const QByteArray& data, Representations* out) {
  GifFrameReader reader(data, false);
  Representations reps;
  while (reps.size() < 10000 && reader.next(nullptr)) {
    ImageRepresentation rep;
    rep.pixelWidth = reader.screen().width();
    rep.pixelHeight = reader.screen().height();
    rep.colorModel = ColorModel::Indexed;
    rep.hasAlpha = true;
    reps.push_back(rep);
  }
  if (!reader.error().isEmpty()) return reader.error();
  if (reps.empty()) return QStringLiteral("no image in the GIF");
  *out = std::move(reps);
  return QString();
}

ImageResult<QImage> DecodeGif(GifFrameReader* reader, int index, const ImageRepresentation& rep) {
  QImage frame;
  while (reader->nextIndex() <= index) {
    if (!reader->next(&frame)) {
      return ImageResult<QImage>::Fail(
          reader->error().isEmpty() ? QStringLiteral("no such GIF frame") : reader->error());
    }
  }
  // A copy: the reader keeps composing on its own canvas.
  return {FinishDecodedImage(frame.copy(), rep), QString()};
}

}  // namespace glimbrik::codec
