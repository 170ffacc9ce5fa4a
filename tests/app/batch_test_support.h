#pragma once

#include <QStringList>
#include <functional>

#include "app/batch_host.h"

namespace glimbrik::test {

// Records every call a run makes on its host; answers the PNG note as told.
class RecordingHost : public BatchRunHost {
 public:
  bool pngNoteAnswer = true;
  int pngNotes = 0;
  QStringList sizeAlerts;  // "width:<text>" or "height:<text>"
  std::vector<int64_t> resolutionAlerts;
  int previewCloses = 0;
  int sheetsBegun = 0;
  int sheetsEnded = 0;
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
    sizeAlerts << (field == SizeField::kWidth ? QStringLiteral("width:")
                                              : QStringLiteral("height:")) +
                      text;
  }
  void ShowInvalidResolutionAlert(int64_t value) override { resolutionAlerts.push_back(value); }
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
  void EndProgressSheet() override { ++sheetsEnded; }
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

}  // namespace glimbrik::test
