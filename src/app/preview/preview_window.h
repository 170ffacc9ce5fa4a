#pragma once

#include <QImage>
#include <QLabel>
#include <QPointF>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <functional>

#include "app/preview/preview_line.h"

class QPropertyAnimation;
class QSizeGrip;

namespace glimbrik {

// The preview window's background: a light, slightly translucent panel with rounded corners.
class PreviewView : public QWidget {
 public:
  explicit PreviewView(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Shows one image, shrunk to fit and centred; never enlarged.
class PreviewImageView : public QWidget {
 public:
  explicit PreviewImageView(QWidget* parent = nullptr);
  void setImage(const QImage& image);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

// A toggle button whose state is drawn as a coloured square and a bold title when on.
class QVXButtonCell : public QPushButton {
 public:
  explicit QVXButtonCell(const QString& title, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QColor stateColour() const;
  void restyle();
};

// A borderless, resizable window that the user moves by dragging its background. It only lays
// out its controls and reports what happens to it; the preview controller decides.
class PreviewWindow : public QWidget {
  Q_OBJECT
 public:
  PreviewWindow();

  QPointF initialLocation;  // where a drag started, in window coordinates

  PreviewView* view = nullptr;
  PreviewImageView* previewImageView = nullptr;
  PreviewLineLabel* PreviewStringStaticText = nullptr;
  QWidget* previewNextPreviousButton = nullptr;  // segment 0 previous, segment 1 next
  QToolButton* previousSegment = nullptr;
  QToolButton* nextSegment = nullptr;
  QProgressBar* spinProgressIndicator = nullptr;
  QToolButton* fullScreenPreviewToggleButton = nullptr;
  QVXButtonCell* frameToggleButton = nullptr;  // on: the window follows the image's size
  QToolButton* closeButton = nullptr;
  QSizeGrip* sizeGrip = nullptr;

  std::function<void()> windowWillClose;
  std::function<void()> windowWillResize;  // the user resized the window
  std::function<void(bool fullScreen)> windowFullScreenChanged;
  // The area the window keeps its top edge in while dragged; empty for none.
  std::function<QRect()> visibleArea;

  // Moves and resizes the window; with animate, over animationResizeTime().
  void setFrame(const QRect& frame, bool animate);
  int animationResizeTime() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QPropertyAnimation> animation_;
  // Set by a press on the size grip: resizes from then until the next programmatic frame are
  // the user's (a window manager may carry out the drag without further events on the grip).
  bool userResizing_ = false;
  bool systemMoving_ = false;
};

}  // namespace glimbrik
