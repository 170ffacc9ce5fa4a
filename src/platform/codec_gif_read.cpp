#include <gif_lib.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/codec_decoders.h"

namespace glimbrik::codec {

namespace {

struct GifMemory {
  const QByteArray* data;
  qsizetype position;
};

int ReadGif(GifFileType* gif, GifByteType* out, int length) {
  auto* m = static_cast<GifMemory*>(gif->UserData);
  const qsizetype n = std::min<qsizetype>(length, m->data->size() - m->position);
  if (n <= 0) return 0;
  std::memcpy(out, m->data->constData() + m->position, size_t(n));
  m->position += n;
  return int(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

// Walks the frames, composing each onto the logical screen as a viewer shows it. visit gets the
// frame index and the composed screen (RGBA, unpremultiplied) and returns false to stop.
QString WalkFrames(const QByteArray& data, QSize* screen,
                   const std::function<bool(int, const QImage&)>& visit, bool wantPixels) {
  GifMemory memory{&data, 0};
  int error = 0;
  GifPtr gif(DGifOpen(&memory, ReadGif, &error));
  if (!gif) return QStringLiteral("unreadable GIF header");
  *screen = QSize(gif->SWidth, gif->SHeight);
  if (!IsImageSizeAllowed(gif->SWidth, gif->SHeight)) {
    return QStringLiteral("image size refused");
  }
  QImage canvas;
  if (wantPixels) {
    canvas = QImage(gif->SWidth, gif->SHeight, QImage::Format_ARGB32);
    if (canvas.isNull()) return QStringLiteral("out of memory");
    canvas.fill(Qt::transparent);
  }
  int frame = 0, transparent = -1, disposal = 0;
  std::vector<GifPixelType> line;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return QStringLiteral("corrupt GIF data");
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR)
        return QStringLiteral("corrupt GIF data");
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        disposal = (ext[1] >> 2) & 7;
        transparent = (ext[1] & 1) ? ext[4] : -1;
      }
      while (ext) {
        if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR)
          return QStringLiteral("corrupt GIF data");
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return QStringLiteral("corrupt GIF data");
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Width > 65535 || desc.Height > 65535) {
      return QStringLiteral("bad GIF frame");
    }
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    QImage before = wantPixels && disposal == 3 ? canvas.copy() : QImage();
    line.resize(size_t(desc.Width));
    // Interlaced frames store rows in four passes.
    std::vector<int> rows;
    if (desc.Interlace) {
      for (int start : {0, 4, 2, 1}) {
        for (int y = start; y < desc.Height; y += (start == 0   ? 8
                                                   : start == 4 ? 8
                                                   : start == 2 ? 4
                                                                : 2)) {
          rows.push_back(y);
        }
      }
    } else {
      for (int y = 0; y < desc.Height; ++y) rows.push_back(y);
    }
    for (int y : rows) {
      if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) {
        return QStringLiteral("corrupt GIF data");
      }
      if (!wantPixels || !map) continue;
      const int cy = desc.Top + y;
      if (cy < 0 || cy >= canvas.height()) continue;
      QRgb* out = reinterpret_cast<QRgb*>(canvas.scanLine(cy));
      for (int x = 0; x < desc.Width; ++x) {
        const int cx = desc.Left + x;
        const int index = line[size_t(x)];
        if (cx < 0 || cx >= canvas.width() || index == transparent || index >= map->ColorCount)
          continue;
        const GifColorType& c = map->Colors[index];
        out[cx] = qRgb(c.Red, c.Green, c.Blue);
      }
    }
    if (!visit(frame, canvas)) return QString();
    ++frame;
    if (wantPixels) {
      if (disposal == 2) {
        for (int y = std::max(0, desc.Top); y < std::min(canvas.height(), desc.Top + desc.Height);
             ++y) {
          QRgb* out = reinterpret_cast<QRgb*>(canvas.scanLine(y));
          for (int x = std::max(0, desc.Left); x < std::min(canvas.width(), desc.Left + desc.Width);
               ++x) {
            out[x] = 0;
          }
        }
      } else if (disposal == 3) {
        canvas = before;
      }
    }
    transparent = -1;
    disposal = 0;
  }
  return frame == 0 ? QStringLiteral("no image in the GIF") : QString();
}

}  // namespace

QString ProbeGif(const QByteArray& data, Representations* out) {
  QSize screen;
  Representations reps;
  const QString error = WalkFrames(
      data, &screen,
      [&](int, const QImage&) {
        ImageRepresentation rep;
        rep.pixelWidth = screen.width();
        rep.pixelHeight = screen.height();
        rep.colorModel = ColorModel::Indexed;
        rep.hasAlpha = true;
        reps.push_back(rep);
        return reps.size() < 10000;
      },
      false);
  if (!error.isEmpty()) return error;
  *out = std::move(reps);
  return QString();
}

ImageResult<QImage> DecodeGif(const QByteArray& data, int index) {
  QSize screen;
  QImage result;
  const QString error = WalkFrames(
      data, &screen,
      [&](int frame, const QImage& canvas) {
        if (frame != index) return true;
        result = canvas.copy();
        return false;
      },
      true);
  if (result.isNull()) {
    return ImageResult<QImage>::Fail(error.isEmpty() ? QStringLiteral("no such GIF frame") : error);
  }
  ImageRepresentation rep;
  rep.pixelWidth = screen.width();
  rep.pixelHeight = screen.height();
  return {FinishDecodedImage(std::move(result), rep), QString()};
}

}  // namespace glimbrik::codec
