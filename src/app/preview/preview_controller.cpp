#include "app/preview/preview_controller.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "app/batch/batch_controller.h"
#include "app/delegate/app_delegate.h"
#include "app/list/entity_loader.h"
#include "app/preview/preview_fit.h"
#include "app/preview/preview_window.h"
#include "engine/codecs/image_file.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {
namespace {

constexpr int kEmptyImageSide = 550;

// A preview run's view of the user interface: the option alerts go to the batch controller
// (they are the run's own), unless the preview was closed meanwhile; a preview run asks for
// nothing else.
class PreviewRunHost : public BatchRunHost {
 public:
  PreviewRunHost(BatchRunHost& batch, std::shared_ptr<std::atomic<bool>> cancelled)
      : batch_(batch), cancelled_(std::move(cancelled)) {}
  bool ConfirmPNGOptimizationNote() override { return true; }
  void ShowInvalidSizeAlert(SizeField field, const QString& text) override {
    if (!*cancelled_) batch_.ShowInvalidSizeAlert(field, text);
  }
  void ShowInvalidResolutionAlert(int64_t value) override {
    if (!*cancelled_) batch_.ShowInvalidResolutionAlert(value);
  }
  void PreviewWindowClose() override {}
  void BeginProgressSheet(int64_t) override {}
  void ChangeProgressStatus(int, int64_t, int64_t, const QString&) override {}
  void EndProgressSheet() override {}
  void AlertOnSuccessConversion(const QString&, long, int64_t) override {}

 private:
  BatchRunHost& batch_;
  std::shared_ptr<std::atomic<bool>> cancelled_;
};

}  // namespace

// Everything one preview conversion needs, fixed on the GUI thread when it is asked for.
struct PreviewController::Request {
  qint64 serial = 0;
  qint64 index = 0;
  QString filePath;
  bool quiet = false;
  std::shared_ptr<const BatchSnapshot> snapshot;
  BatchEngine engine;
  QString folder;
  std::shared_ptr<std::atomic<bool>> cancelled;
};

struct PreviewController::Result {
  bool listed = false;  // the run named an output file
  QString fileName;
  QImage image;  // null when the output cannot be shown
  double dpi = 0.0;
  double width = 0.0;
  double height = 0.0;
};

PreviewController::PreviewController(AppDelegate& delegate, BatchController& batch, QObject* parent)
    : QObject(parent),
      delegate_(delegate),
      batch_(batch),
      previewWindow_(std::make_unique<PreviewWindow>()),
      cancelled_(std::make_shared<std::atomic<bool>>(false)) {
  PreviewOperationQueue_.setMaxThreadCount(1);
  emtyImageIcon_ =
      TemplateImage(QStringLiteral("UnknownImage.pdf"), QSize(kEmptyImageSide, kEmptyImageSide));
  availableArea = [this] {
    QScreen* screen = delegate_.window() ? delegate_.window()->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
  };

  PreviewWindow& w = *previewWindow_;
  w.closeButton->setIcon(TemplateIcon(QStringLiteral("RemoveAll.pdf")));
  hideToggleFullSceenButtonForPreview(false);
  w.frameToggleButton->setChecked(shouldWindowResize_);
  w.visibleArea = [this] { return availableArea(); };
  w.windowWillClose = [this] { PreviewWindowClose(nullptr); };
  w.windowWillResize = [this] { changePreviewWindowResizeFlag(); };
  w.windowFullScreenChanged = [this](bool on) { hideToggleFullSceenButtonForPreview(on); };
  connect(w.closeButton, &QToolButton::clicked, this,
          [this] { PreviewWindowClose(previewWindow_->closeButton); });
  connect(w.previousSegment, &QToolButton::clicked, this, [this] { PreviewNextPreviousAction(0); });
  connect(w.nextSegment, &QToolButton::clicked, this, [this] { PreviewNextPreviousAction(1); });
  connect(w.frameToggleButton, &QPushButton::clicked, this,
          &PreviewController::togglePreviewWindow);
  connect(w.fullScreenPreviewToggleButton, &QToolButton::clicked, this, [this] {
    PreviewWindow& window = *previewWindow_;
    window.isFullScreen() ? window.showNormal() : window.showFullScreen();
  });
}

PreviewController::~PreviewController() {
  // The delegate's window may be gone already: the window's closing must not reach it.
  previewWindow_->windowWillClose = nullptr;
  StopPreview();
}

void PreviewController::StopPreview() {
  if (previewWindow_->isVisible()) previewWindow_->close();
  PreviewOperationQueue_.clear();
  *cancelled_ = true;
  // A conversion may be waiting for an alert on the GUI thread, so keep serving it.
  while (!PreviewOperationQueue_.waitForDone(10)) QCoreApplication::processEvents();
}

bool PreviewController::isIdle() const { return PreviewOperationQueue_.activeThreadCount() == 0; }

bool PreviewController::isVisible() const { return previewWindow_->isVisible(); }

qint64 PreviewController::entryCount() const {
  return delegate_.imageListViewContents()->rowCount();
}

qint64 PreviewController::selectedRowOrFirst() const {
  return std::max<qint64>(0, delegate_.GetLastSelectedImageIndex());
}

qint64 PreviewController::positionOf(const QString& path, qint64 hint) const {
  const auto holds = [this, &path](qint64 row) {
    const ImageEntityPtr entity = delegate_.ImageEntityForRow(row);
    return entity && entity->filePath() == path;
  };
  if (holds(hint)) return hint;
  for (qint64 row = 0; row < entryCount(); ++row) {
    if (holds(row)) return row;
  }
  return hint;
}

void PreviewController::PreviewAction(QObject*) {
  QToolButton* button = delegate_.previewButtonOutlet();
  if (!button->isChecked()) {
    PreviewWindowClose(button);
    return;
  }
  if (entryCount() == 0) return;
  currPreviewIndex_ = selectedRowOrFirst();
  if (isVisible()) {
    ConvertImageForPreview(true);
    return;
  }
  PreviewWindow& w = *previewWindow_;
  FirstPreviewImage_ = true;
  shouldWindowResize_ = true;
  w.frameToggleButton->setChecked(true);
  w.previewImageView->setImage(QImage());
  w.PreviewStringStaticText->clear();
  if (!actualWindowFrame_.isValid()) {
    const QRect area = availableArea();
    if (!area.isEmpty()) w.move(area.center() - w.rect().center());
  }
  w.show();
  w.raise();
  w.activateWindow();
  ConvertImageForPreview(false);
}

void PreviewController::ConvertImageForPreview(bool quiet) {
  EnableDisablePreviewNextPreviousButton();
  const qint64 count = entryCount();
  if (count == 0) return;
  currPreviewIndex_ = std::clamp<qint64>(currPreviewIndex_, 0, count - 1);
  const ImageEntityPtr entity = delegate_.ImageEntityForRow(currPreviewIndex_);

  auto request = std::make_shared<Request>();
  request->serial = ++latestRequest_;
  request->index = currPreviewIndex_;
  request->filePath = entity ? entity->filePath() : QString();
  request->quiet = quiet;
  BatchSnapshot snapshot = batch_.TakeSnapshot({static_cast<int>(currPreviewIndex_)});
  snapshot.preview = true;
  request->snapshot = std::make_shared<const BatchSnapshot>(std::move(snapshot));
  request->engine = batch_.context().engine(*request->snapshot);
  request->folder = AppDelegate::ApplicationSupportFolder(QStringLiteral("GlimbrikPreview"));
  request->cancelled = cancelled_;
  previewPDFfilename_ = request->filePath;
  if (request->folder.isEmpty()) return;  // nowhere to write a preview
  PreviewOperationQueue_.start([this, request] { Convert(request); });
}

void PreviewController::Convert(const std::shared_ptr<const Request>& r) {
  // Of several waiting requests only the newest does any work.
  if (r->serial != latestRequest_ || *r->cancelled) return;
  if (!r->quiet)
    QMetaObject::invokeMethod(
        this, [this] { setSpinning(true); }, Qt::QueuedConnection);

  PreviewRunHost host(batch_, r->cancelled);
  std::atomic<bool> runCancelled{false};
  const BatchRunResult run =
      ConvertImageThread(*r->snapshot, r->folder, host, runCancelled, r->engine);

  Result result;
  if (!run.destinations.empty()) {
    const QString& written = run.destinations.back();
    result.listed = true;
    result.fileName = QFileInfo(written).fileName();
    ImageFile file;
    // A failed conversion must not show an earlier preview of the same name.
    if (run.written > 0 && file.load(written) && file.width() > 0 && file.height() > 0) {
      result.image = OrientedImage(file.image(), file.orientation());
      result.width = file.width();
      result.height = file.height();
      result.dpi = file.dpiWidth();
    }
  }
  QMetaObject::invokeMethod(
      this, [this, r, result] { DisplayPreviewForCurrImage(*r, result); }, Qt::QueuedConnection);
}

void PreviewController::DisplayPreviewForCurrImage(const Request& request, const Result& result) {
  if (!request.quiet) setSpinning(false);
  if (*request.cancelled || !isVisible() || !result.listed) return;
  PreviewWindow& w = *previewWindow_;
  const bool shown = !result.image.isNull();
  w.previewImageView->setImage(shown ? result.image : emtyImageIcon_);
  ResizePreviewWindowWithHeight(shown ? static_cast<qint64>(result.height) : kEmptyImageSide,
                                shown ? static_cast<qint64>(result.width) : kEmptyImageSide);
  w.PreviewStringStaticText->setText(
      PreviewDescription(positionOf(request.filePath, request.index) + 1, entryCount(),
                         result.fileName, result.dpi, result.width, result.height));
  emit previewShown(request.serial);
}

void PreviewController::setSpinning(bool on) {
  spinning_ = std::max(0, spinning_ + (on ? 1 : -1));
  previewWindow_->spinProgressIndicator->setVisible(spinning_ > 0);
}

void PreviewController::PreviewWindowClose(QObject* sender) {
  if (sender && previewWindow_->isVisible()) {
    previewWindow_->close();  // comes back here without a sender
    return;
  }
  PreviewOperationQueue_.clear();
  *cancelled_ = true;
  cancelled_ = std::make_shared<std::atomic<bool>>(false);
  spinning_ = 0;
  previewWindow_->spinProgressIndicator->hide();
  previewWindow_->previewImageView->setImage(QImage());
  delegate_.previewButtonOutlet()->setChecked(false);
}

void PreviewController::PreviewNextPreviousAction(int segment) {
  const qint64 count = entryCount();
  if (count == 0) return;
  if (segment == 1 && currPreviewIndex_ < count - 1) ++currPreviewIndex_;
  if (segment == 0 && currPreviewIndex_ > 0) --currPreviewIndex_;
  ConvertImageForPreview(false);
}

void PreviewController::EnableDisablePreviewNextPreviousButton() {
  const qint64 count = entryCount();
  PreviewWindow& w = *previewWindow_;
  w.previewNextPreviousButton->setVisible(count != 1);
  w.previousSegment->setEnabled(currPreviewIndex_ != 0);
  w.nextSegment->setEnabled(currPreviewIndex_ < count - 1);
}

void PreviewController::ResizePreviewWindowWithHeight(qint64 height, qint64 width) {
  PreviewWindow& w = *previewWindow_;
  const QRect frame = w.geometry();
  const QRect fitted =
      FitPreviewWindowFrame(availableArea(), frame, w.minimumSize(), height, width);
  if (shouldWindowResize_ && fitted != frame && !w.isFullScreen()) {
    w.setFrame(fitted, true);
  } else {
    w.previewImageView->update();
  }
  actualWindowFrame_ = fitted;
  if (FirstPreviewImage_) {
    resizeWindowFrame_ = fitted;
    FirstPreviewImage_ = false;
  }
}

void PreviewController::togglePreviewWindow() {
  shouldWindowResize_ = !shouldWindowResize_;
  previewWindow_->setFrame(shouldWindowResize_ ? actualWindowFrame_ : resizeWindowFrame_, true);
  previewWindow_->frameToggleButton->setChecked(shouldWindowResize_);
}

void PreviewController::changePreviewWindowResizeFlag() {
  shouldWindowResize_ = false;
  resizeWindowFrame_ = previewWindow_->geometry();
  previewWindow_->frameToggleButton->setChecked(false);
}

void PreviewController::changePreviewActionAfterDeleteOrAdd() {
  const qint64 count = entryCount();
  if (!delegate_.previewButtonOutlet()->isChecked() || !isVisible() || count == 0) return;
  for (qint64 row = 0; row < count; ++row) {
    const ImageEntityPtr entity = delegate_.ImageEntityForRow(row);
    if (entity && entity->filePath() == previewPDFfilename_) {
      currPreviewIndex_ = row;
      QLabel* text = previewWindow_->PreviewStringStaticText;
      text->setText(RenumberedPreviewDescription(text->text(), row + 1, count));
      EnableDisablePreviewNextPreviousButton();
      return;
    }
  }
  currPreviewIndex_ = selectedRowOrFirst();
  ConvertImageForPreview(false);
}

void PreviewController::hideToggleFullSceenButtonForPreview(bool fullScreen) {
  QStyle* style = previewWindow_->style();
  previewWindow_->fullScreenPreviewToggleButton->setIcon(style->standardIcon(
      fullScreen ? QStyle::SP_TitleBarNormalButton : QStyle::SP_TitleBarMaxButton));
}

PreviewController* InstallPreview(AppDelegate& delegate, BatchController& batch) {
  auto* preview = new PreviewController(delegate, batch, &delegate);
  batch.context().previewWindowClose = [preview, &delegate] {
    preview->PreviewWindowClose(&delegate);
  };
  QToolButton* button = delegate.previewButtonOutlet();
  button->setCheckable(true);
  QObject::connect(button, &QToolButton::clicked, preview,
                   [preview, button] { preview->PreviewAction(button); });
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, preview, &PreviewController::StopPreview);
  delegate.setPreviewController(preview);
  return preview;
}

}  // namespace glimbrik
