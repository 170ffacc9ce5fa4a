#include "app/list/list_entity.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "app/app_fixtures.h"
#include "app/list/cell_texts.h"
#include "app/list/entity_loader.h"
#include "app/list/image_list_model.h"
#include "app/list/list_sorting.h"
#include "app/list/thumbnail_queue.h"
#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"
#include "support/cmyk_fixture.h"

namespace glimbrik {
namespace {

// The list's entry for a file, its facts read.
ImageEntityPtr Loaded(const QString& path, const QString& kind = QStringLiteral("JPEG image")) {
  auto entity = ListViewBaseCellImageEntity::entityForURL(path, kind, QString());
  entity->loadImageDirectly();
  return entity;
}

TEST(ListEntityFacts, AnOrientedPhotoShowsItsDisplayedSizeAndRoundedResolution) {
  const QString path = test::MakeTempFolder("entity") + QStringLiteral("/turned.jpg");
  test::WriteJpeg(path, 4000, 3000, 6, 299.6);
  const ImageEntityPtr entity = Loaded(path);
  const ImageEntityFacts facts = entity->facts();
  EXPECT_EQ(facts.imageResolution, 300.0);  // the text below would round it either way
  EXPECT_EQ(facts.fileSize, quint64(QFile(path).size()));
  ASSERT_FALSE(facts.thumbnailImage.isNull());
  EXPECT_LE(std::max(facts.thumbnailImage.width(), facts.thumbnailImage.height()), 104);
  EXPECT_LT(facts.thumbnailImage.width(), facts.thumbnailImage.height())
      << "the thumbnail is turned too";
  const CellTexts texts =
      CellTextsFor(facts, entity->GetImageKind(), entity->GetImageCreationDate());
  EXPECT_EQ(texts.imageDPIText, QStringLiteral("300 DPI, 3000 x 4000 pixels"));
  EXPECT_EQ(texts.imagePixelSizeText, QStringLiteral("RGB, JPEG image"));
}

TEST(ListEntityFacts, AFileWithoutResolutionReads72AndAnEmptyKindIsDescribed) {
  const QString path = test::MakeTempFolder("entity") + QStringLiteral("/plain.png");
  test::WritePng(path, 30, 20);
  const ImageEntityPtr entity = Loaded(path, QStringLiteral(""));
  EXPECT_EQ(entity->GetResolution(), 72.0);
  EXPECT_EQ(entity->GetWidth(), 30.0);
  EXPECT_EQ(entity->facts().thumbnailImage.size(), QSize(30, 20))
      << "small images are not enlarged";
  EXPECT_FALSE(entity->GetImageKind().isEmpty());
  EXPECT_NE(entity->GetImageKind(), QStringLiteral("UNKNOWN"));
}

// A grey 40 x 30 TIFF stating only the resolutions given (0: left out).
void WriteTiffStating(const QString& path, float xDpi, float yDpi) {
  TIFF* tiff = TIFFOpen(path.toLocal8Bit().constData(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 40);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 30);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 30);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (xDpi > 0) TIFFSetField(tiff, TIFFTAG_XRESOLUTION, xDpi);
  if (yDpi > 0) TIFFSetField(tiff, TIFFTAG_YRESOLUTION, yDpi);
  std::vector<unsigned char> row(40, 128);
  for (uint32_t y = 0; y < 30; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
  TIFFClose(tiff);
}

TEST(ListEntityFacts, TheVerticalResolutionElseTheHorizontalOneIsListed) {
  const QString folder = test::MakeTempFolder("dpi");
  for (const auto& [x, y, listed] :
       {std::tuple{300.f, 0.f, 300.0}, {0.f, 150.f, 150.0}, {300.f, 150.f, 150.0}}) {
    const QString path = folder + QStringLiteral("/x%1y%2.tif").arg(x).arg(y);
    WriteTiffStating(path, x, y);
    const ImageEntityPtr entity = Loaded(path, QString());
    EXPECT_EQ(entity->GetWidth(), 40.0) << path.toStdString();
    EXPECT_EQ(entity->GetResolution(), listed) << path.toStdString();
    EXPECT_EQ(entity->GetImageColorModel(), QStringLiteral("Gray"));
  }
}

TEST(ListEntityFacts, ACmykRowSaysCmyk) {
  const QString folder = test::MakeTempFolder("cmyk");
  test::Inks cyan{QSize(40, 30), {}};
  for (int i = 0; i < 40 * 30; ++i) cyan.samples += QByteArray("\xff\0\0\0", 4);
  ASSERT_TRUE(test::WriteBytes(folder + "/cmyk.jpg", test::CmykJpeg(cyan, 90)));
  ASSERT_TRUE(test::WriteBytes(folder + "/cmyk.tif", test::CmykTiff(cyan)));

  ImageListModel list;
  list.insertEntries(0, {Loaded(folder + "/cmyk.jpg"),
                         Loaded(folder + "/cmyk.tif", QStringLiteral("TIFF image"))});
  const auto colourField = [&](int row) {
    return list.data(list.index(row, 0), ImageListModel::ImagePixelSizeTextRole)
        .toString()
        .toStdString();
  };
  EXPECT_EQ(colourField(0), "CMYK, JPEG image");
  EXPECT_EQ(colourField(1), "CMYK, TIFF image");
}

// Kinds that only the engine's own readers read, from an independent writer and from ours, list
// like any other: kind, size, resolution, colour model and the picture itself.
TEST(ListEntityFacts, KindsOnlyTheEngineReadsListTheirFactsAndPicture) {
  const QString folder = test::MakeTempFolder("kinds");
  // Red over blue (grey: white over black) at 150 dpi; a Targa is bottom-up unless it says not.
  for (const char* name : {"photo.psd", "photo.sgi", "photo.tga", "icon.ico", "grey.psd"}) {
    const bool grey = QLatin1String(name) == QLatin1String("grey.psd");
    bool made = false;
    test::RunTool("convert",
                  {"-size", "120x80", grey ? "gradient:white-black" : "gradient:red-blue",
                   "-colorspace", grey ? "Gray" : "sRGB", "-orient", "TopLeft", "-density", "150",
                   "-units", "PixelsPerInch", folder + "/" + name},
                  &made);
    ASSERT_TRUE(made) << name;
  }
  DestinationProperties properties;
  properties.dpiX = properties.dpiY = 150;
  QImage own(120, 80, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 120; ++x) own.setPixel(x, y, qRgb(255 - y * 3, 0, y * 3));
  }
  for (const auto& [type, name] : {std::pair{"com.adobe.photoshop-image", "own.psd"},
                                   {"com.truevision.tga-image", "own.tga"}}) {
    ASSERT_TRUE(test::WriteBytes(folder + "/" + name, EncodeImage(own, type, properties).value));
  }
  const struct {
    const char* name;
    const char* kind;
    double dpi;  // Targa, SGI and icon files state none
  } rows[] = {{"photo.psd", "Adobe Photoshop document", 150},
              {"grey.psd", "Adobe Photoshop document", 150},
              {"photo.tga", "TGA image", 72},
              {"photo.sgi", "Silicon Graphics image", 72},
              {"icon.ico", "Windows icon", 72},
              {"own.psd", "Adobe Photoshop document", 150},
              {"own.tga", "TGA image", 72}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const ImageEntityPtr entity = Loaded(folder + "/" + row.name, QString());
    const ImageEntityFacts facts = entity->facts();
    const bool grey = QLatin1String(row.name) == QLatin1String("grey.psd");
    EXPECT_EQ(entity->GetImageKind(), QLatin1String(row.kind));
    EXPECT_EQ(CellTextsFor(facts, QString(), {}).imageDPIText,
              QStringLiteral("%1 DPI, 120 x 80 pixels").arg(row.dpi));
    EXPECT_EQ(facts.imageColorModel, grey ? QStringLiteral("Gray") : QStringLiteral("RGB"));
    ASSERT_EQ(facts.thumbnailImage.size(), QSize(104, 69));
    const QColor top = facts.thumbnailImage.pixelColor(52, 1);
    const QColor bottom = facts.thumbnailImage.pixelColor(52, 67);
    EXPECT_GT(top.red(), bottom.red() + 100);
    EXPECT_TRUE(grey || bottom.blue() > top.blue() + 100);
  }
}

TEST(ListEntityFacts, AGarbageFileShowsTheUnknownTextsAndItsSize) {
  const QString path = test::MakeTempFolder("entity") + QStringLiteral("/bad.jpg");
  test::WriteGarbage(path, 123);
  const ImageEntityPtr entity = Loaded(path);
  const ImageEntityFacts facts = entity->facts();
  EXPECT_EQ(entity->GetImageKind(), QStringLiteral("UNKNOWN"));
  EXPECT_EQ(facts.fileSize, 123u);
  EXPECT_TRUE(facts.thumbnailIsTemplate);
  EXPECT_EQ(facts.thumbnailImage.size(), QSize(104, 104));
  const QDateTime when(QDate(2024, 1, 2), QTime(3, 4));
  const CellTexts texts = CellTextsFor(facts, entity->GetImageKind(), when);
  EXPECT_EQ(texts.imageDPIText, QStringLiteral("0 DPI, 0 x 0 pixels"));
  EXPECT_EQ(texts.imagePixelSizeText, QStringLiteral("-, UNKNOWN"));
  EXPECT_TRUE(texts.fileSizeText.endsWith(QStringLiteral(", 123 bytes")));
}

// No reader here reads FlashPix pictures, but the row still says what the file is.
TEST(ListEntityFacts, AFlashPixPictureKeepsItsKindWithTheGenericImage) {
  const QString folder = test::MakeTempFolder("fpx");
  QByteArray compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  compound.append(QByteArray(504, '\0'));
  ASSERT_TRUE(test::WriteBytes(folder + "/scan.fpx", compound));
  for (const QString& given : {QStringLiteral("FlashPix image"), QString()}) {
    const ImageEntityPtr entity = Loaded(folder + "/scan.fpx", given);
    EXPECT_EQ(entity->GetImageKind(), QStringLiteral("FlashPix image"));
    EXPECT_TRUE(entity->facts().thumbnailIsTemplate);
    EXPECT_EQ(entity->GetFileSize(), 512u);
  }
  test::WriteGarbage(folder + "/text.fpx", 512);
  EXPECT_EQ(Loaded(folder + "/text.fpx", QStringLiteral("FlashPix image"))->GetImageKind(),
            QStringLiteral("UNKNOWN"));
}

// Each key gives its own order of the same three files, numbers compared as numbers.
TEST(ListEntityFacts, EachSortKeyOrdersByItsOwnFact) {
  const QString folder = test::MakeTempFolder("sort");
  std::vector<ImageEntityPtr> entries;
  for (const auto& [name, width, height, dpi] :
       {std::tuple{"c.jpg", 10, 20, 72}, {"a.jpg", 20, 30, 300}, {"b.jpg", 30, 10, 150}}) {
    test::WriteJpeg(folder + "/" + name, width, height, 0, dpi);
    entries.push_back(Loaded(folder + "/" + name));
  }
  for (const auto& [tag, order] : {std::pair{kSortByName, "abc"},
                                   {kSortByWidth, "cab"},
                                   {kSortByHeight, "bca"},
                                   {kSortByResolution, "cba"}}) {
    SortEntities(entries, tag, false);
    QString titles;
    for (const ImageEntityPtr& e : entries) titles += e->title().front();
    EXPECT_EQ(titles, QLatin1String(order)) << tag;
  }
}

TEST(ListEntityFacts, AWebPEntryKeepsOnlyItsThumbnail) {
  const QString path = test::MakeTempFolder("entity") + QStringLiteral("/pic.webp");
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  if (!image.save(path, "WEBP")) FAIL() << "Qt's WebP writer is missing: qt6-image-formats-plugins";
  const ImageEntityPtr entity = Loaded(path, QStringLiteral("Webp image"));
  EXPECT_TRUE(entity->IsWebpImage());
  const ImageEntityFacts facts = entity->facts();
  EXPECT_EQ(facts.imageColorModel, QStringLiteral("RGB"));
  EXPECT_EQ(facts.imageWidth, 400.0);
  EXPECT_EQ(facts.thumbnailImage.size(), QSize(104, 78));
}

TEST(ListEntityFacts, AnOpenExrEntryShowsItsLinearLightInSrgb) {
  const QString path = test::MakeTempFolder("entity") + QStringLiteral("/light.exr");
  bool made = false;
  test::RunTool(QStringLiteral("convert"), {"-size", "400x300", "xc:rgb(50.29%,21.58%,0%)", path},
                &made);
  ASSERT_TRUE(made);
  const ImageEntityPtr entity = Loaded(path, QString());
  const ImageEntityFacts facts = entity->facts();
  EXPECT_EQ(entity->GetImageKind(), QStringLiteral("OpenEXR image"));
  EXPECT_EQ(facts.imageWidth, 400.0);
  EXPECT_EQ(facts.imageResolution, 72.0);
  ASSERT_EQ(facts.thumbnailImage.size(), QSize(104, 78));
  const QColor shown = facts.thumbnailImage.pixelColor(50, 40);
  EXPECT_NEAR(shown.red(), 188, 2);
  EXPECT_NEAR(shown.green(), 128, 2);
  EXPECT_EQ(shown.blue(), 0);
  EXPECT_EQ(shown.alpha(), 255);
}

TEST(ListEntityLoading, AskingForTheThumbnailStartsExactlyOneLoad) {
  // Loads of earlier tests' entries announce themselves by address, which a new entry may reuse.
  ASSERT_TRUE(ThumbnailOperationQueue().waitForDone(10000));
  QCoreApplication::processEvents();
  const QString path = test::MakeTempFolder("entity") + QStringLiteral("/once.jpg");
  test::WriteJpeg(path, 640, 480);
  auto entity =
      ListViewBaseCellImageEntity::entityForURL(path, QStringLiteral("JPEG image"), QString());
  QSignalSpy loaded(&ThumbnailOperationQueue(), &ThumbnailQueue::thumbnailImageChanged);
  EXPECT_TRUE(entity->GetThumbnailImage().isNull());
  for (int i = 0; i < 20; ++i) entity->GetThumbnailImage();
  ASSERT_TRUE(QTest::qWaitFor([&] { return entity->isLoaded(); }, 10000));
  ASSERT_TRUE(ThumbnailOperationQueue().waitForDone(10000));
  QCoreApplication::processEvents();
  int mine = 0;
  for (const QList<QVariant>& call : loaded)
    mine += call.at(0).value<quintptr>() == reinterpret_cast<quintptr>(entity.get());
  EXPECT_EQ(mine, 1);
  EXPECT_FALSE(entity->imageLoading());
  EXPECT_EQ(entity->GetThumbnailImage().size(), QSize(104, 78));
}

TEST(FormattedFileSize, UsesDecimalUnitsThatChangeOnlyAtTheirThreshold) {
  EXPECT_EQ(formattedFileSize(0), QString());
  EXPECT_EQ(formattedFileSize(999), QStringLiteral("999 bytes"));
  EXPECT_EQ(formattedFileSize(1000), QStringLiteral("1.0 KB"));
  EXPECT_EQ(formattedFileSize(999999), QStringLiteral("1000.0 KB"));
  EXPECT_EQ(formattedFileSize(1000000), QStringLiteral("1.00 MB"));
  EXPECT_EQ(formattedFileSize(1500000000ull), QStringLiteral("1.500 GB"));
}

TEST(OrientedImage, EveryOrientationPutsTheMarkedCornerWhereTheFileSays) {
  // A 3 x 2 image with its stored top-left pixel red.
  QImage stored(3, 2, QImage::Format_RGB32);
  stored.fill(Qt::white);
  stored.setPixel(0, 0, qRgb(255, 0, 0));
  // Where the stored top-left pixel lands once displayed, per orientation.
  const QPoint expected[9] = {{0, 0}, {0, 0}, {2, 0}, {2, 1}, {0, 1},
                              {0, 0}, {1, 0}, {1, 2}, {0, 2}};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const QImage shown = OrientedImage(stored, orientation);
    EXPECT_EQ(shown.size(), orientation >= 5 ? QSize(2, 3) : QSize(3, 2));
    EXPECT_EQ(shown.pixel(expected[orientation]), qRgb(255, 0, 0));
  }
}

}  // namespace
}  // namespace glimbrik
