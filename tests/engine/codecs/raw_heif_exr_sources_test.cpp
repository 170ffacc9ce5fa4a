// Camera raw, HEIF and OpenEXR sources through both engine entries, checked against each
// format's own decoder (LibRaw's dcraw_emu, libheif's heif-convert, ImageMagick).
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfRgbaFile.h>
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QFile>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/codecs/image_file.h"
#include "engine/convert/conversion_records.h"
#include "engine/tokens/text_token.h"
#include "engine/tokens/token_string.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "support/camera_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/pixel_compare.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::RunTool;

using test::Compare;
using test::Difference;
using test::MagickPixels;

QString ExifTag(const QString& path, const char* tag) {
  return RunTool("exiftool", {"-s3", QStringLiteral("-%1").arg(tag), path}).trimmed();
}

QString Write(const QString& folder, const QString& name, const QByteArray& bytes) {
  const QString path = folder + '/' + name;
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

// The output of ProcessImageFile at the source's own size with its metadata kept.
int Process(const QString& source, const QString& destination, int type, int64_t dpi = 0) {
  ImageConversion c = test::ConversionRecord(source, destination, type, 0.95);
  c.resizeEnabled = 1;
  c.resize = test::PercentFit(100);
  c.resize.resolution = dpi;
  c.options.preserveMetadata = 1;
  return ProcessImageFile(&c);
}

int Convert(const QString& source, const QString& destination, int type, bool* damaged = nullptr) {
  ImageConversion c = test::ConversionRecord(source, destination, type, 0.95);
  c.options.preserveMetadata = 1;
  const int result = ConvertImageFile(&c);
  if (damaged) *damaged = c.sourceDamaged;
  return result;
}

// What a HEIF written here states beside its picture.
struct HeifExtras {
  heif_color_primaries primaries = heif_color_primaries_unspecified;  // for an nclx box
  QByteArray exif;             // the whole Exif item, the offset of its TIFF header first
  bool premultiplied = false;  // alpha kept, the colour stored multiplied by it
};

// A HEIF of the picture whose container turns it by the orientation (irot/imir boxes), written
// through libheif's own encoder since heif-enc can do none of the extras.
bool WriteTurnedHeif(const QImage& picture, heif_orientation orientation, const QString& path,
                     const HeifExtras& extras = {}) {
  const bool alpha = extras.premultiplied;
  const QImage rgb = picture.convertToFormat(alpha ? QImage::Format_RGBA8888_Premultiplied
                                                   : QImage::Format_RGB888);
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_image_handle* handle = nullptr;
  heif_encoding_options* options = heif_encoding_options_alloc();
  bool ok =
      heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
          heif_error_Ok &&
      heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB,
                        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image)
              .code == heif_error_Ok &&
      heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8).code ==
          heif_error_Ok;
  if (ok) {
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y) {
      std::memcpy(plane + size_t(y) * stride, rgb.constScanLine(y),
                  size_t(rgb.width()) * (alpha ? 4 : 3));
    }
    heif_image_set_premultiplied_alpha(image, alpha ? 1 : 0);
    heif_encoder_set_lossy_quality(encoder, 95);
    options->image_orientation = orientation;
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    if (extras.primaries != heif_color_primaries_unspecified) {
      heif_nclx_color_profile_set_color_primaries(nclx, extras.primaries);
      heif_nclx_color_profile_set_transfer_characteristics(
          nclx, heif_transfer_characteristic_IEC_61966_2_1);
      heif_nclx_color_profile_set_matrix_coefficients(nclx,
                                                      heif_matrix_coefficients_ITU_R_BT_601_6);
      nclx->full_range_flag = 1;
      options->output_nclx_profile = nclx;
      heif_image_set_nclx_color_profile(image, nclx);
      options->macOS_compatibility_workaround_no_nclx_profile = 0;  // on by default in 1.15
    }
    ok = heif_context_encode_image(context, image, encoder, options, &handle).code ==
             heif_error_Ok &&
         (extras.exif.isEmpty() ||
          heif_context_add_generic_metadata(context, handle, extras.exif.constData(),
                                            int(extras.exif.size()), "Exif", nullptr)
                  .code == heif_error_Ok) &&
         heif_context_write_to_file(context, QFile::encodeName(path).constData()).code ==
             heif_error_Ok;
    heif_nclx_color_profile_free(nclx);
  }
  heif_encoding_options_free(options);
  if (handle) heif_image_handle_release(handle);
  if (image) heif_image_release(image);
  if (encoder) heif_encoder_release(encoder);
  heif_context_free(context);
  return ok;
}

// A float RGB OpenEXR of linear values (ImageMagick writes half only).
void WriteFloatExr(const QString& path, int w, int h) {
  std::vector<float> r(size_t(w) * h), g(r.size()), b(r.size());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t i = size_t(y) * w + x;
      r[i] = float(x) / w, g[i] = float(y) / h, b[i] = x < w / 2 ? 0.05f : 0.6f;
    }
  }
  Imf::Header header(w, h);
  for (const char* name : {"R", "G", "B"}) header.channels().insert(name, Imf::Channel(Imf::FLOAT));
  Imf::OutputFile file(QFile::encodeName(path).constData(), header);
  Imf::FrameBuffer frame;
  const size_t pixel = sizeof(float), line = sizeof(float) * size_t(w);
  frame.insert("R", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(r.data()), pixel, line));
  frame.insert("G", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(g.data()), pixel, line));
  frame.insert("B", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(b.data()), pixel, line));
  file.setFrameBuffer(frame);
  file.writePixels(h);
}

// Only a depth channel: nothing to show.
void WriteDepthOnlyExr(const QString& path) {
  std::vector<float> z(16, 1.0f);
  Imf::Header header(4, 4);
  header.channels().insert("Z", Imf::Channel(Imf::FLOAT));
  Imf::OutputFile file(QFile::encodeName(path).constData(), header);
  Imf::FrameBuffer frame;
  frame.insert("Z", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(z.data()), sizeof(float),
                               sizeof(float) * 4));
  file.setFrameBuffer(frame);
  file.writePixels(4);
}

// Half RGBA stored premultiplied, as the format wants: linear red 0.5 at half coverage.
void WriteHalfCoverageExr(const QString& path) {
  std::vector<Imf::Rgba> pixels(8, Imf::Rgba(0.25f, 0.0f, 0.0f, 0.5f));
  Imf::RgbaOutputFile file(QFile::encodeName(path).constData(), Imf::Header(4, 2), Imf::WRITE_RGBA);
  file.setFrameBuffer(pixels.data(), 1, 4);
  file.writePixels(2);
}

// Half RGB over a data window that starts at (5, 3) of a larger display window, red rising with
// x and green with y, but for a first row whose red is brighter than white, as light sources are.
void WriteOffsetWindowExr(const QString& path, int w, int h) {
  const Imath::Box2i data(Imath::V2i(5, 3), Imath::V2i(5 + w - 1, 3 + h - 1));
  const Imath::Box2i display(Imath::V2i(0, 0), Imath::V2i(5 + w + 2, 3 + h + 4));
  std::vector<Imf::Rgba> pixels(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float red = y == 0 ? 1.5f * float(x + 1) : float(x) / w;
      pixels[size_t(y) * w + x] = Imf::Rgba(red, float(y) / h, 0.2f, 1.0f);
    }
  }
  Imf::RgbaOutputFile file(QFile::encodeName(path).constData(), Imf::Header(display, data),
                           Imf::WRITE_RGB);
  file.setFrameBuffer(Imf::ComputeBasePointer(pixels.data(), data), 1, size_t(w));
  file.writePixels(h);
}

TEST(RawHeifExrSources, CameraRawIsDevelopedAsLibRawsOwnToolDevelopsIt) {
  const QString folder = test::MakeTempFolder();
  test::DngOptions options;
  options.scene = [](int x, int y) { return test::CornerScene(64, 48, x, y); };
  const QByteArray upright = test::MakeDng(options);
  options.orientation = 6;
  const QByteArray turned = test::MakeDng(options);
  struct Case {
    QString name;
    QByteArray bytes;
    QString size;
  };
  const Case cases[] = {{"plain.dng", upright, "64 48"},
                        {"named.nef", upright, "64 48"},
                        {"turned.dng", turned, "48 64"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    const QString raw = Write(folder, c.name, c.bytes);
    bool ok = false;
    RunTool("dcraw_emu", {"-w", "-o", "1", "-6", "-g", "2.4", "12.92", "-T", raw}, &ok);
    ASSERT_TRUE(ok);
    const QImage reference = MagickPixels(raw + ".tiff");
    ASSERT_EQ(test::IdentifySize(raw + ".tiff"), c.size);

    const QString tiff = raw + ".out.tif";
    ASSERT_EQ(Process(raw, tiff, 10, 240), 0);
    EXPECT_EQ(test::IdentifySize(tiff), c.size);
    Difference d = Compare(MagickPixels(tiff), reference);
    EXPECT_LE(d.max, 1.0);
    EXPECT_EQ(RunTool("identify", {"-format", "%x %y", tiff}).trimmed(), "240 240");
    EXPECT_EQ(ExifTag(tiff, "Model"), "RawCam 7");
    EXPECT_EQ(ExifTag(tiff, "DateTimeOriginal"), "2024:05:06 07:08:09");
    // Turned once, by LibRaw: the output states no further turn.
    EXPECT_EQ(ExifTag(tiff, "Orientation#"), "1");
    // The raw file's sensor description stays behind: the output is no DNG.
    EXPECT_EQ(ExifTag(tiff, "FileType"), "TIFF");
    EXPECT_EQ(ExifTag(tiff, "DNGVersion"), "");

    const QString png = raw + ".out.png";
    ASSERT_EQ(Convert(raw, png, 7), 1);
    d = Compare(MagickPixels(png), reference);
    EXPECT_LE(d.max, 1.0);

    const QString jpeg = raw + ".out.jpg";
    ASSERT_EQ(Process(raw, jpeg, 4), 0);
    d = Compare(MagickPixels(jpeg), reference);
    EXPECT_LE(d.mean, 3.0);
    EXPECT_EQ(ExifTag(jpeg, "Model"), "RawCam 7");
    EXPECT_EQ(ExifTag(jpeg, "FileType"), "JPEG");
    EXPECT_EQ(ExifTag(jpeg, "GPSLatitude#"), "48.8583333333333");

    const TokenArray model{QVXWatermarkTextToken("Model", 19)};
    EXPECT_EQ(BuildTokenString(raw, model, QString(), 0, 64, 48, 72), "RawCam 7");
    ImageFile file;
    ASSERT_TRUE(file.load(raw));
    EXPECT_EQ(QStringLiteral("%1 %2").arg(file.width()).arg(file.height()), c.size);
    EXPECT_EQ(file.image().size(), QSize(file.width(), file.height()));
  }

  // The resolution a raw file states (which LibRaw does not tell) is the output's.
  options.orientation = 1;
  options.dpi = 300;
  const QString stating = Write(folder, "stating.dng", test::MakeDng(options));
  ASSERT_EQ(Process(stating, folder + "/stating.tif", 10), 0);
  EXPECT_EQ(RunTool("identify", {"-format", "%x %y", folder + "/stating.tif"}).trimmed(),
            "300 300");

  // A target of half the sensor or less develops at half size, as dcraw_emu -h does.
  const QString raw = folder + "/plain.dng";
  std::shared_ptr<ImageSource> source = ImageSource::Open(raw);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  DecodeOptions half;
  half.exactSize = QSize(32, 24);
  const ImageResult<QImage> small = source->decode(0, half);
  ASSERT_TRUE(small.ok());
  EXPECT_EQ(small.value.size(), QSize(32, 24));
  DecodeOptions more;
  more.exactSize = QSize(33, 25);
  EXPECT_EQ(source->decode(0, more).value.size(), QSize(64, 48));
  bool ok = false;
  const QString halfRaw = Write(folder, "half.dng", upright);
  RunTool("dcraw_emu", {"-h", "-w", "-o", "1", "-6", "-g", "2.4", "12.92", "-T", halfRaw}, &ok);
  ASSERT_TRUE(ok);
  const QString smallPng = folder + "/small.png";
  ASSERT_TRUE(small.value.convertToFormat(QImage::Format_RGBA64).save(smallPng));
  EXPECT_LE(Compare(MagickPixels(smallPng), MagickPixels(halfRaw + ".tiff")).max, 1.0);

  // Cut short inside the mosaic, or not raw at all: each fails alone and says which.
  const QString cut = Write(folder, "cut.dng", upright.left(upright.size() - 2000));
  ImageConversion damaged = test::ConversionRecord(cut, folder + "/cut.jpg", 4);
  EXPECT_EQ(ProcessImageFile(&damaged), 1);
  EXPECT_EQ(damaged.sourceDamaged, 1);
  bool damagedToo = false;
  EXPECT_EQ(Convert(cut, folder + "/cut.png", 7, &damagedToo), 0);
  EXPECT_TRUE(damagedToo);
  // A plain TIFF under a raw name is still the TIFF it is.
  const QString tiffNamedRaw = folder + "/plain-tiff.nef";
  ASSERT_TRUE(QFile::copy(folder + "/plain.dng.out.tif", tiffNamedRaw));
  ASSERT_EQ(Convert(tiffNamedRaw, folder + "/plain-tiff.png", 7), 1);
  EXPECT_LE(
      Compare(MagickPixels(folder + "/plain-tiff.png"), MagickPixels(folder + "/plain.dng.out.tif"))
          .max,
      1.0);
  const QString junk = Write(folder, "junk.nef", QByteArray(5000, 'x'));
  ImageConversion notRaw = test::ConversionRecord(junk, folder + "/junk.jpg", 4);
  EXPECT_EQ(ProcessImageFile(&notRaw), 1);
}

TEST(RawHeifExrSources, HeifPhotosAreReadAsLibheifShowsThem) {
  const QString folder = test::MakeTempFolder();
  auto make = [&](const QStringList& arguments) {
    bool ok = false;
    RunTool("convert", arguments, &ok);
    EXPECT_TRUE(ok) << arguments.join(' ').toStdString();
  };
  // A JPEG whose EXIF says "turn a quarter", which a HEIF file's EXIF never means.
  make({"-size", "64x48", "gradient:red-blue", "-fill", "yellow", "-draw", "rectangle 0,0 15,11",
        "-quality", "95", folder + "/photo.jpg"});
  bool ok = false;
  RunTool("exiftool",
          {"-q", "-overwrite_original", "-Model=HeifCam 9", "-DateTimeOriginal=2024:05:06 07:08:09",
           "-Orientation#=6", folder + "/photo.jpg"},
          &ok);
  ASSERT_TRUE(ok);
  make({"-size", "64x48", "gradient:red-blue", "-alpha", "set", "-channel", "A", "-fx", "i/w",
        "+channel", folder + "/alpha.png"});
  make({"-size", "64x48", "gradient:lime-navy", "-depth", "16", folder + "/deep.png"});
  struct Case {
    QString name;
    QStringList encode;
    QString size;
  };
  const Case cases[] = {
      {"photo.heic", {"-q", "90", folder + "/photo.jpg"}, "64 48"},
      {"alpha.heif", {"-L", "-p", "chroma=444", folder + "/alpha.png"}, "64 48"},
      {"deep.heic", {"-b", "12", "-q", "95", folder + "/deep.png"}, "64 48"},
      {"turned.heic", {}, "48 64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    const QString heif = folder + '/' + c.name;
    if (c.encode.isEmpty()) {
      ASSERT_TRUE(
          WriteTurnedHeif(QImage(folder + "/alpha.png"), heif_orientation_rotate_90_cw, heif));
    } else {
      RunTool("heif-enc", QStringList(c.encode) << "-o" << heif, &ok);
      ASSERT_TRUE(ok);
    }
    RunTool("heif-convert", {heif, heif + ".png"}, &ok);
    ASSERT_TRUE(ok);
    const QImage reference = MagickPixels(heif + ".png");
    ASSERT_EQ(test::IdentifySize(heif + ".png"), c.size);

    const QString tiff = heif + ".out.tif";
    ASSERT_EQ(Process(heif, tiff, 10, 150), 0);
    EXPECT_EQ(test::IdentifySize(tiff), c.size);
    EXPECT_LE(Compare(MagickPixels(tiff), reference).max, 1.0);
    EXPECT_EQ(RunTool("identify", {"-format", "%x %y", tiff}).trimmed(), "150 150");
    const QString turn = ExifTag(tiff, "Orientation#");
    EXPECT_TRUE(turn.isEmpty() || turn == "1") << turn.toStdString();

    const QString png = heif + ".out.png";
    ASSERT_EQ(Convert(heif, png, 7), 1);
    EXPECT_LE(Compare(MagickPixels(png), reference).max, 1.0);
  }
  const QString photo = folder + "/photo.heic";
  EXPECT_EQ(ExifTag(photo + ".out.tif", "Model"), "HeifCam 9");
  EXPECT_EQ(ExifTag(photo + ".out.tif", "Orientation#"), "1");
  EXPECT_EQ(ExifTag(photo + ".out.png", "DateTimeOriginal"), "2024:05:06 07:08:09");
  const TokenArray model{QVXWatermarkTextToken("Model", 19)};
  EXPECT_EQ(BuildTokenString(photo, model, QString(), 0, 64, 48, 72), "HeifCam 9");
  // 12 bits come out as 16, not cut to 8.
  const std::shared_ptr<ImageSource> deep = ImageSource::Open(folder + "/deep.heic");
  ASSERT_TRUE(deep->isValid());
  EXPECT_EQ(deep->decode(0).value.format(), QImage::Format_RGBA64_Premultiplied);
  EXPECT_TRUE(ImageSource::Open(folder + "/alpha.heif")->representation(0).hasAlpha);
  for (const auto& [name, size] :
       {std::pair{"/photo.heic", QSize(64, 48)}, {"/turned.heic", QSize(48, 64)}}) {
    ImageFile file;
    ASSERT_TRUE(file.load(folder + name)) << name;
    EXPECT_EQ(QSize(file.width(), file.height()), size) << name;
    EXPECT_EQ(file.image().size(), size) << name;
  }

  // The colour the file states comes along: an ICC profile as it is, an nclx box as a profile of
  // its primaries (Display P3's red lies well beyond sRGB's).
  make({"-size", "64x48", "gradient:red-blue", "-profile",
        "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc", folder + "/wide.png"});
  RunTool("heif-enc", {"-q", "90", folder + "/wide.png", "-o", folder + "/wide.heic"}, &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(Convert(folder + "/wide.heic", folder + "/wide.tif", 10), 1);
  EXPECT_EQ(ExifTag(folder + "/wide.tif", "ProfileDescription"),
            "Compatible with Adobe RGB (1998)");
  ASSERT_TRUE(WriteTurnedHeif(QImage(folder + "/alpha.png"), heif_orientation_normal,
                              folder + "/p3.heic",
                              {.primaries = heif_color_primaries_SMPTE_EG_432_1}));
  ASSERT_EQ(Convert(folder + "/p3.heic", folder + "/p3.tif", 10), 1);
  const QString red = ExifTag(folder + "/p3.tif", "RedMatrixColumn");
  EXPECT_NEAR(red.section(' ', 0, 0).toDouble(), 0.515, 0.01) << red.toStdString();

  // A phone's Exif item: its TIFF header follows an "Exif\0\0" the leading offset skips.
  const QByteArray jpeg = test::ReadBytes(folder + "/photo.jpg");
  const qsizetype app1 = jpeg.indexOf(QByteArray("Exif\0\0", 6));
  ASSERT_GT(app1, 2);
  const int app1Length = uint8_t(jpeg[app1 - 2]) << 8 | uint8_t(jpeg[app1 - 1]);
  const QByteArray tiffExif = jpeg.mid(app1 + 6, app1Length - 8);
  const QString phone = folder + "/phone.heic";
  ASSERT_TRUE(WriteTurnedHeif(QImage(folder + "/photo.jpg"), heif_orientation_normal, phone,
                              {.exif = QByteArray("\0\0\0\6Exif\0\0", 10) + tiffExif}));
  ASSERT_EQ(ExifTag(phone, "Model"), "HeifCam 9");
  ASSERT_EQ(Process(phone, phone + ".out.tif", 10), 0);
  EXPECT_EQ(ExifTag(phone + ".out.tif", "Model"), "HeifCam 9");
  EXPECT_EQ(BuildTokenString(phone, model, QString(), 0, 64, 48, 72), "HeifCam 9");
  // Colour stored multiplied by its alpha comes out as the colour itself.
  QImage translucent(64, 48, QImage::Format_ARGB32);
  translucent.fill(QColor(200, 100, 40, 128));
  ASSERT_TRUE(WriteTurnedHeif(translucent, heif_orientation_normal, folder + "/prem.heic",
                              {.premultiplied = true}));
  ASSERT_EQ(Convert(folder + "/prem.heic", folder + "/prem.png", 7), 1);
  const QColor straight = MagickPixels(folder + "/prem.png").pixelColor(32, 24);
  EXPECT_NEAR(straight.red(), 200, 6);
  EXPECT_NEAR(straight.green(), 100, 6);
  EXPECT_NEAR(straight.blue(), 40, 6);
  EXPECT_NEAR(straight.alpha(), 128, 2);

  const QByteArray bytes = test::ReadBytes(photo);
  const QString cut = Write(folder, "cut.heic", bytes.left(bytes.size() - 200));
  ImageConversion damaged = test::ConversionRecord(cut, folder + "/cut.jpg", 4);
  EXPECT_EQ(ProcessImageFile(&damaged), 1);
  EXPECT_EQ(damaged.sourceDamaged, 1);
  bool damagedToo = false;
  EXPECT_EQ(Convert(cut, folder + "/cut.png", 7, &damagedToo), 0);
  EXPECT_TRUE(damagedToo);
}

TEST(RawHeifExrSources, OpenExrIsReadInLinearLightWithItsAlpha) {
  const QString folder = test::MakeTempFolder();
  bool ok = false;
  RunTool("convert",
          {"-size", "64x48", "gradient:red-blue", "-alpha", "set", "-channel", "A", "-fx",
           "0.25+0.75*j/h", "+channel", folder + "/magick.exr"},
          &ok);
  ASSERT_TRUE(ok);
  WriteFloatExr(folder + "/float.exr", 40, 30);
  // Our own output type 5, from a PNG.
  const QString png = folder + "/pattern.png";
  ASSERT_TRUE(test::PatternImage(50, 20).save(png));
  ASSERT_EQ(Convert(png, folder + "/own.exr", 5), 1);
  const std::pair<QString, QString> cases[] = {
      {"magick.exr", "64 48"}, {"float.exr", "40 30"}, {"own.exr", "50 20"}};
  for (const auto& [name, size] : cases) {
    SCOPED_TRACE(name.toStdString());
    const QString exr = folder + '/' + name;
    const QImage reference = MagickPixels(exr);
    const QString tiff = exr + ".out.tif";
    ASSERT_EQ(Process(exr, tiff, 10), 0);
    EXPECT_EQ(test::IdentifySize(tiff), size);
    Difference d = Compare(MagickPixels(tiff), reference);
    EXPECT_LE(d.max, 1.5);
    const QString out = exr + ".out.png";
    ASSERT_EQ(Convert(exr, out, 7), 1);
    d = Compare(MagickPixels(out), reference);
    EXPECT_LE(d.max, 1.5);
  }
  EXPECT_TRUE(ImageSource::Open(folder + "/magick.exr")->representation(0).hasAlpha);
  // Colour under partial coverage: stored premultiplied, shown straight, through the sRGB curve.
  WriteHalfCoverageExr(folder + "/half.exr");
  ASSERT_EQ(Convert(folder + "/half.exr", folder + "/half.png", 7), 1);
  const QColor shown = MagickPixels(folder + "/half.png").pixelColor(1, 1);
  EXPECT_NEAR(shown.red(), 188, 1);
  EXPECT_EQ(shown.green(), 0);
  EXPECT_NEAR(shown.alpha(), 128, 1);
  // The data window's own pixels, wherever it starts; light above white shows white.
  WriteOffsetWindowExr(folder + "/window.exr", 12, 8);
  ASSERT_EQ(Convert(folder + "/window.exr", folder + "/window.png", 7), 1);
  const QImage window = MagickPixels(folder + "/window.png");
  ASSERT_EQ(window.size(), QSize(12, 8));
  // ImageMagick shows the whole display window.
  EXPECT_LE(Compare(window, MagickPixels(folder + "/window.exr").copy(5, 3, 12, 8)).max, 1.5);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(window.pixelColor(x, 0).red(), 255) << x;
  EXPECT_EQ(window.pixelColor(0, 1).red(), 0);
  EXPECT_NEAR(window.pixelColor(6, 4).red(), 188, 1);  // linear 0.5
  EXPECT_NEAR(window.pixelColor(6, 4).green(), 188, 1);
  ImageFile file;
  ASSERT_TRUE(file.load(folder + "/magick.exr"));
  EXPECT_EQ(file.image().size(), QSize(64, 48));
  // Our EXR came from an opaque PNG: back in sRGB it is the PNG again.
  EXPECT_LE(Compare(MagickPixels(folder + "/own.exr.out.png"), MagickPixels(png)).max, 1.5);

  const QByteArray bytes = test::ReadBytes(folder + "/magick.exr");
  const QString cut = Write(folder, "cut.exr", bytes.left(bytes.size() / 2));
  ImageConversion damaged = test::ConversionRecord(cut, folder + "/cut.jpg", 4);
  EXPECT_EQ(ProcessImageFile(&damaged), 1);
  EXPECT_EQ(damaged.sourceDamaged, 1);
  // No colour to show fails rather than writing black, and is no damage.
  WriteDepthOnlyExr(folder + "/depth.exr");
  ImageConversion depth = test::ConversionRecord(folder + "/depth.exr", folder + "/depth.png", 7);
  EXPECT_EQ(ProcessImageFile(&depth), 1);
  EXPECT_EQ(depth.sourceDamaged, 0);
}

}  // namespace
}  // namespace glimbrik
