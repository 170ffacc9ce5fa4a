#include <algorithm>
#include <vector>

#include "platform/codecs/codec_encoders.h"
#include "platform/codecs/codec_jp2_io.h"
#include "platform/codecs/jp2_resolution.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

Encoded EncodeJpeg2000(const QImage& image, const DestinationProperties& properties) {
  const int w = image.width(), h = image.height();
  const bool gray =
      image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16;
  const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
  const bool alpha = !gray && ImageUsesAlpha(image);
  const int comps = gray ? 1 : (alpha ? 4 : 3);
  const int precision = deep ? 16 : 8;

  std::vector<opj_image_cmptparm_t> parameters(static_cast<size_t>(comps));
  for (opj_image_cmptparm_t& c : parameters) {
    c = {};
    c.dx = c.dy = 1;
    c.w = OPJ_UINT32(w);
    c.h = OPJ_UINT32(h);
    c.prec = OPJ_UINT32(precision);
    c.sgnd = 0;
  }
  OpjImagePtr picture(opj_image_create(OPJ_UINT32(comps), parameters.data(),
                                       gray ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!picture) return Encoded::Fail(QStringLiteral("out of memory"));
  picture->x1 = OPJ_UINT32(w);
  picture->y1 = OPJ_UINT32(h);
  if (alpha) picture->comps[3].alpha = 1;

  if (gray) {
    const QImage g =
        image.convertToFormat(deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        picture->comps[0].data[size_t(y) * w + x] =
            deep ? reinterpret_cast<const uint16_t*>(g.constScanLine(y))[x] : g.constScanLine(y)[x];
      }
    }
  } else {
    const QImage rgba = ConvertedImage(image, QImage::Format_RGBA64);
    for (int y = 0; y < h; ++y) {
      const uint16_t* in = reinterpret_cast<const uint16_t*>(rgba.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        for (int c = 0; c < comps; ++c) {
          const uint16_t v = in[x * 4 + c];
          picture->comps[c].data[size_t(y) * w + x] = deep ? v : (v + 128) / 257;
        }
      }
    }
  }

  opj_cparameters_t settings;
  opj_set_default_encoder_parameters(&settings);
  const double quality = properties.lossyQuality.value_or(0.75);
  settings.tcp_numlayers = 1;
  if (quality >= 1.0) {
    settings.irreversible = 0;
    settings.tcp_rates[0] = 0;
    settings.cp_disto_alloc = 1;
  } else {
    // Quality steers the target fidelity in dB: 0.0 gives 25, 0.99 gives about 55.
    settings.irreversible = 1;
    settings.tcp_distoratio[0] = float(25.0 + 30.0 * std::max(0.0, quality));
    settings.cp_fixed_quality = 1;
  }
  settings.tcp_mct = comps >= 3 ? 1 : 0;
  // Keep the resolution levels within the smallest side.
  while (settings.numresolution > 1 && ((1 << (settings.numresolution - 1)) > std::min(w, h))) {
    --settings.numresolution;
  }

  OpjCodecPtr codec(opj_create_compress(OPJ_CODEC_JP2));
  if (!codec) return Encoded::Fail(QStringLiteral("JPEG 2000 writer failed"));
  QuietOpjCodec(codec.get());
  QByteArray out;
  OpjMemory memory;
  memory.output = &out;
  OpjStreamPtr stream = OpenOpjOutput(&memory);
  if (!stream || !opj_setup_encoder(codec.get(), &settings, picture.get()) ||
      !opj_start_compress(codec.get(), picture.get(), stream.get()) ||
      !opj_encode(codec.get(), stream.get()) || !opj_end_compress(codec.get(), stream.get())) {
    return Encoded::Fail(QStringLiteral("JPEG 2000 encoding failed"));
  }
  stream.reset();
  SetJp2CaptureResolution(&out, OutputDpiX(properties), OutputDpiY(properties));
  return {out, QString()};
}

}  // namespace glimbrik::codec
