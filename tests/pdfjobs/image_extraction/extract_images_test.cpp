#include <gtest/gtest.h>
#include <tiffio.h>

#include <array>
#include <cstdlib>

#include "engine/codecs/jpeg_memory.h"
#include "pdfjobs/pdf_fixtures.h"
#include "pdfjobs/pdf_jobs.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {
namespace {

using Handle = QPDFObjectHandle;
using XObjects = std::map<std::string, Handle>;

// A PDF whose pages each get the given XObject resources and content.
class PdfMaker {
 public:
  PdfMaker() { pdf.emptyPDF(); }
  Handle image(const std::string& dict, const std::string& data) {
    Handle s = Handle::newStream(&pdf, data);
    s.replaceDict(Handle::parse("<< /Type /XObject /Subtype /Image " + dict + " >>"));
    return pdf.makeIndirectObject(s);
  }
  Handle form(const XObjects& xobjects, const std::string& content) {
    Handle s = Handle::newStream(&pdf, content);
    s.replaceDict(Handle::parse("<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>"));
    s.getDict().replaceKey("/Resources",
                           Handle::newDictionary({{"/XObject", Handle::newDictionary(xobjects)}}));
    return pdf.makeIndirectObject(s);
  }
  void page(const XObjects& xobjects, const std::string& content = "") {
    Handle p = pdf.makeIndirectObject(
        Handle::parse("<< /Type /Page /MediaBox [0 0 100 100] /Resources << >> >>"));
    p.getKey("/Resources").replaceKey("/XObject", Handle::newDictionary(xobjects));
    p.replaceKey("/Contents", Handle::newStream(&pdf, content));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(p), false);
  }
  void write(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    QPDFWriter(pdf, file.constData()).write();
  }
  QPDF pdf;
};

// A flat JPEG of the given pixel (3 bytes RGB or 4 bytes CMYK ink).
std::string JpegBytes(int width, int height, std::vector<uint8_t> pixel = {200, 200, 200}) {
  const int n = int(pixel.size());
  std::vector<uint8_t> samples;
  for (int i = 0; i < width * height; ++i)
    samples.insert(samples.end(), pixel.begin(), pixel.end());
  uint8_t* out = nullptr;
  unsigned long size = 0;
  EXPECT_TRUE(EncodeJPEGToMemory(width, height, samples.data(),
                                 n == 4 ? kJPEGColourSpaceCMYK : kJPEGColourSpaceRGB, n, &out,
                                 &size, 95, 72, 72));
  std::string bytes(reinterpret_cast<char*>(out), size);
  std::free(out);
  return bytes;
}

// G4 data of a width x 2 image whose first row is black and second white, made by libtiff.
std::string G4Bytes(int width) {
  const QString path = test::MakeTempFolder(QStringLiteral("g4")) + "/fax.tif";
  TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
  std::vector<uint8_t> black(size_t(width + 7) / 8, 0xFF), white(black.size(), 0);
  TIFFWriteScanline(t, black.data(), 0, 0);
  TIFFWriteScanline(t, white.data(), 1, 0);
  TIFFClose(t);
  t = TIFFOpen(QFile::encodeName(path).constData(), "r");
  std::string raw(size_t(TIFFRawStripSize(t, 0)), '\0');
  TIFFReadRawStrip(t, 0, raw.data(), tmsize_t(raw.size()));
  TIFFClose(t);
  return raw;
}

std::string Hex(const std::string& bytes) {
  return QByteArray::fromStdString(bytes).toHex().toStdString();
}

std::string Be32(std::initializer_list<uint32_t> values) {
  std::string s;
  for (uint32_t v : values)
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(char((v >> shift) & 0xFF));
  return s;
}

// A segment on page 1 with no referred-to segments.
std::string Segment(uint32_t number, char type, const std::string& data) {
  return Be32({number}) + type + std::string("\0\1", 2) + Be32({uint32_t(data.size())}) + data;
}

// An embedded JBIG2 stream: a page of width x pageHeight holding one MMR generic region of
// width x 2, whose data is the same G4 coding as a fax (first row black, second white).
std::string JBIG2Bytes(int width, uint32_t pageHeight = 2) {
  const std::string size = Be32({uint32_t(width), 2, 0, 0});
  return Segment(0, 48, Be32({uint32_t(width), pageHeight, 0, 0}) + std::string(3, '\0')) +
         Segment(1, 38, size + std::string("\0\1", 2) + G4Bytes(width)) + Segment(2, 49, {});
}

// Flate data of rows rows of rowBytes bytes, each row behind its PNG "None" predictor; every
// byte is also a valid predictor, so that other row lengths decode without an error.
std::string PngPredictedFlate(int rowBytes, int rows) {
  QByteArray plain;
  for (int y = 0; y < rows; ++y) plain += '\0' + QByteArray(rowBytes, char(1 + y));
  return qCompress(plain).mid(4).toStdString();  // without Qt's length prefix
}

// A file's colour space and first pixel as ImageMagick reads them.
QString FirstPixel(const QString& path) {
  return test::RunTool("identify", {"-format", "%[colorspace] %[pixel:p{0,0}]", path});
}

class ExtractImages : public test::PdfJobTest {
 protected:
  int extract(const QString& source, int outputType = 7, int first = 0) {
    ImageConversion c = test::ConversionRecord(source, out, outputType);
    if (first) {
      c.options.pageRangeMode = 1;
      c.options.firstPage = first;
    }
    return ExtractImagesFromPDF(&c);
  }
  QStringList files() const { return test::Files(out); }
};

TEST_F(ExtractImages, DecodeArraysPalettesAndTints) {
  PdfMaker m;
  // 16 x 1, bits FF 00, inverted by its decode ranges.
  m.page({{"/A", m.image("/Width 16 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                         "/Decode [1 0]",
                         std::string("\xFF\x00", 2))}});
  // 3 x 2 at 4 bits: each row is 2 bytes with a fill nibble, which must not shear row 2.
  m.page({{"/B", m.image("/Width 3 /Height 2 /BitsPerComponent 4 /ColorSpace [/Indexed "
                         "/DeviceRGB 3 <FF0000 00FF00 0000FF 101010>]",
                         std::string("\x01\x20\x30\x10", 4))}});
  m.page({{"/C", m.image("/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace [/Separation "
                         "/Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] "
                         "/C1 [0 0.5 1 0] /N 1 >>]",
                         std::string("\xFF", 1))},
          // Behind two hex layers, with parameters for the first filter only.
          {"/D", m.image("/Width 8 /Height 8 /BitsPerComponent 8 /ColorSpace /DeviceCMYK "
                         "/Filter [/ASCIIHexDecode /ASCIIHexDecode /DCTDecode] /DecodeParms [null]",
                         Hex(Hex(JpegBytes(8, 8, {0, 127, 255, 0})) + ">") + ">")}});
  // Lab white and a saturated red (a at the top of its range).
  m.page({{"/E", m.image("/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace [/Lab "
                         "<< /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>]",
                         std::string("\xFF\x80\x80\x88\xFF\xC0", 6))},
          // The same with its decode ranges written out in the space's own units.
          {"/F", m.image("/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace [/Lab "
                         "<< /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>] "
                         "/Decode [0 100 -128 127 -128 127]",
                         std::string("\xFF\x80\x80\x88\xFF\xC0", 6))}});
  // Mixed inks, and calibrated and ICC-based spaces whose profiles go with the image.
  const QByteArray greyProfile = CalibratedGrayProfile(std::array{0.9505, 1.0, 1.089}.data(), 1.8);
  Handle greyICC = Handle::newStream(&m.pdf, greyProfile.toStdString());
  greyICC.getDict().replaceKey("/N", Handle::newInteger(1));
  Handle greyImage = m.image("/Width 1 /Height 1 /BitsPerComponent 8", std::string("\x80", 1));
  greyImage.getDict().replaceKey("/ColorSpace",
                                 Handle::newArray({Handle::newName("/ICCBased"), greyICC}));
  m.page({{"/G", m.image("/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceCMYK",
                         std::string("\x33\x4C\x66\x19", 4))},
          {"/H", m.image("/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace [/CalRGB "
                         "<< /WhitePoint [0.9505 1 1.089] /Gamma [2.2 2.2 2.2] /Matrix [0.4124 "
                         "0.2126 0.0193 0.3576 0.7152 0.1192 0.1805 0.0722 0.9505] >>]",
                         std::string("\x80\x40\x20", 3))},
          {"/I", m.image("/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace [/CalGray "
                         "<< /WhitePoint [0.9505 1 1.089] /Gamma 1.8 >>]",
                         std::string("\x80", 1))},
          {"/J", greyImage}});
  // 16-bit samples, big-endian, each counted by its high-order byte.
  m.page({{"/K", m.image("/Width 3 /Height 1 /BitsPerComponent 16 /ColorSpace /DeviceGray",
                         std::string("\xFF\x01\x10\xFF\x01\x80", 6))}});
  const QString source = folder + "/samples.pdf";
  m.write(source);

  ASSERT_EQ(extract(source, 7, 1), 1);
  QImage bits(out + "/samples_Page1_1.png");
  ASSERT_EQ(bits.size(), QSize(16, 1));
  for (int x = 0; x < 16; ++x) EXPECT_EQ(qGray(bits.pixel(x, 0)), x < 8 ? 0 : 255) << x;

  ASSERT_EQ(extract(source, 7, 2), 1);
  const QImage indexed(out + "/samples_Page2_1.png");
  ASSERT_EQ(indexed.size(), QSize(3, 2));
  const QRgb palette[] = {qRgb(255, 0, 0),  qRgb(0, 255, 0), qRgb(0, 0, 255),
                          qRgb(16, 16, 16), qRgb(255, 0, 0), qRgb(0, 255, 0)};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(indexed.pixel(i % 3, i / 3), palette[i]) << i;

  ASSERT_EQ(extract(source, 13, 3), 1);
  EXPECT_EQ(FirstPixel(out + "/samples_Page3_1.tif"), "CMYK cmyk(0,127,255,0)");
  // A CMYK JPEG with an Adobe marker stores inverted samples: read back as the ink it was.
  const QString ink = FirstPixel(out + "/samples_Page3_2.tif");
  ASSERT_TRUE(ink.startsWith("CMYK cmyk(")) << ink.toStdString();
  const QStringList samples = ink.mid(10).chopped(1).split(u',');
  const int cmyk[] = {0, 127, 255, 0};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(samples.value(i).toInt(), cmyk[i], 4) << i;

  ASSERT_EQ(extract(source, 7, 4), 1);
  const QImage lab(out + "/samples_Page4_1.png");
  ASSERT_EQ(lab.size(), QSize(2, 1));
  const QRgb white = lab.pixel(0, 0);
  EXPECT_GE(std::min({qRed(white), qGreen(white), qBlue(white)}), 250);
  EXPECT_GT(qRed(lab.pixel(1, 0)), 200);
  EXPECT_LT(qGreen(lab.pixel(1, 0)), 60);
  const QImage decoded(out + "/samples_Page4_2.png");
  for (int x = 0; x < 2; ++x) EXPECT_EQ(decoded.pixel(x, 0), lab.pixel(x, 0)) << x;

  // A CMYK output takes the image's inks as they are.
  ASSERT_EQ(extract(source, 13, 5), 1);
  EXPECT_EQ(FirstPixel(out + "/samples_Page5_1.tif"), "CMYK cmyk(51,76,102,25)");
  ASSERT_EQ(extract(source, 7, 5), 1);
  const auto profileOf = [this](int n) {
    return test::RunTool("identify", {"-format", "%[colorspace] %[profiles] %[icc:model]",
                                      out + QStringLiteral("/samples_Page5_%1.png").arg(n)})
        .toStdString();
  };
  EXPECT_EQ(profileOf(2).rfind("sRGB icc", 0), 0u) << profileOf(2);
  EXPECT_EQ(profileOf(3).rfind("Gray icc", 0), 0u) << profileOf(3);
  EXPECT_EQ(profileOf(4).rfind("Gray icc", 0), 0u) << profileOf(4);
  // CalGray's gamma goes with the image: grey 128 under gamma 1.8 is sRGB 57 % (74 % under 1).
  const QString calibrated = test::RunTool(
      "convert", {out + "/samples_Page5_3.png", "-profile", "/usr/share/color/icc/sRGB.icc",
                  "-format", "%[fx:100*r]", "info:"});
  EXPECT_NEAR(calibrated.toDouble(), 57.4, 1.5) << calibrated.toStdString();

  ASSERT_EQ(extract(source, 7, 6), 1);
  const QImage deep(out + "/samples_Page6_1.png");
  ASSERT_EQ(deep.size(), QSize(3, 1));
  const int high[] = {0xFF, 0x10, 0x01};
  for (int x = 0; x < 3; ++x) EXPECT_EQ(qGray(deep.pixel(x, 0)), high[x]) << x;
}

TEST_F(ExtractImages, MasksFormsInlineAndFaxImages) {
  PdfMaker m;
  Handle soft = m.image("/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
                        std::string("\x00\xFF", 2));
  Handle masked = m.image("/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                          std::string(6, '\x80'));
  masked.getDict().replaceKey("/SMask", soft);
  // The soft mask wins over a colour key that would hide every pixel.
  masked.getDict().replaceKey("/Mask", Handle::parse("[128 128 128 128 128 128]"));
  // A colour key alone hides the pixels whose samples all lie in its ranges.
  Handle keyed = m.image("/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                         std::string("\x80\x80\x80\x80\x90\x80", 6));
  keyed.getDict().replaceKey("/Mask", Handle::parse("[120 130 120 130 120 130]"));
  m.page({{"/M", masked}, {"/N", keyed}});
  Handle inner = m.form({{"/Deep", m.image("/Width 5 /Height 4 /ColorSpace /DeviceGray "
                                           "/BitsPerComponent 8",
                                           std::string(20, '\x10'))}},
                        "/Deep Do");
  Handle outer = m.form({{"/Inner", inner}}, "/Inner Do");
  outer.getKey("/Resources").getKey("/XObject").replaceKey("/Self", outer);  // a loop
  m.page({{"/Outer", outer}},
         "q 10 0 0 10 0 0 cm BI /W 7 /H 3 /CS /G /BPC 8 ID\n" + std::string(21, '\x20') + "\nEI Q");
  m.page({{"/Fax", m.image("/Width 40 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                           "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 40 /Rows 2 >>",
                           G4Bytes(40))},
          {"/Jbig", m.image("/Width 24 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                            "/Filter /JBIG2Decode",
                            JBIG2Bytes(24))},
          // A literal run of two bytes, then a byte repeated four times.
          {"/Run", m.image("/Width 6 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                           "/Filter /RunLengthDecode",
                           "\x01\x10\x20\xFD\x60\x80")}});
  m.page({{"/Photo", m.image("/Width 64 /Height 48 /ColorSpace /DeviceRGB /BitsPerComponent "
                             "8 /Filter /DCTDecode",
                             JpegBytes(64, 48))}});
  m.page({});  // a page without images writes nothing and is no failure
  const QString source = folder + "/mixed.pdf";
  m.write(source);
  ASSERT_EQ(extract(source), 1);
  EXPECT_EQ(files(), (QStringList{"mixed_Page1_1.png", "mixed_Page1_2.png", "mixed_Page2_1.png",
                                  "mixed_Page2_2.png", "mixed_Page3_1.png", "mixed_Page3_2.png",
                                  "mixed_Page3_3.png", "mixed_Page4_1.png"}));
  const QImage alpha(out + "/mixed_Page1_1.png");
  ASSERT_TRUE(alpha.hasAlphaChannel());
  EXPECT_EQ(qAlpha(alpha.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(alpha.pixel(1, 0)), 255);
  const QImage key(out + "/mixed_Page1_2.png");
  ASSERT_TRUE(key.hasAlphaChannel());
  EXPECT_EQ(qAlpha(key.pixel(0, 0)), 0);
  EXPECT_EQ(key.pixel(1, 0), qRgba(0x80, 0x90, 0x80, 255));
  EXPECT_EQ(QImage(out + "/mixed_Page2_1.png").size(), QSize(5, 4)) << "nested form first";
  EXPECT_EQ(QImage(out + "/mixed_Page2_2.png").size(), QSize(7, 3)) << "then the inline image";
  // The fax and the JBIG2 picture: a black row over a white one.
  for (const auto& [name, width] :
       {std::pair{"/mixed_Page3_1.png", 40}, {"/mixed_Page3_2.png", 24}}) {
    const QImage bilevel(out + name);
    ASSERT_EQ(bilevel.size(), QSize(width, 2)) << name;
    EXPECT_EQ(qGray(bilevel.pixel(width / 2, 0)), 0) << name;
    EXPECT_EQ(qGray(bilevel.pixel(width / 2, 1)), 255) << name;
  }
  const QImage run(out + "/mixed_Page3_3.png");
  ASSERT_EQ(run.size(), QSize(6, 1));
  const int runs[] = {0x10, 0x20, 0x60, 0x60, 0x60, 0x60};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(qGray(run.pixel(x, 0)), runs[x]) << x;
  const QImage photo(out + "/mixed_Page4_1.png");
  EXPECT_EQ(photo.size(), QSize(64, 48));
  EXPECT_EQ(qGray(photo.pixel(30, 20)), 200);

  // A colour key's ranges include their ends: samples on either bound vanish, one past stays.
  PdfMaker bounds;
  Handle edge = bounds.image("/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                             std::string("\x78\x82\x78\x77\x7D\x7D", 6));
  edge.getDict().replaceKey("/Mask", Handle::parse("[120 130 120 130 120 130]"));
  bounds.page({{"/Edge", edge}});
  bounds.write(folder + "/bounds.pdf");
  ASSERT_EQ(extract(folder + "/bounds.pdf"), 1);
  const QImage edges(out + "/bounds_Page1_1.png");
  ASSERT_EQ(edges.size(), QSize(2, 1));
  EXPECT_EQ(qAlpha(edges.pixel(0, 0)), 0);
  EXPECT_EQ(edges.pixel(1, 0), qRgba(0x77, 0x7D, 0x7D, 255));

  // JPEG output keeps no mask.
  out = test::MakeTempFolder(QStringLiteral("jpeg"));
  ASSERT_EQ(extract(source, 4, 1), 1);
  EXPECT_FALSE(QImage(out + "/mixed_Page1_1.jpg").hasAlphaChannel());
}

TEST_F(ExtractImages, HostileSizesAreSkippedAndFailedWritesReported) {
  PdfMaker m;
  m.page({{"/Short", m.image("/Width 100 /Height 100 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                             std::string(10, '\0'))},
          {"/Huge", m.image("/Width 2000000000 /Height 2000000000 /ColorSpace /DeviceGray "
                            "/BitsPerComponent 8",
                            std::string(10, '\0'))},
          {"/Palette", m.image("/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace "
                               "[/Indexed /DeviceRGB 200 <FF0000>]",
                               std::string(2, '\0'))},
          {"/Tint", m.image("/Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace [/Separation "
                            "/S /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] "
                            "/N 1 >>]",
                            std::string(1, '\0'))}});
  m.page({{"/Ok", m.image("/Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8",
                          std::string(4, '\0'))}});
  const QString source = folder + "/hostile.pdf";
  m.write(source);
  ASSERT_EQ(extract(source), 1);
  EXPECT_EQ(files(), QStringList{"hostile_Page2_1.png"});

  // An existing file is kept unless overwriting is asked for.
  ASSERT_EQ(extract(source), 1);
  EXPECT_EQ(files(), (QStringList{"hostile_Page2_1 1.png", "hostile_Page2_1.png"}));

  // With overwriting the first name is taken again.
  ImageConversion c = test::ConversionRecord(source, out, 7);
  c.overwriteExisting = 1;
  ASSERT_EQ(ExtractImagesFromPDF(&c), 1);
  EXPECT_EQ(files().size(), 2);

  // A cancelled job writes nothing more and is no failure.
  out = test::MakeTempFolder(QStringLiteral("cancel"));
  c.destinationURL = out;
  c.progress.isConversionCancelled = [] { return true; };
  EXPECT_EQ(ExtractImagesFromPDF(&c), 1);
  EXPECT_TRUE(files().isEmpty());

  c.progress = ProgressCallbackInfo();
  c.destinationURL = folder + "/missing/folder";
  c.options.outputType = 7;
  EXPECT_EQ(ExtractImagesFromPDF(&c), 0) << "a failed write fails the job";
  c.destinationURL = out;
  c.options.outputType = 99;
  EXPECT_EQ(ExtractImagesFromPDF(&c), 0) << "a type outside the table";
  EXPECT_TRUE(files().isEmpty());

  // Data that cannot be decoded fails the job; the page's other images are still saved.
  PdfMaker broken;
  broken.page({{"/Bad", broken.image("/Width 2 /Height 2 /ColorSpace /DeviceGray "
                                     "/BitsPerComponent 8 /Filter /FlateDecode",
                                     "no deflate data")},
               {"/Good", broken.image("/Width 2 /Height 2 /ColorSpace /DeviceGray "
                                      "/BitsPerComponent 8",
                                      std::string(4, '\0'))},
               // Its page would need 60 MB for an image of 6 bytes.
               {"/Tall", broken.image("/Width 24 /Height 2 /ColorSpace /DeviceGray "
                                      "/BitsPerComponent 1 /Filter /JBIG2Decode",
                                      JBIG2Bytes(24, 20000000))}});
  broken.write(source);
  out = test::MakeTempFolder(QStringLiteral("broken"));
  EXPECT_EQ(extract(source), 0);
  EXPECT_EQ(files(), QStringList{"hostile_Page1_1.png"});

  // Data that decodes to too few samples fails the job like data that does not decode at all:
  // PNG-predicted rows with /Columns 1 where the image has 4, and a filter nothing here reads.
  PdfMaker predicted;
  predicted.page({{"/Predicted", predicted.image("/Width 4 /Height 2 /ColorSpace /DeviceRGB "
                                                 "/BitsPerComponent 8 /Filter /FlateDecode "
                                                 "/DecodeParms << /Predictor 15 /Columns 1 >>",
                                                 PngPredictedFlate(4 * 3, 2))},
                  {"/Good", predicted.image("/Width 2 /Height 2 /ColorSpace /DeviceGray "
                                            "/BitsPerComponent 8",
                                            std::string(4, '\0'))}});
  predicted.write(source);
  out = test::MakeTempFolder(QStringLiteral("predicted"));
  EXPECT_EQ(extract(source), 0);
  EXPECT_EQ(files(), QStringList{"hostile_Page1_1.png"});
}

// Nulls between sound pages, as damaged files carry them: a null page fails when it is asked for,
// and its sound neighbours keep their numbers and their images.
TEST_F(ExtractImages, NullPagesFailAloneAmongSoundOnes) {
  const QString source = folder + "/nulls.pdf";
  test::WriteNullPagesPDF(source);
  // Poppler reads page 1 and gives up on the tree at the null written in place; qpdf reads on.
  const std::vector<test::ListedImage> listed = test::ListImages(source);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].width, 2);
  const QString outs = test::MakeTempFolder(QStringLiteral("pages"));
  const auto into = [&](const QString& name) {
    out = outs + "/" + name;
    QDir().mkpath(out);
  };
  for (const auto& [page, side] : {std::pair{1, 2}, {3, 3}, {5, 4}}) {
    SCOPED_TRACE(page);
    into(QStringLiteral("sound%1").arg(page));
    EXPECT_EQ(extract(source, 7, page), 1);
    const QString name = QStringLiteral("nulls_Page%1_1.png").arg(page);
    ASSERT_EQ(files(), QStringList{name});
    EXPECT_EQ(test::RunTool("identify", {"-format", "%wx%h", out + "/" + name}),
              QStringLiteral("%1x%1").arg(side));
  }
  for (const int page : {2, 4, 6}) {
    into(QStringLiteral("null%1").arg(page));
    EXPECT_EQ(extract(source, 7, page), 0) << page;
    EXPECT_TRUE(files().isEmpty()) << page;
  }
  // Every page: the sound ones are written, and the nulls among them fail the job.
  into(QStringLiteral("all"));
  EXPECT_EQ(extract(source), 0);
  EXPECT_EQ(files(), (QStringList{"nulls_Page1_1.png", "nulls_Page3_1.png", "nulls_Page5_1.png"}));

  // A tree that holds itself beside a null is refused, not walked for ever.
  test::WriteRawPDF(source, {"<< /Type /Catalog /Pages 2 0 R >>",
                             "<< /Type /Pages /Kids [3 0 R null 2 0 R] /Count 3 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>"});
  into(QStringLiteral("loop"));
  EXPECT_EQ(extract(source, 7, 1), 0);
}

}  // namespace
}  // namespace glimbrik
