#include "engine/codecs/jpeg2000.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <QFile>
#include <cstring>
#include <vector>

#include "support/test_env.h"

namespace glimbrik {
namespace {

struct J2kLayout {
  int components = 3;
  int precision = 8;
  bool sign = false;
  OPJ_COLOR_SPACE space = OPJ_CLRSPC_SRGB;
  bool jp2 = false;
};

// Encodes a 4 x 3 image losslessly; sample(c, i) gives component c of pixel i.
template <typename Sample>
QByteArray EncodeJ2K(const J2kLayout& layout, Sample sample) {
  constexpr int kW = 4;
  constexpr int kH = 3;
  std::vector<opj_image_cmptparm_t> params(static_cast<size_t>(layout.components));
  for (auto& p : params) {
    std::memset(&p, 0, sizeof p);
    p.dx = p.dy = 1;
    p.w = kW;
    p.h = kH;
    p.prec = static_cast<OPJ_UINT32>(layout.precision);
    p.sgnd = layout.sign ? 1 : 0;
  }
  opj_image_t* image =
      opj_image_create(static_cast<OPJ_UINT32>(layout.components), params.data(), layout.space);
  image->x1 = kW;
  image->y1 = kH;
  for (int c = 0; c < layout.components; ++c) {
    for (int i = 0; i < kW * kH; ++i) image->comps[c].data[i] = sample(c, i);
  }
  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.numresolution = 2;  // a 4 x 3 image has room for no more
  opj_codec_t* codec = opj_create_compress(layout.jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  opj_set_error_handler(
      codec, [](const char* m, void*) { fprintf(stderr, "opj: %s", m); }, nullptr);
  opj_setup_encoder(codec, &parameters, image);
  const QString path = test::MakeTempFolder() + "/image.j2k";
  opj_stream_t* stream =
      opj_stream_create_default_file_stream(QFile::encodeName(path).constData(), OPJ_FALSE);
  const bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                  opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  return ok ? test::ReadBytes(path) : QByteArray();
}

struct Result {
  int code = 99;
  QByteArray pixels;
  int colourCode = 0;
  int components = 0;
};

Result Decode(const QByteArray& data, int colourCode = 0) {
  Result r;
  r.colourCode = colourCode;
  QByteArray profile;
  int untouched = 7;
  r.code = DecodeJPEG2000Data(data, &r.pixels, &untouched, &untouched, &r.colourCode, &r.components,
                              &profile);
  EXPECT_EQ(untouched, 7);
  return r;
}

TEST(JPEG2000, CodestreamAndJp2RgbDecodeExactly) {
  for (bool jp2 : {false, true}) {
    SCOPED_TRACE(jp2 ? "JP2" : "J2K");
    const QByteArray data =
        EncodeJ2K({.jp2 = jp2}, [](int c, int i) { return (i * 20 + c * 70) % 256; });
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(data.startsWith("\xFF\x4F"), !jp2);
    const Result r = Decode(data);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.colourCode, 2);
    EXPECT_EQ(r.components, 3);
    ASSERT_EQ(r.pixels.size(), 4 * 3 * 3);
    for (int i = 0; i < 12; ++i) {
      for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(static_cast<uint8_t>(r.pixels[i * 3 + c]), (i * 20 + c * 70) % 256);
      }
    }
  }
}

TEST(JPEG2000, ComponentCountsChooseColourAndAlpha) {
  Result r = Decode(
      EncodeJ2K({.components = 4, .jp2 = true}, [](int c, int) { return c == 3 ? 128 : 40 * c; }));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.colourCode, 2);  // three colours plus alpha
  ASSERT_EQ(r.pixels.size(), 12 * 4);
  EXPECT_EQ(static_cast<uint8_t>(r.pixels[3]), 128);

  const QByteArray grey =
      EncodeJ2K({.components = 1, .space = OPJ_CLRSPC_GRAY}, [](int, int i) { return i; });
  r = Decode(grey);
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.colourCode, 1);
  EXPECT_EQ(r.pixels.size(), 12);
  EXPECT_EQ(Decode(grey, 2).colourCode, 2);  // a colour code given by the caller stays

  // Six components: four colours and one alpha are written; the buffer holds exactly those.
  r = Decode(EncodeJ2K({.components = 6, .space = OPJ_CLRSPC_UNSPECIFIED},
                       [](int c, int) { return 10 * (c + 1); }));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.colourCode, 3);
  EXPECT_EQ(r.components, 6);
  ASSERT_EQ(r.pixels.size(), 12 * 5);
  for (int c = 0; c < 5; ++c)
    EXPECT_EQ(static_cast<uint8_t>(r.pixels[12 * 5 - 5 + c]), 10 * (c + 1));
}

TEST(JPEG2000, DeepAndSignedSamplesBecomeBytes) {
  Result r = Decode(EncodeJ2K({.components = 1, .precision = 16, .space = OPJ_CLRSPC_GRAY},
                              [](int, int i) { return i == 0 ? 0xABCD : 0x0100 * i; }));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(static_cast<uint8_t>(r.pixels[0]), 0xAB);
  EXPECT_EQ(static_cast<uint8_t>(r.pixels[5]), 5);

  r = Decode(EncodeJ2K({.components = 1, .sign = true, .space = OPJ_CLRSPC_GRAY}, [](int, int i) {
    return i == 0 ? -128 : i == 1 ? 127 : 0;
  }));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(static_cast<uint8_t>(r.pixels[0]), 0);
  EXPECT_EQ(static_cast<uint8_t>(r.pixels[1]), 255);
  EXPECT_EQ(static_cast<uint8_t>(r.pixels[2]), 128);
}

TEST(JPEG2000, BadDataFailsWithoutPixels) {
  EXPECT_EQ(Decode(QByteArray()).code, -1);
  const Result junk = Decode(QByteArray("\xFF\x4F\xFF\x51 this is no codestream"));
  EXPECT_EQ(junk.code, -1);
  EXPECT_TRUE(junk.pixels.isEmpty());
  const QByteArray whole = EncodeJ2K({}, [](int, int) { return 9; });
  const Result cut = Decode(whole.left(60));
  EXPECT_EQ(cut.code, -1);
  EXPECT_TRUE(cut.pixels.isEmpty());
}

}  // namespace
}  // namespace glimbrik
