#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "app/batch/batch_host.h"
#include "app/batch/batch_run.h"
#include "app/batch/batch_snapshot.h"
#include "app/list/list_entity.h"
#include "app/panels/option_panels.h"

class QThread;
class QWidget;

namespace glimbrik {

// What the batch controller needs of the rest of the application.
struct BatchControllerContext {
  QWidget* window = nullptr;
  OptionPanels* panels = nullptr;
  std::atomic<bool>* cancelFlag = nullptr;  // set by the cancel command, read by the worker
  std::function<bool(int group)> groupOn;   // switch state of a sidebar group
  std::function<std::vector<ImageEntityPtr>()> entries;
  std::function<std::vector<int>()> selectedRows;
  std::function<QString()> rememberedDestination;  // empty when none
  // Optional parts: the rename tokens, the watermark editor's settings, the chosen profile.
  std::function<void(BatchOptions&)> fillRenameTokens;
  std::function<void(BatchOptions&)> fillWatermarks;
  std::function<std::shared_ptr<const ColorSpace>()> selectedColorSpace;
  std::function<void()> previewWindowClose;
  // The engine calls of a run of the snapshot; DefaultBatchEngine unless a test replaces it.
  std::function<BatchEngine(const BatchSnapshot&)> engine;
  // Replaceable for tests: the desktop notification and opening the destination folder.
  std::function<void(const QString& title, const QString& text)> notify;
  std::function<void(const QString& folder)> openFolder;
  // Marks the list's rows of the files a run could not write (GUI thread).
  std::function<void(const std::vector<BatchFailure>& failures)> markFailedFiles;
};

// The run of rows dragged out of the list, from the drag's start to the files it hands over.
struct DraggedRowsRun {
  BatchSnapshot snapshot;   // taken at the drag's start, its questions already answered
  QString folder;           // private, made when the run starts, or the one the drop named
  bool intoTarget = false;  // the folder is the drop's
  bool started = false;
  bool running = false;
  bool finished = false;
  QStringList files;  // written, once finished; none for a cancelled or failed run
};

// The convert commands, the destination choice, the worker thread of a run and the sheets and
// alerts it shows. Lives on the GUI thread; the worker reaches it through BatchRunHost, whose
// calls are carried out on the GUI thread while the worker waits.
class BatchController : public QObject, public BatchRunHost {
  Q_OBJECT
 public:
  explicit BatchController(BatchControllerContext context, QObject* parent = nullptr);
  ~BatchController() override;

  void ConvertButtonAction();
  void ConvertAllButtonAction();
  void CancelConversionButtonAction();
  void SaveImage();
  bool IsRunning() const;
  // Cancels a run under way and returns when its worker has ended.
  void StopRun();
  // Rows dragged out onto a folder: a run of those rows into it starts at once. Answers the names
  // of the dragged files; none for no rows or while a run goes on.
  QStringList namesOfPromisedFilesDroppedAtDestination(const QString& folder,
                                                       const std::vector<int>& rows);
  // Rows dragged out to a target that takes only existing files. When the drag starts: the
  // values of the run, with what it must ask asked now; none when there is nothing to drag, a
  // run goes on, the user declined or was just asked (the next drag takes the answer).
  std::shared_ptr<DraggedRowsRun> PrepareDraggedRows(const std::vector<int>& rows);
  // When the target asks for the files: the first call runs the rows into a new private folder
  // as a normal run goes (its sheet and Cancel working), without questions or completion alert,
  // and every call returns once that one run has ended, with the files it wrote.
  QStringList FilesOfDraggedRows(const std::shared_ptr<DraggedRowsRun>& run);
  // When the drop names its folder (given as the target named it): the first call runs the rows
  // into it the same way; every call answers once that run has ended, whether it wrote any file.
  // A drop that cannot be served says why in the window, after the answer.
  bool SaveDraggedRowsInto(const std::shared_ptr<DraggedRowsRun>& run, const QString& folder,
                           const QString& named);
  // The drag ended without a drop: the private files of its run go.
  void DiscardDraggedRows(const std::shared_ptr<DraggedRowsRun>& run);
  BatchControllerContext& context() { return context_; }
  // The values a run of the given list rows reads (GUI thread); rows out of range are left out.
  BatchSnapshot TakeSnapshot(const std::vector<int>& rows) const;

  // BatchRunHost; each call runs on the GUI thread.
  bool ConfirmPNGOptimizationNote() override;
  void ShowInvalidSizeAlert(SizeField field, const QString& text) override;
  void ShowInvalidResolutionAlert(int64_t value) override;
  void PreviewWindowClose() override;
  void BeginProgressSheet(int64_t fileCount) override;
  void ChangeProgressStatus(int code, int64_t index, int64_t fileCount,
                            const QString& fileName) override;
  void EndProgressSheet() override;
  void AlertOnSuccessConversion(const QString& targetFolder, long finalStatus,
                                int64_t fileCount) override;
  void ReportFailedFiles(const std::vector<BatchFailure>& failures) override;

 signals:
  void runFinished(const glimbrik::BatchRunResult& result);

 private:
  void StartRun(const QString& destination);
  // Starts the dragged rows' run into its folder and waits, the window live, until it has ended.
  void RunDraggedRows(const std::shared_ptr<DraggedRowsRun>& run);
  void SayDropNotServed(const QString& message);
  // Runs the snapshot on the worker thread; done, when given, hears the result first.
  void StartSnapshotRun(std::shared_ptr<const BatchSnapshot> snapshot, const QString& destination,
                        std::function<void(const BatchRunResult&)> done = {});
  // While the progress sheet is up nothing in the window but its menus takes input.
  void LockWindowForRun(bool locked);
  // Cancels the run under way and has the sheet say that it is stopping.
  void ShowStopping();
  void OnMainThread(const std::function<void()>& work);
  void RefocusOn(QWidget* control);

  BatchControllerContext context_;
  std::unique_ptr<std::vector<int>> conversionSelectedIndexSet_;
  QThread* worker_ = nullptr;
  std::vector<BatchFailure> failures_;  // of the run that ends, for its completion alert
  bool stopping_ = false;               // the run under way was cancelled
  std::atomic<int> pngNotesShown_{0};
  bool dragPNGNoteConfirmed_ = false;  // OK given to the note for rows dragged out
};

}  // namespace glimbrik

Q_DECLARE_METATYPE(glimbrik::BatchRunResult)
