#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <map>

#include "app/batch/batch_completion.h"
#include "app/batch/batch_engine.h"
#include "app/batch/batch_file_dates.h"
#include "app/batch/batch_run.h"
#include "app/batch/raw_file_names.h"
#include "app/batch_test_support.h"
#include "app/list/entity_loader.h"
#include "app/list/image_list_model.h"
#include "app/list/list_adding.h"
#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"
#include "platform/jpeg_damage_fixtures.h"
#include "platform/store/folders.h"
#include "support/conversion_fixture.h"
#include "support/legacy_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

BatchRunResult RunWithEngine(const BatchSnapshot& s, const QString& dest) {
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  return ConvertImageThread(s, dest, host, cancel, DefaultBatchEngine(s));
}

TEST(BatchRunWithEngine, MixedFilesEndWithEveryGoodFileWrittenAndNothingElseTouched) {
  const QString source = test::MakeTempFolder(QStringLiteral("mixed"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  const char* formats[] = {"JPEG", "PNG", "TIFF", "WEBP"};
  const char* suffixes[] = {"jpg", "png", "tif", "webp"};
  QStringList paths;
  for (int i = 0; i < 196; ++i) {
    paths << source + QStringLiteral("/img%1.%2").arg(i).arg(suffixes[i % 4]);
    ASSERT_TRUE(test::Picture(i).save(paths.back(), formats[i % 4])) << paths.back().toStdString();
  }
  paths << source + "/" + QString(246, u'n') + ".png";  // 250 bytes
  ASSERT_TRUE(test::Picture(1).save(paths.back(), "PNG"));

  const QString locked = source + "/locked.png";
  ASSERT_TRUE(test::Picture(2).save(locked, "PNG"));
  ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
  const bool lockedReadable = access(QFile::encodeName(locked).constData(), R_OK) == 0;
  paths << locked;
  const QString folderEntry = source + "/folder.png";  // not a file at all
  ASSERT_TRUE(QDir().mkpath(folderEntry));
  paths << folderEntry;

  const auto sourceBefore = test::FolderContents(source, true);
  const auto temporaryFiles = [] {
    return QDir(PrivateTempFolder())
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  };
  const QStringList tempBefore = temporaryFiles();

  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 0;  // each keeps its type
  s.options.optimizationOn = true;
  s.options.optimizationTag = 3;
  s.options.doNotShowPNGOptimizationAlert = true;
  const BatchRunResult run = RunWithEngine(s, dest);

  EXPECT_EQ(run.written, 197 + int(lockedReadable));
  EXPECT_EQ(run.failed, 2 - int(lockedReadable));
  EXPECT_EQ(run.finalStatus, kStatusWritten | kStatusFailed);
  ASSERT_EQ(run.destinations.size(), static_cast<size_t>(paths.size()));
  for (qsizetype i = 0; i < paths.size(); ++i) {
    const QString& out = run.destinations[i];
    const bool expected = i < 197 || (paths[i] == locked && lockedReadable);
    EXPECT_EQ(QFileInfo(out).isFile(), expected) << out.toStdString();
    if (expected) {
      EXPECT_FALSE(QImageReader(out).read().isNull()) << out.toStdString();
    }
  }
  EXPECT_EQ(test::FolderContents(source, true), sourceBefore)
      << "the sources are left as they were";
  EXPECT_EQ(temporaryFiles(), tempBefore) << "no temporary file is left";
  chmod(QFile::encodeName(locked).constData(), 0644);
}

// The format an independent reader finds in the bytes, as the extension names it.
QString ContentExtension(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QByteArray format = reader.format();
  if (format == "jpeg") return QStringLiteral("jpg");
  if (format == "tiff") return QStringLiteral("tif");
  return QString::fromLatin1(format);
}

TEST(BatchRunWithEngine, EveryOutputIsNamedForItsBytes) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  const std::vector<std::pair<QString, const char*>> files = {
      {"a.jpg", "JPEG"}, {"b.png", "PNG"}, {"c.tif", "TIFF"}, {"d.webp", "WEBP"},
      {"e.gif", "GIF"},  {"f.bmp", "BMP"}, {"g.ppm", "PPM"}};
  QStringList paths;
  for (const auto& [name, format] : files) {
    paths << source + "/" + name;
    const QImage picture = test::Picture(int(paths.size()));
    const QByteArray gif = EncodeImage(picture, QStringLiteral("com.compuserve.gif"), {}).value;
    // Qt reads GIF but does not write it.
    ASSERT_TRUE(QByteArray(format) == "GIF" ? test::WriteBytes(paths.back(), gif)
                                            : picture.save(paths.back(), format))
        << format;
  }
  for (int type : {0, 4}) {
    BatchSnapshot s = test::SnapshotOf(paths);
    s.options.outputType = type;
    s.options.overwriteExisting = true;
    const BatchRunResult run = RunWithEngine(s, dest);
    EXPECT_EQ(run.written, int(files.size())) << type;
    for (const QString& out : run.destinations) {
      // "Same as original" keeps each type; a PPM, which cannot be written, becomes a JPEG.
      const QString suffix = QFileInfo(out).suffix();
      EXPECT_EQ(ContentExtension(out), suffix) << out.toStdString();
      const QString from = QFileInfo(paths[&out - run.destinations.data()]).suffix();
      EXPECT_EQ(suffix, type == 4 || from == "ppm" ? QStringLiteral("jpg") : from)
          << out.toStdString();
    }
  }
}

// A run's JPEG optimisation is lossless: the optimised output decodes to the very pixels of the
// same run without it, only in fewer bytes.
TEST(BatchRunWithEngine, JPEGOptimisationKeepsEveryPixel) {
  const QString source = test::MakeTempFolder(QStringLiteral("src")) + "/photo.png";
  ASSERT_TRUE(test::Picture(7, 320, 240).save(source));
  QImage outputs[2];
  qint64 sizes[2] = {};
  for (const bool optimise : {false, true}) {
    const QString dest = test::MakeTempFolder(QStringLiteral("out"));
    BatchSnapshot s = test::SnapshotOf({source});
    s.options.outputType = 4;
    s.options.quality = 0.95;
    s.options.optimizationOn = optimise;
    s.options.optimizationTag = 1;
    ASSERT_EQ(RunWithEngine(s, dest).written, 1);
    outputs[optimise] = QImage(dest + "/photo.jpg");
    sizes[optimise] = QFileInfo(dest + "/photo.jpg").size();
  }
  ASSERT_FALSE(outputs[0].isNull());
  EXPECT_EQ(outputs[1], outputs[0]);
  EXPECT_LT(sizes[1], sizes[0]);
}

TEST(BatchRunWithEngine, FailedFilesAreNamedWithAShortReasonAndMarked) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  const QString good = source + "/good.png";
  ASSERT_TRUE(test::Picture(1, 640, 480).save(good, "PNG"));
  const QString corrupt = source + "/corrupt.jpg";
  ASSERT_TRUE(test::WriteBytes(corrupt, "\xff\xd8\xff\xe0 not really a JPEG"));
  // A PNG whose header states 25000 x 25000 pixels, over the pixel limit.
  const QString huge = source + "/huge.png";
  ASSERT_TRUE(test::WriteBytes(huge, test::PngHeaderOnly(25000, 25000)));
  // Cut short, as an interrupted copy leaves it: the header still reads.
  const QString cut = source + "/cut.png";
  const QByteArray goodBytes = test::ReadBytes(good);
  ASSERT_TRUE(test::WriteBytes(cut, goodBytes.left(goodBytes.size() / 2)));
  // A name whose bytes are not UTF-8 is listed when its folder is added, and converted.
  const QByteArray rawName = QFile::encodeName(source) + "/bad\xff.png";
  const int fd = open(rawName.constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(write(fd, goodBytes.constData(), size_t(goodBytes.size())), goodBytes.size());
  close(fd);
  QStringList listed;
  WalkFilesToAdd(
      {source}, false, [] { return false; }, [&](const FileToAdd& file) { listed << file.path; });
  ASSERT_EQ(listed.size(), 5) << listed.join(u',').toStdString();
  // By its file name: the folder's random hex name may hold "bad" too.
  const QString badName = listed.filter(QStringLiteral("/bad")).value(0);
  // Dropped, it is known by the same bytes.
  EXPECT_EQ(
      LocalPathOfUrl(QUrl::fromEncoded(QUrl::fromLocalFile(source).toEncoded() + "/bad%FF.png")),
      badName);
  const QString gone = source + "/gone.png";

  BatchSnapshot s = test::SnapshotOf({good, corrupt, huge, cut, badName, gone});
  s.options.outputType = 7;
  const BatchRunResult run = RunWithEngine(s, dest);
  EXPECT_EQ(run.written, 2);
  std::map<QString, QString> reasons;
  for (const BatchFailure& failure : run.failures) reasons[failure.path] = failure.reason;
  EXPECT_EQ(reasons, (std::map<QString, QString>{{corrupt, "cannot be read"},
                                                 {huge,
                                                  "too large (over 30000 pixels a side or "
                                                  "500 megapixels)"},
                                                 {cut, "file is damaged or incomplete"},
                                                 {gone, "no longer exists"}}));
  // Its output is named validly and holds the picture.
  ASSERT_EQ(run.destinations.size(), 5u);
  EXPECT_EQ(run.destinations[4], dest + QStringLiteral("/bad\uFFFD.png"));
  EXPECT_EQ(QImage(run.destinations[4]), QImage(run.destinations[0]));
  const QString message = CompletionAlertTextsFor(run.finalStatus, 5, run.failures).message;
  EXPECT_TRUE(message.contains(QStringLiteral("corrupt.jpg: cannot be read")))
      << message.toStdString();
  EXPECT_TRUE(message.contains(QStringLiteral("gone.png: no longer exists")));

  // The list marks the failed rows until the next run.
  ImageListModel model;
  model.insertEntries(0, {ListViewBaseCellImageEntity::entityForURL(good, "", ""),
                          ListViewBaseCellImageEntity::entityForURL(corrupt, "", "")});
  model.MarkFailedFiles(run.failures);
  EXPECT_EQ(model.data(model.index(0, 0), ImageListModel::FailureRole).toString(), QString());
  EXPECT_EQ(model.data(model.index(1, 0), ImageListModel::FailureRole).toString(),
            QStringLiteral("cannot be read"));
  model.MarkFailedFiles({});
  EXPECT_EQ(model.data(model.index(1, 0), ImageListModel::FailureRole).toString(), QString());

  // A format this system cannot write fails before the engine decodes anything.
  BatchSnapshot pict = test::SnapshotOf({good});
  pict.options.outputType = 14;
  BatchEngine counted = DefaultBatchEngine(pict);
  int engineCalls = 0;
  counted.processImageFile = [&engineCalls](ImageConversion*) { return ++engineCalls, 1; };
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  const BatchRunResult refused = ConvertImageThread(pict, dest, host, cancel, counted);
  ASSERT_EQ(refused.failures.size(), 1u);
  EXPECT_EQ(refused.failures[0].reason, QStringLiteral("format cannot be written here"));
  EXPECT_EQ(engineCalls, 0);
  ImageConversion direct = test::ConversionRecord(good, dest + "/direct.pict", 14);
  EXPECT_EQ(ProcessImageFile(&direct), 1);
  unlink(rawName.constData());  // Qt cannot remove it with the folder
}

// Damage the decoder found is named as damage, whatever part of the file it hit; a file another
// program changed while it was read says so, and is not tried again through a TIFF.
TEST(BatchRunWithEngine, DamagedPngsAndAFileChangedWhileReadAreNamedSo) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  QStringList paths;
  for (const auto& [name, bytes] : test::DamagedPngs()) {
    paths << source + '/' + name;
    ASSERT_TRUE(test::WriteBytes(paths.back(), bytes));
  }
  const QString changed = source + "/changed.png";
  ASSERT_TRUE(test::Picture(1, 64, 48).save(changed, "PNG"));
  paths << changed;

  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 4;
  BatchEngine engine = DefaultBatchEngine(s);
  const auto real = engine.processImageFile;
  int changedReads = 0;
  engine.processImageFile = [&](ImageConversion* c) {
    if (c->sourceURL != changed) return real(c);
    ++changedReads;
    c->sourceChanged = 1;
    return 1;
  };
  int reencoded = 0;
  const auto convert = engine.convertImageFile;
  engine.convertImageFile = [&](ImageConversion* c) { return ++reencoded, convert(c); };
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  const BatchRunResult run = ConvertImageThread(s, dest, host, cancel, engine);
  EXPECT_EQ(run.written, 0);
  std::map<QString, QString> reasons;
  for (const BatchFailure& failure : run.failures) reasons[failure.path] = failure.reason;
  std::map<QString, QString> expected;
  for (const QString& path : paths)
    expected[path] = QStringLiteral("file is damaged or incomplete");
  expected[changed] = QStringLiteral("changed while it was read");
  EXPECT_EQ(reasons, expected);
  EXPECT_EQ(changedReads, 1);
  EXPECT_EQ(reencoded, 0);
  EXPECT_TRUE(QDir(dest).isEmpty());
}

// A photo whose data stops a little early is written whole, as viewers show it; a frame far
// larger than its data, or without a scan, fails alone as damaged.
TEST(BatchRunWithEngine, JpegsEndingEarlyAreWrittenAndFramesWithoutTheirDataAreDamaged) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QByteArray photo = test::PhotoJpeg(QSize(1600, 1200), {"-restart", "1"});
  QStringList paths;
  for (const QByteArray& bytes :
       {test::DataEndsEarly(photo, 0.02), test::ClaimingFrame(photo, 20000, 20000),
        test::WithoutScanData(photo, false)}) {
    paths << source + QStringLiteral("/%1.jpg").arg(paths.size());
    ASSERT_TRUE(test::WriteBytes(paths.back(), bytes));
  }
  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 7;
  const BatchRunResult run = RunWithEngine(s, test::MakeTempFolder(QStringLiteral("out")));
  EXPECT_EQ(run.written, 1);
  std::map<QString, QString> reasons;
  for (const BatchFailure& failure : run.failures) reasons[failure.path] = failure.reason;
  const QString damaged = QStringLiteral("file is damaged or incomplete");
  EXPECT_EQ(reasons, (std::map<QString, QString>{{paths[1], damaged}, {paths[2], damaged}}));
}

// A 16-bit PNG of 256 x 256 pixels, grey, grey and alpha, RGB or RGBA (1-4 channels), whose first
// channel holds every value once. Alpha stays near opaque: premultiplying costs few levels.
QByteArray DeepRampPng(int channels) {
  QByteArray rows;
  for (int v = 0; v < 65536; ++v) {
    if (v % 256 == 0) rows.append('\0');  // no filter
    for (int c = 0; c < channels; ++c) {
      const bool alpha = channels % 2 == 0 && c == channels - 1;
      test::AppendBig16(rows, uint16_t(alpha ? 65535 - v % 256 : c == 0 ? v : v ^ 0x5A5A));
    }
  }
  return test::PngBytes(
      256, 256, 16, "\0\4\2\6" [channels - 1], {}, rows);
}

// The same ramp as a binary portable map of 16-bit samples (grey or RGB) and as a flat 16-bit
// Photoshop file (grey or RGB, raw planes).
QByteArray DeepRampPnm(int channels) {
  QByteArray bytes(channels == 1 ? "P5\n256 256\n65535\n" : "P6\n256 256\n65535\n");
  for (int v = 0; v < 65536; ++v) {
    for (int c = 0; c < channels; ++c) test::AppendBig16(bytes, uint16_t(c == 0 ? v : v ^ 0x5A5A));
  }
  return bytes;
}

QByteArray DeepRampPsd(int channels) {
  QByteArray bytes("8BPS\0\1", 6);
  bytes.append(6, '\0');
  test::AppendBig16(bytes, uint16_t(channels));
  test::AppendBig32(bytes, 256);
  test::AppendBig32(bytes, 256);
  test::AppendBig16(bytes, 16);
  test::AppendBig16(bytes, channels == 1 ? 1 : 3);
  for (int section = 0; section < 3; ++section) test::AppendBig32(bytes, 0);
  test::AppendBig16(bytes, 0);  // raw
  for (int c = 0; c < channels; ++c) {
    for (int v = 0; v < 65536; ++v) test::AppendBig16(bytes, uint16_t(c == 0 ? v : v ^ 0x5A5A));
  }
  return bytes;
}

// How many levels the first channel of an image file holds, as an independent reader sees it.
int DistinctLevels(const QString& path) {
  const QImage image = QImage(path).convertToFormat(QImage::Format_RGBA64);
  std::vector<bool> seen(65536);
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) seen[row[x].red()] = true;
  }
  return int(std::count(seen.begin(), seen.end(), true));
}

TEST(BatchRunWithEngine, SixteenBitPicturesKeepSixteenBitLevelsOnEveryRoad) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  // Eight bits hold 256 levels; halving keeps nearly all of the 16384 pixels distinct.
  const auto expectDeep = [](const QString& out, bool halved) {
    EXPECT_GE(DistinctLevels(out), halved ? 16000 : 65000) << out.toStdString();
  };
  QStringList ramps;
  for (int channels = 1; channels <= 4; ++channels) {
    ramps << source + QStringLiteral("/ramp%1.png").arg(channels);
    ASSERT_TRUE(test::WriteBytes(ramps.back(), DeepRampPng(channels)));
    for (int percent : {100, 50}) {
      ImageConversion record = test::ConversionRecord(
          ramps.back(), dest + QStringLiteral("/%1-%2.png").arg(channels).arg(percent), 7);
      record.resize = test::PercentFit(percent);
      ASSERT_EQ(ProcessImageFile(&record), 0);
      expectDeep(record.destinationURL, percent == 50);
      if (percent == 100) {
        ASSERT_EQ(ConvertImageFile(&record), 1);
        expectDeep(record.destinationURL, false);
      }
    }
  }
  // Portable maps and Photoshop files of 16 bits keep them in PNG and TIFF as well.
  for (int channels : {1, 3}) {
    const std::pair<QString, QByteArray> others[] = {
        {QStringLiteral("/ramp%1.ppm").arg(channels), DeepRampPnm(channels)},
        {QStringLiteral("/ramp%1.psd").arg(channels), DeepRampPsd(channels)}};
    for (const auto& [name, bytes] : others) {
      ASSERT_TRUE(test::WriteBytes(source + name, bytes));
      for (int type : {7, 10}) {
        for (int percent : {100, 50}) {
          ImageConversion record = test::ConversionRecord(
              source + name, dest + name + QString::number(percent) + (type == 7 ? ".png" : ".tif"),
              type);
          record.resize = test::PercentFit(percent);
          ASSERT_EQ(ProcessImageFile(&record), 0) << name.toStdString();
          expectDeep(record.destinationURL, percent == 50);
          if (percent == 100) {
            ASSERT_EQ(ConvertImageFile(&record), 1) << name.toStdString();
            expectDeep(record.destinationURL, false);
          }
        }
      }
    }
  }
  for (bool resize : {false, true}) {
    BatchSnapshot s = test::SnapshotOf(ramps);
    s.options.outputType = 7;
    s.options.resizeOn = resize;
    s.options.scaleMode = 2;
    s.options.widthText = s.options.heightText = QStringLiteral("50");
    const BatchRunResult run = RunWithEngine(s, dest);
    ASSERT_EQ(run.written, 4);
    for (const QString& out : run.destinations) expectDeep(out, resize);
  }
}

// Largest channel difference; -1 when the sizes differ.
int Difference(const QImage& ours, const QImage& theirs) {
  if (ours.isNull() || ours.size() != theirs.size()) return -1;
  const QImage a = ours.convertToFormat(QImage::Format_RGB32);
  const QImage b = theirs.convertToFormat(QImage::Format_RGB32);
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  }
  return worst;
}

// MacPaint, fax and QuickTime image files are listed with a thumbnail and converted on every road
// as an independent decoder sees them; damaged ones fail alone with their reason.
TEST(BatchRunWithEngine, MacPaintFaxAndQuickTimeImagesConvertOnEveryRoad) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  const std::vector<test::LegacyFile> files = test::MakeLegacyFiles(source);
  QStringList paths;
  for (const test::LegacyFile& file : files) {
    SCOPED_TRACE(file.label.toStdString());
    paths << file.path;
    ASSERT_FALSE(file.independent.isNull());
    const LoadedEntity listed = LoadEntityFacts(file.path, QString());
    EXPECT_FALSE(listed.facts.thumbnailIsTemplate);
    EXPECT_FALSE(listed.facts.thumbnailImage.isNull());
    EXPECT_EQ(QSize(int(listed.facts.imageWidth), int(listed.facts.imageHeight)), file.size);
    EXPECT_EQ(listed.facts.imageResolution, file.dpiY);
    const QString identify = QStringLiteral("%1x%2").arg(file.dpiX).arg(file.dpiY);
    for (bool process : {true, false}) {
      ImageConversion record = test::ConversionRecord(
          file.path, dest + QStringLiteral("/%1-%2.png").arg(file.label).arg(process), 7);
      record.resize = test::PercentFit(100);
      ASSERT_EQ(process ? ProcessImageFile(&record) : 1 - ConvertImageFile(&record), 0);
      EXPECT_LE(Difference(QImage(record.destinationURL), file.independent), file.tolerance);
      EXPECT_GE(Difference(QImage(record.destinationURL), file.independent), 0);
      EXPECT_EQ(test::RunTool("identify", {"-units", "PixelsPerInch", "-format",
                                           "%[fx:round(resolution.x)]x%[fx:round(resolution.y)]",
                                           record.destinationURL}),
                identify);
    }
  }
  // Cut short or with an inner codec not read here, beside the good files.
  const QString cutPaint = source + "/cut.pntg", cutFax = source + "/cut.fax",
                cutMovie = source + "/cut.qtif", rle = source + "/rle.qtif";
  for (const auto& [path, from] :
       {std::pair{cutPaint, files[0].path}, std::pair{cutFax, files[2].path},
        std::pair{cutMovie, files[3].path}}) {
    const QByteArray bytes = test::ReadBytes(from);
    ASSERT_TRUE(test::WriteBytes(path, bytes.left(bytes.size() * 2 / 3)));
  }
  ASSERT_TRUE(test::WriteBytes(
      rle, test::QuickTimeImage("rle ", QSize(8, 8), 72.0, 24, QByteArray(192, '\x7f'))));
  BatchSnapshot s = test::SnapshotOf(paths + QStringList{cutPaint, cutFax, cutMovie, rle});
  s.options.outputType = 7;
  const BatchRunResult run = RunWithEngine(s, dest);
  EXPECT_EQ(run.written, int(files.size()));
  std::map<QString, QString> reasons;
  for (const BatchFailure& failure : run.failures) reasons[failure.path] = failure.reason;
  const QString damaged = QStringLiteral("file is damaged or incomplete");
  EXPECT_EQ(
      reasons,
      (std::map<QString, QString>{
          {cutPaint, damaged}, {cutFax, damaged}, {cutMovie, damaged}, {rle, "cannot be read"}}));
  ASSERT_GE(run.destinations.size(), files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].label.toStdString());
    EXPECT_LE(Difference(QImage(run.destinations[i]), files[i].independent), files[i].tolerance);
    EXPECT_GE(Difference(QImage(run.destinations[i]), files[i].independent), 0);
  }
}

}  // namespace
}  // namespace glimbrik
