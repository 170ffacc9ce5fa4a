#include "platform/metadata/metadata_read.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/metadata/metadata_read_png.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::AsciiEntry;

QString WriteFixture(const QString& name, const QByteArray& bytes) {
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name;
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

TEST(MetadataRead, ExifTiffAndGpsValuesOfAJpeg) {
  const QByteArray tiff = test::BuildTiffMetadata(
      {AsciiEntry(0x010f, "Maker Co   "), AsciiEntry(0x0132, "2020:01:02 03:04:05"),
       AsciiEntry(0xc614, "Unique Model")},
      {AsciiEntry(0x9003, "2021:05:04 10:11:12"), AsciiEntry(0x9004, "2021:05:04 10:11:13"),
       AsciiEntry(0xa430, "Owner O")},
      {test::RationalsEntry(0x0007, {{10, 1}, {11, 1}, {1250, 100}})});
  const auto values = ReadImageMetadataValues(WriteFixture("a.jpg", test::JpegWithMetadata(tiff)));
  ASSERT_TRUE(values);
  EXPECT_EQ(values->tiff.make, QStringLiteral("Maker Co"));  // EXIF padding dropped
  EXPECT_EQ(values->tiff.dateTime, QStringLiteral("2020:01:02 03:04:05"));
  EXPECT_EQ(values->dng.uniqueCameraModel, QStringLiteral("Unique Model"));
  EXPECT_EQ(values->exif.dateTimeOriginal, QStringLiteral("2021:05:04 10:11:12"));
  EXPECT_EQ(values->exif.dateTimeDigitized, QStringLiteral("2021:05:04 10:11:13"));
  EXPECT_EQ(values->exif.cameraOwnerName, QStringLiteral("Owner O"));
  EXPECT_EQ(values->gps.timeStamp, QStringLiteral("10:11:12"));  // 12.5 seconds
  EXPECT_EQ(values->makerNote, MakerNoteKind::kNone);
  EXPECT_FALSE(values->iptc.byline);
  EXPECT_FALSE(values->png.copyright);
}

TEST(MetadataRead, IptcListsDatesAndXmpFallbacks) {
  const QByteArray iptc = test::BuildIptcSegmentPayload({
      {80, "First Author"},
      {80, "Second Author"},
      {116, "IPTC Copyright"},
  });
  const QByteArray xmp = test::XmpSegmentPayload(
      "<tiff:Make>Xmp Make</tiff:Make><aux:Lens>Aux Lens</aux:Lens>"
      "<aux:OwnerName>Aux Owner</aux:OwnerName>"
      "<exif:DateTimeOriginal>2019-02-03T04:05:06</exif:DateTimeOriginal>"
      "<dc:creator><rdf:Seq><rdf:li>Xmp Creator</rdf:li></rdf:Seq></dc:creator>",
      "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' xmlns:aux='http://ns.adobe.com/exif/1.0/aux/' "
      "xmlns:exif='http://ns.adobe.com/exif/1.0/' xmlns:dc='http://purl.org/dc/elements/1.1/'");
  const auto values =
      ReadImageMetadataValues(WriteFixture("i.jpg", test::JpegWithMetadata({}, iptc, xmp)));
  ASSERT_TRUE(values);
  EXPECT_EQ(values->iptc.byline, QStringList({"First Author", "Second Author"}));
  EXPECT_EQ(values->iptc.copyrightNotice, QStringLiteral("IPTC Copyright"));
  // XMP fills what EXIF and TIFF lack, but never replaces what IPTC has.
  EXPECT_EQ(values->tiff.make, QStringLiteral("Xmp Make"));
  EXPECT_EQ(values->exifAux.lensModel, QStringLiteral("Aux Lens"));
  EXPECT_EQ(values->exifAux.ownerName, QStringLiteral("Aux Owner"));
  EXPECT_EQ(values->exif.dateTimeOriginal, QStringLiteral("2019:02:03 04:05:06"));
}

TEST(MetadataRead, PngTextChunksPlainCompressedAndInternational) {
  QByteArray chunks;
  chunks += test::PngChunk("tEXt", QByteArray("Copyright\0(c) Png", 17));
  chunks += test::PngChunk(
      "zTXt", QByteArray("Creation Time\0\0", 15) + test::Deflated("2021:05:04 10:11:12"));
  chunks += test::PngChunk(
      "iTXt", QByteArray("Title\0\x01\0de\0Titel\0", 17) + test::Deflated("Gr\xc3\xbc\xc3\x9f"
                                                                          "e"));
  const QString path = WriteFixture("t.png", test::PngWithChunks(chunks));
  const auto texts = ReadPngTextChunks(path);
  ASSERT_EQ(texts.size(), 3);
  EXPECT_EQ(texts[2].keyword, QStringLiteral("Title"));
  EXPECT_EQ(texts[2].text, QString::fromUtf8("Grüße"));

  const auto values = ReadImageMetadataValues(path);
  ASSERT_TRUE(values);
  EXPECT_EQ(values->png.copyright, QStringLiteral("(c) Png"));
  EXPECT_EQ(values->png.creationTime, QStringLiteral("2021:05:04 10:11:12"));
}

TEST(MetadataRead, DamagedPngChunksEndTheWalkSafely) {
  QByteArray bad = test::PngChunk("tEXt", QByteArray("Copyright\0kept", 14));
  QByteArray corrupt = test::PngChunk("tEXt", QByteArray("Copyright\0lost", 14));
  corrupt[corrupt.size() - 1] = char(corrupt[corrupt.size() - 1] ^ 0x55);  // CRC no longer matches
  const auto texts = ReadPngTextChunks(WriteFixture("c.png", test::PngWithChunks(bad + corrupt)));
  ASSERT_EQ(texts.size(), 1);
  EXPECT_EQ(texts[0].text, QStringLiteral("kept"));

  // A zTXt bomb is cut off instead of filling memory; a truncated stream gives nothing.
  const QByteArray bomb = test::Deflated(QByteArray(64 << 20, 'a'));
  QByteArray truncated = test::Deflated("2021:05:04 10:11:12");
  truncated.chop(6);
  const auto bounded = ReadPngTextChunks(WriteFixture(
      "b.png",
      test::PngWithChunks(test::PngChunk("zTXt", QByteArray("Comment\0\0", 9) + bomb) +
                          test::PngChunk("zTXt", QByteArray("Short\0\0", 7) + truncated))));
  ASSERT_EQ(bounded.size(), 1);
  EXPECT_EQ(bounded[0].text.size(), kMaxMetadataTextLength);

  // A length field beyond the file ends the walk.
  QByteArray png = test::PngWithChunks({});
  png.insert(33, QByteArray("\x7f\xff\xff\xf0tEXt", 8));
  EXPECT_TRUE(ReadPngTextChunks(WriteFixture("l.png", png)).isEmpty());
}

TEST(MetadataRead, NoValuesForFilesThatAreNotImages) {
  const QString folder = test::MakeTempFolder();
  EXPECT_FALSE(ReadImageMetadataValues(folder + "/missing.jpg"));
  EXPECT_FALSE(ReadImageMetadataValues(WriteFixture("x.jpg", "not an image at all")));
  EXPECT_FALSE(ReadImageMetadataValues(folder));
  // A JPEG cut anywhere inside its EXIF segment never throws out of the reader, and yields no
  // value that lies beyond the cut.
  const QByteArray jpeg = test::JpegWithMetadata(test::BuildTiffMetadata(
      {AsciiEntry(0x010f, "Make")}, {AsciiEntry(0x9003, "2021:05:04 10:11:12")}));
  for (qsizetype length = 4; length < 90; length += 3) {
    std::optional<ImageMetadataValues> cut;
    EXPECT_NO_THROW(cut = ReadImageMetadataValues(WriteFixture("cut.jpg", jpeg.left(length))));
    if (cut && length < 80) {
      EXPECT_FALSE(cut->exif.dateTimeOriginal) << length;
    }
  }
}

TEST(MetadataRead, ReadersOnSeveralThreadsAgree) {
  const QByteArray xmp = test::XmpSegmentPayload(
      "<my:Thing>x</my:Thing><tiff:Make>Threaded</tiff:Make>",
      "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' xmlns:my='http://example.com/ns/my/'");
  const QString path = WriteFixture("x.jpg", test::JpegWithMetadata({}, {}, xmp));
  std::atomic<int> matches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 25; ++i) {
        const auto values = ReadImageMetadataValues(path);
        if (values && values->tiff.make == QStringLiteral("Threaded")) ++matches;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(matches.load(), 100);
}

TEST(MetadataText, DecodesBytesSafely) {
  EXPECT_EQ(MetadataText("Nikon\0\0\0", 8), QStringLiteral("Nikon"));
  EXPECT_EQ(MetadataText("A\0B", 3), QStringLiteral("A"));
  EXPECT_EQ(MetadataText("\xc3\xa9t\xc3\xa9", 5), QString::fromUtf8("été"));
  EXPECT_EQ(MetadataText("\xe9t\xe9\xff", 4), QString::fromLatin1("\xe9t\xe9\xff"));  // not UTF-8
  EXPECT_TRUE(MetadataText(nullptr, 5).isEmpty());
  const QByteArray huge(kMaxMetadataTextLength * 2, 'x');
  EXPECT_EQ(MetadataText(huge.constData(), huge.size()).size(), kMaxMetadataTextLength);
  // A cut never leaves half of a surrogate pair behind.
  QByteArray emoji = QByteArray(kMaxMetadataTextLength - 1, 'x') + "\xf0\x9f\x98\x80";
  const QString text = MetadataText(emoji.constData(), emoji.size());
  EXPECT_EQ(text.size(), kMaxMetadataTextLength - 1);
}

}  // namespace
}  // namespace glimbrik
