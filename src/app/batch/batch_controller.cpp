#include "app/batch/batch_controller.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMainWindow>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>

#include "app/batch/batch_capture.h"
#include "app/batch/batch_completion.h"
#include "app/batch/batch_engine.h"
#include "app/batch/batch_options.h"
#include "app/window/custom_alert.h"
#include "app/window/desktop_open.h"
#include "app/window/dialog_folders.h"
#include "engine/files/file_utils.h"
#include "platform/store/folders.h"
#include "platform/store/localization.h"

namespace glimbrik {
namespace {

// Keeps the progress sheet up while a run goes on: Escape and closing mean cancel instead.
class ProgressSheetGuard : public QObject {
 public:
  ProgressSheetGuard(QObject* parent, std::function<void()> cancel)
      : QObject(parent), cancel_(std::move(cancel)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const bool escape = event->type() == QEvent::KeyPress &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (escape || event->type() == QEvent::Close) {
      cancel_();
      event->ignore();
      return true;
    }
    return false;
  }

 private:
  std::function<void()> cancel_;
};

}  // namespace

BatchController::BatchController(BatchControllerContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)) {
  qRegisterMetaType<BatchRunResult>();
  if (!context_.notify) {
    context_.notify = [](const QString& title, const QString& text) {
      DeliverUserNotification(title, text);
    };
  }
  if (!context_.engine) context_.engine = DefaultBatchEngine;
  if (!context_.openFolder) {
    context_.openFolder = [this](const QString& folder) {
      OpenOrSayWhy(OpenWithDesktop, QUrl::fromLocalFile(folder), context_.window);
    };
  }
  OptionPanels& p = *context_.panels;
  connect(p.cancelButton, &QPushButton::clicked, this,
          &BatchController::CancelConversionButtonAction);
  p.conversionProgressSheet->installEventFilter(
      new ProgressSheetGuard(this, [this] { CancelConversionButtonAction(); }));
}

BatchController::~BatchController() { StopRun(); }

void BatchController::StopRun() {
  if (!worker_) return;
  // The worker may be waiting for the GUI thread, so keep serving it until it ends.
  ShowStopping();
  while (worker_ && !worker_->wait(QDeadlineTimer(10))) QCoreApplication::processEvents();
  delete worker_;
  worker_ = nullptr;
}

bool BatchController::IsRunning() const { return worker_ != nullptr; }

void BatchController::ConvertButtonAction() {
  std::vector<int> rows = context_.selectedRows();
  std::sort(rows.begin(), rows.end());
  conversionSelectedIndexSet_ = std::make_unique<std::vector<int>>(std::move(rows));
  SaveImage();
}

void BatchController::ConvertAllButtonAction() {
  const auto count = static_cast<int>(context_.entries().size());
  auto rows = std::make_unique<std::vector<int>>(count);
  for (int i = 0; i < count; ++i) (*rows)[i] = i;
  conversionSelectedIndexSet_ = std::move(rows);
  SaveImage();
}

void BatchController::CancelConversionButtonAction() {
  if (worker_) ShowStopping();
}

void BatchController::ShowStopping() {
  // The flag also ends the optimisers' tools, so the files under way end within seconds.
  *context_.cancelFlag = true;
  stopping_ = true;
  context_.panels->conversionProgressStaticText->setText(
      LocalizedString("CancelConversionInProgress"));
  context_.panels->cancelButton->setEnabled(false);
}

void BatchController::SaveImage() {
  if (!conversionSelectedIndexSet_ || worker_) return;
  if (conversionSelectedIndexSet_->empty()) {
    conversionSelectedIndexSet_.reset();
    return;
  }
  const QString remembered =
      context_.rememberedDestination ? context_.rememberedDestination() : QString();
  OptionPanels& p = *context_.panels;
  if (!remembered.isEmpty() && p.useAsDestinationFolderCheckBox->isChecked()) {
    StartRun(remembered);
    return;
  }

  auto* dialog = new QFileDialog(context_.window, LocalizedString("OpenDestinationDialogTitle"));
  dialog->setOption(QFileDialog::DontUseNativeDialog);  // the accessory needs our own dialog
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setLabelText(QFileDialog::Accept, LocalizedString("SaveDialogButton"));
  dialog->setDirectory(DialogStartFolder(DialogFolder::Destination));
  dialog->setWindowModality(Qt::WindowModal);
  QPointer<QWidget> accessory = p.destinationOptionAccessaryView;
  QPointer<QWidget> formerParent = accessory ? accessory->parentWidget() : nullptr;
  const bool wasVisible = accessory && accessory->isVisibleTo(formerParent);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()); grid && accessory) {
    grid->addWidget(accessory, grid->rowCount(), 0, 1, -1);
    accessory->show();
  }
  connect(dialog, &QFileDialog::finished, this,
          [this, dialog, accessory, formerParent, wasVisible](int result) {
            if (accessory) {
              accessory->setParent(formerParent);
              accessory->setVisible(wasVisible);
            }
            const QString chosen = dialog->selectedFiles().value(0);
            dialog->deleteLater();
            if (result == QDialog::Accepted && !chosen.isEmpty()) {
              RememberDialogFolder(DialogFolder::Destination, chosen);
              StartRun(chosen);
            } else {
              conversionSelectedIndexSet_.reset();
            }
          });
  dialog->open();
}

BatchSnapshot BatchController::TakeSnapshot(const std::vector<int>& rows) const {
  BatchSnapshot s;
  s.options = CaptureBatchOptions(*context_.panels, context_.groupOn);
  if (context_.selectedColorSpace) s.options.colorSpace = context_.selectedColorSpace();
  if (context_.fillRenameTokens) context_.fillRenameTokens(s.options);
  if (context_.fillWatermarks) context_.fillWatermarks(s.options);
  const std::vector<ImageEntityPtr> list = context_.entries();
  for (int row : rows) {
    if (row >= 0 && row < static_cast<int>(list.size()) && list[row]) {
      s.entries.push_back(EntryFromEntity(*list[row]));
    }
  }
  return s;
}

QStringList BatchController::namesOfPromisedFilesDroppedAtDestination(
    const QString& folder, const std::vector<int>& rows) {
  if (rows.empty() || worker_ || folder.isEmpty()) return {};
  QStringList names;
  const std::vector<ImageEntityPtr> list = context_.entries();
  for (int row : rows) {
    if (row >= 0 && row < static_cast<int>(list.size()) && list[row])
      names << QFileInfo(list[row]->filePath()).fileName();
  }
  conversionSelectedIndexSet_ = std::make_unique<std::vector<int>>(rows);
  StartRun(folder);
  return names;
}

std::shared_ptr<DraggedRowsRun> BatchController::PrepareDraggedRows(const std::vector<int>& rows) {
  if (rows.empty() || worker_) return nullptr;
  auto run = std::make_shared<DraggedRowsRun>();
  run->snapshot = TakeSnapshot(rows);
  // Asked here, before the drag: once the target asks for the data, a question's loop would
  // run the drag's own events under it and could end the drag while it waits. The press that
  // began this drag went to the question, so the drag itself starts with the next one, which
  // takes the answer given.
  if (dragPNGNoteConfirmed_) run->snapshot.options.doNotShowPNGOptimizationAlert = true;
  const int asked = pngNotesShown_;
  ImageConversion checked;
  if (run->snapshot.entries.empty() ||
      !IsConversionOptionsValid(run->snapshot.options, false, *this, &checked)) {
    return nullptr;
  }
  if (pngNotesShown_ != asked) {
    dragPNGNoteConfirmed_ = true;
    return nullptr;
  }
  run->snapshot.options.doNotShowPNGOptimizationAlert = true;
  run->snapshot.options.doNotShowAlert = true;  // the files go to the target
  return run;
}

QStringList BatchController::FilesOfDraggedRows(const std::shared_ptr<DraggedRowsRun>& run) {
  if (!run) return {};
  if (!run->started) {
    if (worker_) return {};
    run->started = true;
    run->folder = NewTemporaryPath();
    if (run->folder.isEmpty() || !QDir().mkpath(run->folder)) {
      run->finished = true;
      return {};
    }
  }
  RunDraggedRows(run);
  return run->files;
}

bool BatchController::SaveDraggedRowsInto(const std::shared_ptr<DraggedRowsRun>& run,
                                          const QString& folder, const QString& named) {
  if (!run) return false;
  if (!run->started) {
    run->started = true;
    const QFileInfo info(folder);
    QString why;
    if (worker_) {
      why = LocalizedString("DropNotServedBusyMsg");
    } else if (folder.isEmpty()) {
      why = LocalizedString("DropNotServedNoFolderMsg").arg(named);
    } else if (!info.isDir() || !info.isWritable()) {
      why = LocalizedString("DropNotServedFolderMsg").arg(folder);
    }
    if (!why.isEmpty()) {
      run->finished = true;
      SayDropNotServed(why);
      return false;
    }
    run->folder = folder;
    run->intoTarget = true;
  }
  RunDraggedRows(run);
  return !run->files.isEmpty();
}

void BatchController::DiscardDraggedRows(const std::shared_ptr<DraggedRowsRun>& run) {
  if (!run || run->intoTarget || !run->finished || run->folder.isEmpty()) return;
  QDir(run->folder).removeRecursively();
  run->files.clear();
}

void BatchController::RunDraggedRows(const std::shared_ptr<DraggedRowsRun>& run) {
  if (!run->finished && !run->running) {
    run->running = true;
    StartSnapshotRun(
        std::make_shared<const BatchSnapshot>(run->snapshot), run->folder,
        [this, run](const BatchRunResult& result) {
          // In the drop's folder what was written stays, as after any run.
          if (!result.cancelled || run->intoTarget) {
            for (const QString& path : result.destinations) {
              if (QFileInfo::exists(path)) run->files << path;
            }
          }
          if (run->files.isEmpty() && !run->intoTarget) {
            // A run that hands nothing over leaves nothing behind.
            QDir(run->folder).removeRecursively();
          }
          if (run->files.isEmpty() && run->intoTarget && !result.cancelled) {
            SayDropNotServed(LocalizedString("DropNotServedNothingWrittenMsg").arg(run->folder));
          }
          run->finished = true;
        });
  }
  // The window goes on as in any run, so its sheet is painted and Cancel works; a repeated
  // request waits here for the same run.
  QPointer<BatchController> self(this);
  QEventLoop loop;
  connect(this, &BatchController::runFinished, &loop, &QEventLoop::quit);
  connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
  // A quit under way stops the loops: the run is then ended by the quit, not awaited here.
  while (self && !run->finished && loop.exec() == 0) {
  }
}

void BatchController::SayDropNotServed(const QString& message) {
  // Shown once the target has its answer: it waits for it meanwhile.
  QTimer::singleShot(0, this, [this, message] {
    ShowCustomAlert(LocalizedString("DropNotServedTitle"), message,
                    LocalizedString("OkButtonString"), QString(), QString(), context_.window);
  });
}

void BatchController::StartRun(const QString& destination) {
  StartSnapshotRun(
      std::make_shared<const BatchSnapshot>(TakeSnapshot(*conversionSelectedIndexSet_)),
      destination);
}

void BatchController::StartSnapshotRun(std::shared_ptr<const BatchSnapshot> snapshot,
                                       const QString& destination,
                                       std::function<void(const BatchRunResult&)> done) {
  worker_ = QThread::create(
      [this, snapshot, destination, done = std::move(done), engine = context_.engine(*snapshot)] {
        const BatchRunResult result =
            ConvertImageThread(*snapshot, destination, *this, *context_.cancelFlag, engine);
        QMetaObject::invokeMethod(
            this,
            [this, result, done] {
              if (worker_) {
                worker_->wait();
                delete worker_;
                worker_ = nullptr;
              }
              conversionSelectedIndexSet_.reset();
              context_.panels->cancelButton->setEnabled(true);
              if (done) done(result);
              emit runFinished(result);
            },
            Qt::QueuedConnection);
      });
  worker_->start();
}

void BatchController::OnMainThread(const std::function<void()>& work) {
  if (QThread::currentThread() == thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
  }
}

void BatchController::RefocusOn(QWidget* control) {
  OnMainThread([this, control] {
    context_.window->activateWindow();
    context_.window->raise();
    if (control) control->setFocus();
  });
}

bool BatchController::ConfirmPNGOptimizationNote() {
  ++pngNotesShown_;
  QCheckBox* box = context_.panels->doNotShowPNGOptimizationAlertCheckBox;
  OnMainThread([box] { box->setText(LocalizedString("DoNotShowAlertCheckBoxTitle")); });
  const qint64 response = ShowCustomAlertWithView(
      LocalizedString("PNGOptimizationAlertTitle"), LocalizedString("PNGOptimizationAlertMessage"),
      LocalizedString("OkButtonString"), LocalizedString("CancelTitle"), QString(), context_.window,
      box);
  return response != 0;
}

void BatchController::ShowInvalidSizeAlert(SizeField field, const QString& text) {
  QLineEdit* control = field == SizeField::kWidth ? context_.panels->widthTextField
                                                  : context_.panels->heightTextField;
  const qint64 response =
      ShowCustomAlert(LocalizedString("InvalidValueTitle").arg(text),
                      LocalizedString("InvalidValueMsg"), LocalizedString("OkButtonString"),
                      LocalizedString("DiscardButtonTitle"), QString(), context_.window);
  if (response == 0) OnMainThread([control] { control->clear(); });
  RefocusOn(control);
}

void BatchController::ShowInvalidResolutionAlert(int64_t value) {
  QComboBox* combo = context_.panels->resolutionComboBoxOutlet;
  const qint64 response = ShowCustomAlert(
      LocalizedString("InvalidResolutionValueTitle").arg(static_cast<qlonglong>(value)),
      LocalizedString("InvalidResolutionValueMsg"), LocalizedString("OkButtonString"),
      LocalizedString("DiscardButtonTitle"), QString(), context_.window);
  if (response == 0) OnMainThread([combo] { combo->setEditText(QString()); });
  RefocusOn(combo);
}

void BatchController::PreviewWindowClose() {
  if (!context_.previewWindowClose) return;
  QMetaObject::invokeMethod(
      this, [this] { context_.previewWindowClose(); }, Qt::QueuedConnection);
}

void BatchController::BeginProgressSheet(int64_t fileCount) {
  OnMainThread([this, fileCount] {
    OptionPanels& p = *context_.panels;
    p.conversionProgressIndicator->setRange(
        0, static_cast<int>(std::min<int64_t>(fileCount + 2, std::numeric_limits<int>::max())));
    p.conversionProgressIndicator->setValue(0);
    p.conversionProgressStaticText->clear();
    p.cancelButton->setEnabled(true);
    stopping_ = false;
    LockWindowForRun(true);
    p.conversionProgressSheet->show();  // open() would make it modal
  });
}

void BatchController::ChangeProgressStatus(int code, int64_t index, int64_t fileCount,
                                           const QString& fileName) {
  OnMainThread([this, code, index, fileCount, fileName] {
    OptionPanels& p = *context_.panels;
    // Once stopping, the sheet keeps saying so while the files under way end.
    if (!stopping_ && (code == kProgressStarted || code == kProgressFile)) {
      p.conversionProgressStaticText->setText(LocalizedString("Converting")
                                                  .arg(static_cast<qlonglong>(index))
                                                  .arg(static_cast<qlonglong>(fileCount))
                                                  .arg(fileName));
    }
    if (code >= 0 && code <= 5) {
      p.conversionProgressIndicator->setValue(p.conversionProgressIndicator->value() + 1);
    }
  });
}

void BatchController::EndProgressSheet() {
  OnMainThread([this] {
    OptionPanels& p = *context_.panels;
    p.conversionProgressSheet->hide();
    p.conversionProgressStaticText->clear();
    LockWindowForRun(false);
  });
}

void BatchController::LockWindowForRun(bool locked) {
  auto* window = qobject_cast<QMainWindow*>(context_.window);
  if (!window) return;
  if (QWidget* content = window->centralWidget()) content->setEnabled(!locked);
  for (QToolBar* bar : window->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
    bar->setEnabled(!locked);
}

void BatchController::ReportFailedFiles(const std::vector<BatchFailure>& failures) {
  failures_ = failures;
  OnMainThread([this, failures] {
    if (context_.markFailedFiles) context_.markFailedFiles(failures);
  });
}

void BatchController::AlertOnSuccessConversion(const QString& targetFolder, long finalStatus,
                                               int64_t fileCount) {
  const CompletionAlertTexts texts = CompletionAlertTextsFor(finalStatus, fileCount, failures_);
  QCheckBox* box = context_.panels->doNotShowAlertCheckBox;
  OnMainThread([this, &texts, box] {
    context_.notify(LocalizedString("Export Completed"), CompletionNotificationText(texts));
    box->setText(LocalizedString("DoNotShowAlertCheckBoxTitle"));
  });
  const qint64 response = ShowCustomAlertWithView(
      texts.title, texts.message, LocalizedString("OkButtonString"),
      texts.offerOpenDestination ? LocalizedString("OpenDestinationTitle") : QString(), QString(),
      context_.window, box);
  if (response == 0 && texts.offerOpenDestination) {
    OnMainThread([this, targetFolder] { context_.openFolder(targetFolder); });
  }
}

}  // namespace glimbrik
