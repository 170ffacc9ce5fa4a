#pragma once

// What a batch run asks of the user interface. The worker calls these from its own thread; an
// implementation does its work on the main thread and returns when that work is done.

#include <QString>
#include <cstdint>
#include <vector>

#include "app/batch/batch_snapshot.h"

namespace glimbrik {

// Progress codes of ChangeProgressStatus.
enum ProgressCode : int {
  kProgressStarted = 1,
  kProgressFile = 3,
  kProgressFinished = 5,
};

// Bits of a run's final status.
enum BatchStatusBits : long {
  kStatusWritten = 1,
  kStatusFailed = 2,
  kStatusNotEnlarged = 4,
};

// A file a run could not write, with the short reason shown to the user.
struct BatchFailure {
  QString path;
  QString reason;
};

class BatchRunHost {
 public:
  virtual ~BatchRunHost() = default;

  // The note about slow PNG optimisation; false when the user chose to cancel the run.
  virtual bool ConfirmPNGOptimizationNote() = 0;
  // A size field that is not above 0; the field's text as typed.
  virtual void ShowInvalidSizeAlert(SizeField field, const QString& text) = 0;
  // A resolution above the limit.
  virtual void ShowInvalidResolutionAlert(int64_t value) = 0;

  virtual void PreviewWindowClose() = 0;  // may return before the window has closed
  virtual void BeginProgressSheet(int64_t fileCount) = 0;
  // index is 1-based; fileName is empty for kProgressStarted and kProgressFinished.
  virtual void ChangeProgressStatus(int code, int64_t index, int64_t fileCount,
                                    const QString& fileName) = 0;
  virtual void EndProgressSheet() = 0;
  // The completion alert, with its notification.
  virtual void AlertOnSuccessConversion(const QString& targetFolder, long finalStatus,
                                        int64_t fileCount) = 0;
  // The files that failed, once the run is over and before its completion alert (also when the
  // alert is not shown); none for a run without failures.
  virtual void ReportFailedFiles(const std::vector<BatchFailure>& failures) { (void)failures; }
};

}  // namespace glimbrik
