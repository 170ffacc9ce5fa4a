#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include "platform/codecs/codec_encoders.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

constexpr int kBins = 32 * 32 * 32;

int BinOf(QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); }

struct Bin {
  uint32_t count = 0;
  uint64_t r = 0, g = 0, b = 0;
};

struct Box {
  std::vector<int> bins;
  uint64_t population = 0;
  int axis = 0;
  int range = 0;
};

int Channel(int bin, int axis) { return (bin >> (10 - axis * 5)) & 31; }

void Measure(Box* box) {
  std::array<int, 3> lo{31, 31, 31}, hi{0, 0, 0};
  for (int bin : box->bins) {
    for (int a = 0; a < 3; ++a) {
      lo[size_t(a)] = std::min(lo[size_t(a)], Channel(bin, a));
      hi[size_t(a)] = std::max(hi[size_t(a)], Channel(bin, a));
    }
  }
  box->range = -1;
  for (int a = 0; a < 3; ++a) {
    if (hi[size_t(a)] - lo[size_t(a)] > box->range) {
      box->range = hi[size_t(a)] - lo[size_t(a)];
      box->axis = a;
    }
  }
}

// Median cut over a 15-bit histogram: split the most populous box that still spans more than
// one bin at the median of its widest channel.
std::vector<QRgb> MedianCut(const std::vector<Bin>& histogram, int colours) {
  Box all;
  for (int i = 0; i < kBins; ++i) {
    if (histogram[size_t(i)].count) {
      all.bins.push_back(i);
      all.population += histogram[size_t(i)].count;
    }
  }
  std::vector<Box> boxes;
  if (all.bins.empty()) return {};
  Measure(&all);
  boxes.push_back(std::move(all));
  while (int(boxes.size()) < colours) {
    int pick = -1;
    for (int i = 0; i < int(boxes.size()); ++i) {
      if (boxes[size_t(i)].range > 0 &&
          (pick < 0 || boxes[size_t(i)].population * uint64_t(boxes[size_t(i)].range) >
                           boxes[size_t(pick)].population * uint64_t(boxes[size_t(pick)].range))) {
        pick = i;
      }
    }
    if (pick < 0) break;
    Box& box = boxes[size_t(pick)];
    const int axis = box.axis;
    std::sort(box.bins.begin(), box.bins.end(),
              [axis](int a, int b) { return Channel(a, axis) < Channel(b, axis); });
    uint64_t half = 0;
    size_t cut = 0;
    while (cut < box.bins.size() - 1 && half * 2 < box.population) {
      half += histogram[size_t(box.bins[cut])].count;
      ++cut;
    }
    cut = std::clamp<size_t>(cut, 1, box.bins.size() - 1);
    Box upper;
    upper.bins.assign(box.bins.begin() + std::ptrdiff_t(cut), box.bins.end());
    box.bins.resize(cut);
    box.population = 0;
    for (int bin : box.bins) box.population += histogram[size_t(bin)].count;
    for (int bin : upper.bins) upper.population += histogram[size_t(bin)].count;
    Measure(&box);
    Measure(&upper);
    boxes.push_back(std::move(upper));
  }
  std::vector<QRgb> palette;
  for (const Box& box : boxes) {
    uint64_t r = 0, g = 0, b = 0, n = 0;
    for (int bin : box.bins) {
      const Bin& h = histogram[size_t(bin)];
      r += h.r;
      g += h.g;
      b += h.b;
      n += h.count;
    }
    palette.push_back(qRgb(int(r / n), int(g / n), int(b / n)));
  }
  return palette;
}

int Nearest(const std::vector<QRgb>& palette, QRgb c) {
  int best = 0, bestDistance = INT32_MAX;
  for (int i = 0; i < int(palette.size()); ++i) {
    const int dr = qRed(palette[size_t(i)]) - qRed(c), dg = qGreen(palette[size_t(i)]) - qGreen(c),
              db = qBlue(palette[size_t(i)]) - qBlue(c);
    const int d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

int WriteToBuffer(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
  return length;
}

struct GifWriterCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

}  // namespace

Encoded EncodeGif(const QImage& image, const DestinationProperties&) {
  const int w = image.width(), h = image.height();
  if (w > 65535 || h > 65535) return Encoded::Fail(QStringLiteral("size not encodable as GIF"));
  const QImage argb = ConvertedImage(image, QImage::Format_ARGB32);
  if (argb.isNull()) return Encoded::Fail(QStringLiteral("out of memory"));
  bool transparent = false;
  std::vector<Bin> histogram(kBins);
  std::unordered_map<QRgb, int> exact;
  for (int y = 0; y < h; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      if (qAlpha(line[x]) < 128) {
        transparent = true;
        continue;
      }
      Bin& bin = histogram[size_t(BinOf(line[x]))];
      ++bin.count;
      bin.r += uint64_t(qRed(line[x]));
      bin.g += uint64_t(qGreen(line[x]));
      bin.b += uint64_t(qBlue(line[x]));
      if (exact.size() <= 256) exact.emplace(line[x] | 0xFF000000u, 0);
    }
  }
  const int colours = transparent ? 255 : 256;
  std::vector<QRgb> palette;
  if (int(exact.size()) <= colours) {
    for (auto& [colour, index] : exact) {
      index = int(palette.size());
      palette.push_back(colour);
    }
  } else {
    exact.clear();
    palette = MedianCut(histogram, colours);
  }
  const int transparentIndex = transparent ? int(palette.size()) : -1;
  if (transparent) palette.push_back(qRgb(0, 0, 0));
  if (palette.empty()) palette.push_back(qRgb(0, 0, 0));
  int mapSize = 2;
  while (mapSize < int(palette.size())) mapSize *= 2;
  std::vector<GifColorType> entries(size_t(mapSize), GifColorType{0, 0, 0});
  for (size_t i = 0; i < palette.size(); ++i) {
    entries[i] = {GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                  GifByteType(qBlue(palette[i]))};
  }
  std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(mapSize, entries.data()));
  if (!map) return Encoded::Fail(QStringLiteral("out of memory"));

  std::vector<int16_t> lookup;
  if (exact.empty()) lookup.assign(kBins, -1);
  QByteArray out;
  int error = 0;
  std::unique_ptr<GifFileType, GifWriterCloser> gif(EGifOpen(&out, WriteToBuffer, &error));
  if (!gif) return Encoded::Fail(QStringLiteral("GIF writer failed"));
  EGifSetGifVersion(gif.get(), true);
  if (EGifPutScreenDesc(gif.get(), w, h, 8, 0, map.get()) == GIF_ERROR) {
    return Encoded::Fail(QStringLiteral("GIF encoding failed"));
  }
  if (transparent) {
    const GifByteType control[4] = {0x01, 0, 0, GifByteType(transparentIndex)};
    if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_ERROR) {
      return Encoded::Fail(QStringLiteral("GIF encoding failed"));
    }
  }
  if (EGifPutImageDesc(gif.get(), 0, 0, w, h, false, nullptr) == GIF_ERROR) {
    return Encoded::Fail(QStringLiteral("GIF encoding failed"));
  }
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      if (qAlpha(in[x]) < 128) {
        line[size_t(x)] = GifPixelType(transparentIndex);
      } else if (!exact.empty()) {
        line[size_t(x)] = GifPixelType(exact[in[x] | 0xFF000000u]);
      } else {
        int16_t& index = lookup[size_t(BinOf(in[x]))];
        if (index < 0) index = int16_t(Nearest(palette, in[x]));
        line[size_t(x)] = GifPixelType(index);
      }
    }
    if (EGifPutLine(gif.get(), line.data(), w) == GIF_ERROR) {
      return Encoded::Fail(QStringLiteral("GIF encoding failed"));
    }
  }
  GifFileType* raw = gif.release();
  if (EGifCloseFile(raw, &error) == GIF_ERROR)
    return Encoded::Fail(QStringLiteral("GIF encoding failed"));
  return {out, QString()};
}

}  // namespace glimbrik::codec
