#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>

namespace glimbrik {

class AppDelegate;
class BatchController;
class PreviewWindow;

// The preview window: the selected entry converted by the batch run's own road (same snapshot,
// same engine call) into the preview folder, then shown. Requests go to a serial queue on which
// only the newest waiting request does any work. Each request carries its own run context, so
// a preview never shares state with a batch run. GUI thread, except the queued conversion.
class PreviewController : public QObject {
  Q_OBJECT
 public:
  PreviewController(AppDelegate& delegate, BatchController& batch, QObject* parent = nullptr);
  ~PreviewController() override;

  // The preview button's action, also sent (with or without a sender) after option changes:
  // opens the window and previews the selected row while the button is on, else closes.
  void PreviewAction(QObject* sender);
  void ConvertImageForPreview(bool quiet);
  // With a sender: closes the window. Without: cancels queued and running work, clears the
  // image and switches the preview button off.
  void PreviewWindowClose(QObject* sender);
  void PreviewNextPreviousAction(int segment);  // 0 previous, 1 next
  void EnableDisablePreviewNextPreviousButton();
  void ResizePreviewWindowWithHeight(qint64 height, qint64 width);
  void togglePreviewWindow();
  void changePreviewWindowResizeFlag();
  void changePreviewActionAfterDeleteOrAdd();
  void hideToggleFullSceenButtonForPreview(bool fullScreen);

  // Cancels everything and returns when no conversion runs any more.
  void StopPreview();
  bool isIdle() const;
  bool isVisible() const;
  PreviewWindow* previewWindow() const { return previewWindow_.get(); }
  qint64 currPreviewIndex() const { return currPreviewIndex_; }
  QRect actualWindowFrame() const { return actualWindowFrame_; }
  QRect resizeWindowFrame() const { return resizeWindowFrame_; }
  bool shouldWindowResize() const { return shouldWindowResize_; }
  qint64 latestRequest() const { return latestRequest_; }
  // The screen area the window is fitted to; replaceable for tests.
  std::function<QRect()> availableArea;

 signals:
  // A conversion's result has been put on the window (also the empty image of a failure), with
  // the serial number of the request it answers.
  void previewShown(qint64 serial);

 private:
  struct Request;
  struct Result;
  void Convert(const std::shared_ptr<const Request>& request);  // on the queue's thread
  void DisplayPreviewForCurrImage(const Request& request, const Result& result);
  void setSpinning(bool on);
  qint64 entryCount() const;
  qint64 selectedRowOrFirst() const;
  qint64 positionOf(const QString& path, qint64 hint) const;

  AppDelegate& delegate_;
  BatchController& batch_;
  std::unique_ptr<PreviewWindow> previewWindow_;
  QThreadPool PreviewOperationQueue_;
  std::atomic<qint64> latestRequest_{0};
  // Replaced at every close, so that work of an earlier window is never shown in a later one.
  std::shared_ptr<std::atomic<bool>> cancelled_;
  QImage emtyImageIcon_;
  qint64 currPreviewIndex_ = 0;
  QString previewPDFfilename_;
  bool FirstPreviewImage_ = true;
  bool shouldWindowResize_ = true;
  QRect resizeWindowFrame_;
  QRect actualWindowFrame_;
  int spinning_ = 0;
};

// Gives the application its preview window and makes the preview button a toggle.
PreviewController* InstallPreview(AppDelegate& delegate, BatchController& batch);

}  // namespace glimbrik
