#include <algorithm>

#include "platform/codecs/codec_decoders.h"
#include "platform/codecs/codec_jp2_io.h"
#include "platform/codecs/jp2_resolution.h"

namespace glimbrik::codec {

namespace {

struct Jp2Reader {
  OpjMemory memory;
  OpjStreamPtr stream;
  OpjCodecPtr codec;
  opj_image_t* header = nullptr;
  OpjImagePtr image;
};

bool OpenJp2(const QByteArray& data, Jp2Reader* r) {
  const bool codestream = data.startsWith("\xFF\x4F\xFF\x51");
  r->memory.input = &data;
  r->stream = OpenOpjInput(&r->memory);
  r->codec.reset(opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!r->stream || !r->codec) return false;
  QuietOpjCodec(r->codec.get());
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(r->codec.get(), &parameters)) return false;
  const bool ok = opj_read_header(r->stream.get(), r->codec.get(), &r->header);
  r->image.reset(r->header);
  return ok && r->header && r->header->numcomps > 0;
}

int SampleAt(const opj_image_comp_t& c, int x, int y) {
  const int cx = std::min<int>(int(c.w) - 1, x / std::max<int>(1, int(c.dx)));
  const int cy = std::min<int>(int(c.h) - 1, y / std::max<int>(1, int(c.dy)));
  int v = c.data[size_t(cy) * c.w + size_t(cx)];
  if (c.sgnd) v += 1 << (c.prec - 1);
  const int max = (1 << std::min<OPJ_UINT32>(c.prec, 16)) - 1;
  return std::clamp(v, 0, max);
}

}  // namespace

QString ProbeJpeg2000(const QByteArray& data, Representations* out) {
  Jp2Reader r;
  if (!OpenJp2(data, &r)) return QStringLiteral("unreadable JPEG 2000 header");
  const opj_image_t* h = r.header;
  ImageRepresentation rep;
  rep.pixelWidth = int(std::min<OPJ_UINT32>(h->x1 - h->x0, 0x7fffffff));
  rep.pixelHeight = int(std::min<OPJ_UINT32>(h->y1 - h->y0, 0x7fffffff));
  rep.bitsPerComponent = h->comps[0].prec > 8 ? 16 : 8;
  rep.colorModel = h->numcomps < 3 ? ColorModel::Gray : ColorModel::RGB;
  rep.hasAlpha = h->numcomps == 2 || h->numcomps >= 4;
  if (h->icc_profile_buf && h->icc_profile_len > 0) {
    rep.iccProfile =
        QByteArray(reinterpret_cast<const char*>(h->icc_profile_buf), int(h->icc_profile_len));
  }
  if (const std::optional<Jp2Resolution> res = ReadJp2Resolution(data)) {
    rep.dpiX = res->dpiX;
    rep.dpiY = res->dpiY;
  }
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodeJpeg2000(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  Jp2Reader r;
  if (!OpenJp2(data, &r)) return Result::Fail(QStringLiteral("unreadable JPEG 2000 header"));
  if (!opj_decode(r.codec.get(), r.stream.get(), r.image.get()) ||
      !opj_end_decompress(r.codec.get(), r.stream.get())) {
    return Result::Fail(QStringLiteral("corrupt JPEG 2000 data"));
  }
  const opj_image_t* im = r.image.get();
  const int w = rep.pixelWidth, h = rep.pixelHeight;
  const int comps = int(im->numcomps);
  for (int i = 0; i < comps; ++i) {
    if (!im->comps[i].data || im->comps[i].w == 0 || im->comps[i].h == 0 ||
        im->comps[i].prec == 0 || im->comps[i].prec > 31) {
      return Result::Fail(QStringLiteral("corrupt JPEG 2000 data"));
    }
  }
  const bool gray = comps < 3;
  const bool alpha = comps == 2 || comps >= 4;
  QImage image(w, h, QImage::Format_RGBA64);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  auto to16 = [](int v, OPJ_UINT32 prec) {
    const int bits = int(std::min<OPJ_UINT32>(prec, 16));
    const int max = (1 << bits) - 1;
    return uint16_t(int64_t(v) * 65535 / max);
  };
  for (int y = 0; y < h; ++y) {
    uint16_t* o = reinterpret_cast<uint16_t*>(image.scanLine(y));
    for (int x = 0; x < w; ++x, o += 4) {
      const int c0 = SampleAt(im->comps[0], x, y);
      o[0] = to16(c0, im->comps[0].prec);
      o[1] = gray ? o[0] : to16(SampleAt(im->comps[1], x, y), im->comps[1].prec);
      o[2] = gray ? o[0] : to16(SampleAt(im->comps[2], x, y), im->comps[2].prec);
      const int a = gray ? 1 : 3;
      o[3] = alpha ? to16(SampleAt(im->comps[a], x, y), im->comps[a].prec) : 0xFFFF;
    }
  }
  if (gray && !alpha) {
    image.convertTo(rep.bitsPerComponent <= 8 ? QImage::Format_Grayscale8
                                              : QImage::Format_Grayscale16);
  } else if (rep.bitsPerComponent <= 8) {
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
