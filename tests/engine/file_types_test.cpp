#include "engine/file_types.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "support/test_env.h"

namespace glimbrik {
namespace {

QString WritePng(const QString& path) {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::blue);
  EXPECT_TRUE(image.save(path, "PNG"));
  return path;
}

QString WriteText(const QString& path, const QByteArray& bytes) {
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

TEST(FileKind, ExtensionsAreLoweredAndLookedUp) {
  const QString f = test::MakeTempFolder();
  // The extension decides; the files need not exist.
  EXPECT_EQ(FileKindDescription(f + "/photo.JPG"), QStringLiteral("JPEG image"));
  EXPECT_EQ(FileKindDescription(f + "/a.NEF"), QStringLiteral("Nikon raw image"));
  EXPECT_EQ(FileKindDescription(f + "/a.nrw"), QStringLiteral("Nikon raw image"));
  EXPECT_EQ(FileKindDescription(f + "/a.webp"), QStringLiteral("Webp image"));
  EXPECT_EQ(FileKindDescription(f + "/a.x3f"), QStringLiteral("Sigma raw image"));
  EXPECT_EQ(DescriptionForExtension(QStringLiteral("tif")), QStringLiteral("TIFF image"));
  EXPECT_TRUE(DescriptionForExtension(QStringLiteral("TIF")).isNull());
}

TEST(FileKind, DocumentsAreNoImagesWhateverTheirContent) {
  const QString f = test::MakeTempFolder();
  EXPECT_TRUE(FileKindDescription(WritePng(f + "/really-a-png.pdf")).isNull());
  EXPECT_TRUE(FileKindDescription(WritePng(f + "/upper.PDF")).isNull());
  EXPECT_TRUE(IsDocumentExtension(QStringLiteral("'PDF '")));
  EXPECT_TRUE(IsDocumentExtension(QStringLiteral("EPSF")));
  EXPECT_FALSE(IsDocumentExtension(QStringLiteral("Pdf")));  // exact comparison
  EXPECT_FALSE(IsDocumentExtension(QStringLiteral("jpg")));
}

TEST(FileKind, FilesWithoutKnownExtensionAreJudgedByContent) {
  const QString f = test::MakeTempFolder();
  EXPECT_EQ(FileKindDescription(WritePng(f + "/no-extension")), QStringLiteral("PNG image"));
  EXPECT_EQ(TypeIdentifierForFile(f + "/no-extension"), QStringLiteral("public.png"));
  EXPECT_TRUE(FileKindDescription(
                  WriteText(f + "/notes", QByteArray("GBK\0\xff\xfe not an image at all\0\0", 28)))
                  .isNull());
  EXPECT_TRUE(FileKindDescription(WriteText(f + "/readme.xyz", "plain words\n")).isNull());
  EXPECT_TRUE(FileKindDescription(f + "/missing").isNull());
}

TEST(FileKind, TypeIdentifiersConformToTheMostSpecificRow) {
  EXPECT_EQ(DescriptionForUTI(QStringLiteral("public.png")), QStringLiteral("PNG image"));
  EXPECT_EQ(DescriptionForUTI(QStringLiteral("com.nikon.raw-image")),
            QStringLiteral("Nikon raw image"));
  // An image type without a row of its own is an "Image".
  EXPECT_EQ(DescriptionForUTI(QStringLiteral("image/x-portable-pixmap")), QStringLiteral("Image"));
  // A raw type without a row is a camera raw image rather than a TIFF image or just an image.
  EXPECT_EQ(DescriptionForUTI(QStringLiteral("image/x-sigma-x3f")),
            QStringLiteral("Camera raw image"));
  // MIME names of rows stand for their identifiers.
  EXPECT_EQ(DescriptionForUTI(QStringLiteral("image/x-nikon-nrw")),
            QStringLiteral("Nikon raw image"));
  EXPECT_TRUE(DescriptionForUTI(QStringLiteral("com.adobe.pdf")).isNull());
  EXPECT_TRUE(DescriptionForUTI(QStringLiteral("com.example.unknown")).isNull());
  EXPECT_TRUE(DescriptionForUTI(QString()).isNull());

  EXPECT_TRUE(TypeConformsTo(QStringLiteral("com.nikon.raw-image"), QStringLiteral("public.tiff")));
  EXPECT_TRUE(TypeConformsTo(QStringLiteral("com.nikon.raw-image"),
                             QStringLiteral("public.camera-raw-image")));
  EXPECT_TRUE(TypeConformsTo(QStringLiteral("public.jpeg"), QStringLiteral("public.image")));
  EXPECT_FALSE(TypeConformsTo(QStringLiteral("public.jpeg"), QStringLiteral("public.png")));
  EXPECT_FALSE(TypeConformsTo(QStringLiteral("com.adobe.pdf"), QStringLiteral("public.image")));
}

TEST(FileKind, IconsComeAtTheAskedSizeOrNotAtAll) {
  const QString png = WritePng(test::MakeTempFolder() + "/icon.png");
  EXPECT_TRUE(FileIconOfSize(png, 0, 16).isNull());
  EXPECT_TRUE(FileIconOfSize(png, 16, -1).isNull());
  // Without an icon theme (as on a build machine) there is no icon; with one it has the size.
  const QImage icon = FileIconOfSize(png, 48, 32);
  if (!icon.isNull()) {
    EXPECT_EQ(icon.size(), QSize(48, 32));
  }
}

}  // namespace
}  // namespace glimbrik
