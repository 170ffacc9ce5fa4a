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

TEST(FileKind, ExtensionsDecideAndDocumentsAreNoImagesWhateverTheirContent) {
  const QString f = test::MakeTempFolder();
  // The extension decides, lowered; the file need not exist.
  EXPECT_EQ(FileKindDescription(f + "/photo.JPG"), "JPEG image");
  EXPECT_TRUE(DescriptionForExtension("TIF").isNull());
  EXPECT_TRUE(FileKindDescription(WritePng(f + "/really-a-png.pdf")).isNull());
  EXPECT_TRUE(FileKindDescription(WritePng(f + "/upper.PDF")).isNull());
  EXPECT_TRUE(IsDocumentExtension("'PDF '"));
  EXPECT_TRUE(IsDocumentExtension("EPSF"));
  EXPECT_FALSE(IsDocumentExtension("Pdf"));  // exact comparison
  EXPECT_FALSE(IsDocumentExtension("jpg"));
}

TEST(FileKind, FilesWithoutKnownExtensionAreJudgedByContent) {
  const QString f = test::MakeTempFolder();
  EXPECT_EQ(FileKindDescription(WritePng(f + "/no-extension")), "PNG image");
  EXPECT_EQ(TypeIdentifierForFile(f + "/no-extension"), "public.png");
  EXPECT_TRUE(FileKindDescription(
                  WriteText(f + "/notes", QByteArray("GBK\0\xff\xfe not an image at all\0\0", 28)))
                  .isNull());
  EXPECT_TRUE(FileKindDescription(WriteText(f + "/readme.xyz", "plain words\n")).isNull());
  EXPECT_TRUE(FileKindDescription(f + "/missing").isNull());
}

}  // namespace
}  // namespace glimbrik
