#include "platform/codecs/jp2_resolution.h"

#include <cmath>
#include <cstdint>

namespace glimbrik {

namespace {

constexpr double kMetresPerInch = 0.0254;

uint32_t Be32(QByteArrayView d, qsizetype at) {
  return uint32_t(uint8_t(d[at])) << 24 | uint32_t(uint8_t(d[at + 1])) << 16 |
         uint32_t(uint8_t(d[at + 2])) << 8 | uint32_t(uint8_t(d[at + 3]));
}

uint16_t Be16(QByteArrayView d, qsizetype at) {
  return uint16_t(uint8_t(d[at]) << 8 | uint8_t(d[at + 1]));
}

struct Box {
  qsizetype start = 0;    // first byte of the box header
  qsizetype content = 0;  // first byte after the header
  qsizetype end = 0;      // one past the last byte
  QByteArrayView type;
};

// The box at pos within [pos, limit); none when its length does not fit.
std::optional<Box> BoxAt(QByteArrayView d, qsizetype pos, qsizetype limit) {
  if (limit - pos < 8) return std::nullopt;
  uint64_t length = Be32(d, pos);
  qsizetype content = pos + 8;
  if (length == 1) {
    if (limit - pos < 16) return std::nullopt;
    length = uint64_t(Be32(d, pos + 8)) << 32 | Be32(d, pos + 12);
    content = pos + 16;
  } else if (length == 0) {
    length = uint64_t(limit - pos);
  }
  if (length < uint64_t(content - pos) || length > uint64_t(limit - pos)) return std::nullopt;
  return Box{pos, content, pos + qsizetype(length), d.sliced(pos + 4, 4)};
}

std::optional<Box> FindBox(QByteArrayView d, qsizetype from, qsizetype limit, const char* type) {
  qsizetype pos = from;
  while (std::optional<Box> box = BoxAt(d, pos, limit)) {
    if (box->type == QByteArrayView(type, 4)) return box;
    if (box->end == pos) break;
    pos = box->end;
  }
  return std::nullopt;
}

// A resc/resd body: vertical then horizontal numerator, denominator, and signed exponents, in
// grid points per metre.
std::optional<Jp2Resolution> ParseResolutionBox(QByteArrayView d, const Box& box) {
  if (box.end - box.content < 10) return std::nullopt;
  const qsizetype c = box.content;
  const double vn = Be16(d, c), vd = Be16(d, c + 2), hn = Be16(d, c + 4), hd = Be16(d, c + 6);
  const int ve = int8_t(d[c + 8]), he = int8_t(d[c + 9]);
  if (vn == 0 || vd == 0 || hn == 0 || hd == 0) return std::nullopt;
  const Jp2Resolution r{hn / hd * std::pow(10.0, he) * kMetresPerInch,
                        vn / vd * std::pow(10.0, ve) * kMetresPerInch};
  if (!std::isfinite(r.dpiX) || !std::isfinite(r.dpiY) || r.dpiX < 1.0 || r.dpiY < 1.0 ||
      r.dpiX > 1e6 || r.dpiY > 1e6) {
    return std::nullopt;
  }
  return r;
}

// Numerator and exponent for a denominator of 127: dpi / 0.0254 = dpi x 5000 / 127.
void Encode(double dpi, uint16_t* numerator, int8_t* exponent) {
  for (int e = 0; e < 10; ++e) {
    const double n = std::nearbyint(dpi * 5000.0 / std::pow(10.0, e));
    if (n <= 65535.0) {
      *numerator = uint16_t(std::max(1.0, n));
      *exponent = int8_t(e);
      return;
    }
  }
  *numerator = 65535;
  *exponent = 9;
}

void PutBe32(QByteArray* out, qsizetype at, uint32_t v) {
  (*out)[at] = char(v >> 24);
  (*out)[at + 1] = char(v >> 16);
  (*out)[at + 2] = char(v >> 8);
  (*out)[at + 3] = char(v);
}

}  // namespace

std::optional<Jp2Resolution> ReadJp2Resolution(QByteArrayView d) {
  const std::optional<Box> header = FindBox(d, 0, d.size(), "jp2h");
  if (!header) return std::nullopt;
  const std::optional<Box> res = FindBox(d, header->content, header->end, "res ");
  if (!res) return std::nullopt;
  for (const char* type : {"resc", "resd"}) {
    if (const std::optional<Box> box = FindBox(d, res->content, res->end, type)) {
      if (std::optional<Jp2Resolution> r = ParseResolutionBox(d, *box)) return r;
    }
  }
  return std::nullopt;
}

bool SetJp2CaptureResolution(QByteArray* file, double dpiX, double dpiY) {
  const QByteArrayView d(*file);
  const std::optional<Box> header = FindBox(d, 0, d.size(), "jp2h");
  // Only a plain 8-byte header length can be grown in place.
  if (!header || header->content - header->start != 8 || !(dpiX > 0) || !(dpiY > 0)) return false;
  QByteArray body = file->mid(header->content, header->end - header->content);
  if (const std::optional<Box> old = FindBox(body, 0, body.size(), "res ")) {
    body.remove(old->start, old->end - old->start);
  }
  uint16_t vn = 0, hn = 0;
  int8_t ve = 0, he = 0;
  Encode(dpiY, &vn, &ve);
  Encode(dpiX, &hn, &he);
  QByteArray res(26, '\0');
  PutBe32(&res, 0, 26);
  res.replace(4, 4, "res ");
  PutBe32(&res, 8, 18);
  res.replace(12, 4, "resc");
  const uint16_t fields[] = {vn, 127, hn, 127};
  for (int i = 0; i < 4; ++i) {
    res[16 + 2 * i] = char(fields[i] >> 8);
    res[17 + 2 * i] = char(fields[i]);
  }
  res[24] = char(ve);
  res[25] = char(he);
  body += res;
  QByteArray out = file->left(header->start);
  out += QByteArray(8, '\0');
  PutBe32(&out, header->start, uint32_t(body.size() + 8));
  out.replace(header->start + 4, 4, "jp2h");
  out += body;
  out += file->mid(header->end);
  *file = std::move(out);
  return true;
}

}  // namespace glimbrik
