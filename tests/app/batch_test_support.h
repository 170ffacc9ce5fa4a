#pragma once

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringList>
#include <functional>
#include <map>

#include "app/batch/batch_host.h"
#include "engine/watermark/watermark_options.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik::test {

// Records every call a run makes on its host; answers the PNG note as told.
class RecordingHost : public BatchRunHost {
 public:
  bool pngNoteAnswer = true;
  int pngNotes = 0;
  QStringList sizeAlerts;  // "width:<text>" or "height:<text>"
  int previewCloses = 0;
  int sheetsBegun = 0;
  int64_t sheetCount = -1;
  std::vector<int> progressCodes;
  QStringList progressNames;
  int completionAlerts = 0;
  long completionStatus = -1;
  QString completionTarget;
  std::function<void(int64_t index)> onFile;  // called at each file's progress

  bool ConfirmPNGOptimizationNote() override {
    ++pngNotes;
    return pngNoteAnswer;
  }
  void ShowInvalidSizeAlert(SizeField field, const QString& text) override {
    sizeAlerts << QString::fromLatin1(field == SizeField::kWidth ? "width:" : "height:") + text;
  }
  void ShowInvalidResolutionAlert(int64_t) override {}
  void PreviewWindowClose() override { ++previewCloses; }
  void BeginProgressSheet(int64_t fileCount) override {
    ++sheetsBegun;
    sheetCount = fileCount;
  }
  void ChangeProgressStatus(int code, int64_t index, int64_t, const QString& name) override {
    progressCodes.push_back(code);
    if (code == kProgressFile) {
      progressNames << name;
      if (onFile) onFile(index);
    }
  }
  void EndProgressSheet() override {}
  void AlertOnSuccessConversion(const QString& target, long status, int64_t) override {
    ++completionAlerts;
    completionStatus = status;
    completionTarget = target;
  }
};

// A run over the given files into the destination root itself, with the other options at their
// defaults.
inline BatchSnapshot SnapshotOf(const QStringList& paths) {
  BatchSnapshot s;
  s.options.maintainDirectory = false;
  for (const QString& p : paths) {
    BatchEntry entry;
    entry.filePath = p;
    s.entries.push_back(entry);
  }
  return s;
}

// A PNG that is only its signature and an 8-bit RGBA header chunk: enough for whatever reads
// only the header.
inline QByteArray PngHeaderOnly(uint32_t width, uint32_t height) {
  QByteArray header;
  AppendBig32(header, width);
  AppendBig32(header, height);
  header.append("\x08\x06\x00\x00\x00", 5);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header);
}

// Path below folder -> content hash (and modification time, if asked) of every file there.
inline std::map<QString, QByteArray> FolderContents(const QString& folder, bool withTimes = false) {
  std::map<QString, QByteArray> contents;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile f(it.next());
    QByteArray state = f.open(QIODevice::ReadOnly)
                           ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1)
                           : QByteArray("unreadable");
    if (withTimes) state += QByteArray::number(QFileInfo(f).lastModified().toMSecsSinceEpoch());
    contents[QDir(folder).relativeFilePath(f.fileName())] = state;
  }
  return contents;
}

// A picture whose pixels differ across it and from seed to seed.
inline QImage Picture(int seed, int width = 64, int height = 48) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.setPixel(x, y, qRgb((x * 3 + seed * 41) % 256, (y * 5 + seed * 13) % 256, seed * 9));
    }
  }
  return image;
}

// One white text watermark of tokens in the middle of the picture, as a run's options hold it.
inline void SetCentredWhiteText(BatchOptions& o, const TokenArray& tokens, double fontSize) {
  std::shared_ptr<TextWatermarkOptions[]> text(new TextWatermarkOptions[1]);
  text[0].tokens = tokens;
  text[0].font = QFont(QStringLiteral("DejaVu Sans"));
  text[0].fontSize = fontSize;
  text[0].position = 4;
  text[0].textColor = Qt::white;
  text[0].strokeColor = Qt::white;
  o.textWatermarkOn = true;
  o.textWatermarks = text;
  o.textWatermarkCount = 1;
}

}  // namespace glimbrik::test
