#include "engine/tokens/token_string.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <QFileInfo>
#include <QTimeZone>
#include <tuple>

#include "engine/convert/conversion_records.h"
#include "platform/store/date_format.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::AsciiEntry;
using Token = QVXWatermarkTextToken;

// Dates in these tests are written for a Gregorian calendar, whatever the machine's locale.
class GregorianLocale : public ::testing::Environment {
 public:
  void SetUp() override {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_GB"), status);
  }
};
const auto* const kGregorianLocale = ::testing::AddGlobalTestEnvironment(new GregorianLocale);

TokenArray CameraMakerPattern() { return {Token("Camera Maker", 18), "_", Token("#", 1)}; }

QString WriteFixture(const QString& name, const QByteArray& bytes) {
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name;
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

using Entries = QList<test::TiffEntry>;

// A JPEG with these entries in its first, EXIF and GPS directories (no EXIF when all are empty)
// and this IPTC.
QString JpegFile(const QString& name, const Entries& ifd0, const Entries& exif = {},
                 const Entries& gps = {}, const QByteArray& iptc = {}) {
  const bool none = ifd0.isEmpty() && exif.isEmpty() && gps.isEmpty();
  return WriteFixture(
      name,
      test::JpegWithMetadata(none ? QByteArray() : test::BuildTiffMetadata(ifd0, exif, gps), iptc));
}

QString Expand(const QString& path, const TokenArray& tokens, int64_t index = 0,
               const QString& name = QString()) {
  return BuildTokenString(path, tokens, name, index, 640, 480, 72);
}

// Without a make, the maker note's own header names the maker.
TEST(RenamePatterns, CameraMakerFallsBackToTheMakerNote) {
  const QByteArray nikonNote("Nikon\0\x02\x10\0\0MM\0\x2a\0\0\0\x08\0\0\0\0\0\0", 24);
  const std::pair<QByteArray, const char*> notes[] = {
      {nikonNote, "Nikon_1"},
      {QByteArray("OLYMP\0\x01\0\0\0\0\0\0\0", 14), "Olympus_1"},
      {QByteArray("FUJIFILM\x0c\0\0\0\0\0\0\0", 16), "Fuji_1"},
      {QByteArray("AOC\0MM\0\0\0\0\0\0", 12), "Pentax_1"},
      {QByteArray("\0\x01\x02\x03\x04\x05\x06\x07", 8), "_1"},
  };
  for (const auto& [note, expected] : notes) {
    const QString path =
        JpegFile("note.jpg", {AsciiEntry(0x0110, "D70")}, {test::UndefinedEntry(0x927c, note)});
    EXPECT_EQ(Expand(path, CameraMakerPattern()), expected);
  }

  const QString make = JpegFile("make.jpg", {AsciiEntry(0x010f, "NIKON CORPORATION")},
                                {test::UndefinedEntry(0x927c, nikonNote)});
  EXPECT_EQ(Expand(make, CameraMakerPattern()), "NIKON CORPORATION_1");

  // Without camera metadata the maker token gives nothing and the rest of the pattern stays.
  const QString bare = JpegFile("bare.jpg", {});
  EXPECT_EQ(Expand(bare, CameraMakerPattern()), "_1");
}

TEST(TokenExpansion, CaseTagsOfAMixedCaseFileName) {
  const QString path = test::MakeTempFolder() + "/hoLIday-SNAP.of the_day.jpg";
  const auto withCase = [&](int64_t caseTag) {
    Token token("Name", 9);
    token.setCaseTag(caseTag);
    return Expand(path, {token});
  };
  EXPECT_EQ(withCase(1), "holiday-snap.of the_day");
  EXPECT_EQ(withCase(2), "HOLIDAY-SNAP.OF THE_DAY");
  EXPECT_EQ(withCase(3), "Holiday-Snap.Of The_Day");
  EXPECT_EQ(withCase(4), "hoLIday-SNAP.of the_day");

  EXPECT_EQ(ApplyCaseTag("DON'T 1ST éCOLE", 3), "Don't 1st École");
  EXPECT_EQ(ApplyCaseTag("straße", 2), "STRASSE");
  EXPECT_EQ(ApplyCaseTag(QString::fromUtf8("\xf0\x90\x90\xa8x"), 3),  // Deseret small letter
            QString::fromUtf8("\xf0\x90\x90\x80x"));

  // The case rule applies to the metadata tags as well.
  const QString canon = JpegFile(
      "canon.jpg",
      {AsciiEntry(0x010f, "Canon"), AsciiEntry(0x0110, "eos R"), AsciiEntry(0x013b, "ann lee")},
      {AsciiEntry(0xa434, "rf Lens")});
  for (const auto& [tag, caseTag, expected] :
       {std::tuple{18, 2, "CANON"}, std::tuple{19, 1, "eos r"}, std::tuple{15, 3, "Ann Lee"},
        std::tuple{20, 2, "RF LENS"}}) {
    Token token("Camera Maker", tag);
    token.setCaseTag(caseTag);
    EXPECT_EQ(Expand(canon, {token}), expected) << tag;
  }

  // Case rules do not touch numbers or literal text.
  Token width("W", 11);
  width.setCaseTag(2);
  EXPECT_EQ(Expand(path, {"abc", width}), "abc640");
}

TEST(TokenExpansion, IndexNumbers) {
  const QString path = "/nowhere/a.jpg";
  Token counter("#", 1);
  counter.setNumberLength(3);
  EXPECT_EQ(Expand(path, {counter}, 4), "005");
  EXPECT_EQ(Expand(path, {counter}, kNoTokenIndex), QString());
  counter.setNumberLength(0);
  EXPECT_EQ(Expand(path, {counter}, 41), "42");
  // Beyond 32 bits, and with a digit count from an edited preference file.
  counter.setStartDigit(5000000000);
  counter.setNumberLength(1000000000);
  const QString big = Expand(path, {counter}, 0);
  EXPECT_EQ(big.size(), 20);
  EXPECT_TRUE(big.endsWith("5000000000"));
  counter.setNumberLength(-5);
  EXPECT_EQ(Expand(path, {counter}, 0), "5000000000");
  counter.setStartDigit(std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Expand(path, {counter}, 1), "-9223372036854775808");
}

TEST(TokenExpansion, NamesSizesAndLiterals) {
  const QString path = "/photos/a:b.final.jpg";
  const Token newName("New", 8);
  const Token source("Src", 9);
  EXPECT_EQ(Expand(path, {}), QString());
  EXPECT_FALSE(Expand(path, {}).isNull());
  EXPECT_EQ(Expand(path, {newName}, 3), "a:b.final");
  EXPECT_EQ(Expand(path, {newName}, kNoTokenIndex, "x:y"), "x/y");
  EXPECT_EQ(Expand(path, {newName}, kNoTokenIndex), QString());
  EXPECT_EQ(Expand(path, {source}, kNoTokenIndex), "a:b.final");
  EXPECT_EQ(Expand("/p/.hidden", {source}), ".hidden");

  const TokenArray sizes{Token("W", 11), ",", Token("H", 12), ",", Token("R", 13)};
  EXPECT_EQ(BuildTokenString(path, sizes, {}, 0, 800.4, 800.6, 299.5), "800,801,300");
  EXPECT_EQ(BuildTokenString(path, sizes, {}, 0, 800.5, 801.5, 0), "800,802,0");

  // Unknown and unused tags give nothing; the literals around them stay, a trailing blank too.
  EXPECT_EQ(Expand(path, {"a", Token("x", 2), Token("x", 7), Token("x", 14), Token("x", 22),
                          Token("x", -1), "b "}),
            "ab ");
}

TEST(TokenExpansion, CurrentDateAndTimeShareOneMoment) {
  const QDateTime now(QDate(2022, 12, 31), QTime(23, 59, 58), Qt::LocalTime);
  Token date("Today", 5);
  Token time("Now", 6, "HH-mm-ss");
  EXPECT_EQ(BuildTokenStringAt(now, "/x.jpg", {date, " ", time}, {}, 0, 1, 1, 1),
            "31/12/2022 23-59-58");
  date.setDateTimeFormatString(QString());
  EXPECT_EQ(BuildTokenStringAt(now, "/x.jpg", {date}, {}, 0, 1, 1, 1), QString());
}

TEST(TokenExpansion, MetadataChains) {
  const QByteArray iptc = test::BuildIptcSegmentPayload(
      {{80, "Ann"}, {80, "Bob"}, {25, "sea"}, {25, "sun"}, {25, "sand"}, {115, "Src"}});
  const QString path = JpegFile("meta.jpg",
                                {AsciiEntry(0x0110, "Model Z"), AsciiEntry(0x013b, "Tiff Artist"),
                                 AsciiEntry(0x8298, "Tiff Copyright")},
                                {AsciiEntry(0xa434, "Lens L")}, {}, iptc);
  const auto tag = [&](int64_t t) { return Expand(path, {Token("T", t)}); };
  EXPECT_EQ(tag(15), "Ann, Bob");
  EXPECT_EQ(tag(16), "Tiff Copyright");
  EXPECT_EQ(tag(17), QString());
  EXPECT_EQ(tag(19), "Model Z");
  EXPECT_EQ(tag(20), "Lens L");
  EXPECT_EQ(tag(21), "sea, sun, sand");

  // The IPTC copyright notice comes before the TIFF one.
  const QString both = JpegFile("both.jpg", {AsciiEntry(0x8298, "Tiff Copyright")}, {}, {},
                                test::BuildIptcSegmentPayload({{116, "Iptc Notice"}}));
  EXPECT_EQ(tag(16), "Tiff Copyright");
  EXPECT_EQ(Expand(both, {Token("C", 16)}), "Iptc Notice");

  // With neither IPTC by-line nor TIFF artist, the author is the IPTC source.
  const QString sourceOnly =
      JpegFile("src.jpg", {}, {}, {}, test::BuildIptcSegmentPayload({{115, "Agency"}}));
  EXPECT_EQ(Expand(sourceOnly, {Token("A", 15), "|", Token("C", 16)}), "Agency|Agency");
}

TEST(TokenExpansion, ImageDateChain) {
  const Token stamp("D", 3, "yyyy-MM-dd HH:mm:ss");
  const auto dateOf = [&](const QString& path) { return Expand(path, {stamp}); };

  // The EXIF original date comes before the digitised one, and both before the TIFF one.
  const QString exif = JpegFile(
      "exif.jpg", {AsciiEntry(0x0132, "2020:01:01 00:00:00")},
      {AsciiEntry(0x9003, "2021:05:04 10:11:12"), AsciiEntry(0x9004, "2022:06:07 08:09:10")});
  EXPECT_EQ(dateOf(exif), "2021-05-04 10:11:12");
  const QString digitised = JpegFile("digitised.jpg", {AsciiEntry(0x0132, "2020:01:01 00:00:00")},
                                     {AsciiEntry(0x9004, "2022:06:07 08:09:10")});
  EXPECT_EQ(dateOf(digitised), "2022-06-07 08:09:10");

  // IPTC date and time with a zone, when EXIF and TIFF have none.
  const QString iptc =
      JpegFile("iptc.jpg", {}, {}, {},
               test::BuildIptcSegmentPayload({{55, "20210504"}, {60, "101112+0000"}}));
  const QDateTime utc(QDate(2021, 5, 4), QTime(10, 11, 12), QTimeZone::utc());
  EXPECT_EQ(dateOf(iptc), utc.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"));

  // GPS date and time are universal time.
  const QString gps = JpegFile("gps.jpg", {}, {},
                               {AsciiEntry(0x001d, "2021:05:04"),
                                test::RationalsEntry(0x0007, {{10, 1}, {11, 1}, {12, 1}})});
  EXPECT_EQ(dateOf(gps), utc.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"));

  // A PNG creation time in another form gives nothing rather than the file's date.
  const auto pngDated = [&](const QByteArray& time) {
    return dateOf(WriteFixture(
        "t.png",
        test::PngWithChunks(test::PngChunk("tEXt", "Creation Time" + QByteArray(1, '\0') + time))));
  };
  EXPECT_EQ(pngDated("Tue, 4 May 2021 10:11:12 GMT"), QString());
  EXPECT_EQ(pngDated("2021:05:04 10:11:12"), "2021-05-04 10:11:12");

  // A blank EXIF date is not a date.
  const QString blank = JpegFile("blank.jpg", {}, {AsciiEntry(0x9003, "    :  :     :  :  ")});
  EXPECT_EQ(dateOf(blank), QString());
}

TEST(TokenExpansion, FileCreationDateWhenThereIsNoMetadata) {
  const QString path = WriteFixture("plain.txt", "text");
  const QDateTime born = QFileInfo(path).birthTime();
  const Token stamp("D", 3, "yyyy-MM-dd HH:mm:ss");
  const QString expected =
      born.isValid() ? FormatDateWithPattern(born, "yyyy-MM-dd HH:mm:ss") : QString();
  EXPECT_EQ(Expand(path, {stamp}), expected);
  // A file that does not exist leaves the tokens that need no file data.
  const QString gone = test::MakeTempFolder() + "/gone.jpg";
  EXPECT_EQ(Expand(gone, {stamp, Token("S", 9), Token("A", 15)}), "gone");
}

TEST(TokenExpansion, HostileMetadataStaysBounded) {
  // Invalid UTF-8 and an overlong artist come through as text without breaking the expansion.
  const QByteArray longArtist(300000, 'a');
  const QString path = JpegFile("hostile.jpg", {AsciiEntry(0x010f, "Bad\xff\xfe/Make"),
                                                AsciiEntry(0x013b, longArtist.left(60000))});
  EXPECT_EQ(Expand(path, {Token("M", 18)}), QString::fromLatin1("Bad\xff\xfe/Make"));
  EXPECT_EQ(Expand(path, {Token("A", 15)}).size(), 60000);
}

}  // namespace
}  // namespace glimbrik
