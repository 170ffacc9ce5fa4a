#include "app/preview/preview_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QSizeGrip>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include "app/panels/panel_widgets.h"
#include "app/preview/preview_fit.h"

namespace glimbrik {
namespace {

constexpr int kBarHeight = kPreviewTitleAllowance - 10;
constexpr int kMargin = kPreviewSideAllowance / 2;

QToolButton* SmallButton(const char* name, const QString& toolTip) {
  auto* button = Named(new QToolButton, name);
  button->setToolTip(toolTip);
  button->setAutoRaise(true);
  button->setIconSize(QSize(12, 12));
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

PreviewView::PreviewView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("previewView"));
}

void PreviewView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(rect(), Qt::transparent);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  QPainterPath rounded;
  rounded.addRoundedRect(QRectF(rect()), 5, 5);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, QColor::fromRgbF(0.9f, 0.9f, 0.9f, 0.95f));
  gradient.setColorAt(1, QColor::fromRgbF(0.9f, 0.9f, 0.9f, 0.7f));
  painter.fillPath(rounded, gradient);
}

PreviewImageView::PreviewImageView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("previewImageView"));
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void PreviewImageView::setImage(const QImage& image) {
  image_ = image;
  update();
}

void PreviewImageView::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QSizeF size = image_.size();
  if (size.width() > width() || size.height() > height()) {
    size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
  }
  const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                      size.height());
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_);
}

QVXButtonCell::QVXButtonCell(const QString& title, QWidget* parent) : QPushButton(title, parent) {
  setCheckable(true);
  setFlat(true);
  setFocusPolicy(Qt::NoFocus);
  restyle();
  connect(this, &QPushButton::toggled, this, &QVXButtonCell::restyle);
}

QColor QVXButtonCell::stateColour() const {
  if (!isChecked()) return QColor::fromRgbF(0.75f, 0.75f, 0.75f);
  return isEnabled() ? QColor(10, 95, 255) : QColor(112, 155, 235);
}

void QVXButtonCell::restyle() {
  QFont f = QGuiApplication::font();
  f.setPointSizeF(f.pointSizeF() * 0.85);
  f.setBold(isChecked());
  setFont(f);
  QPalette p = QGuiApplication::palette();
  if (isChecked()) p.setColor(QPalette::ButtonText, stateColour());
  setPalette(p);
}

void QVXButtonCell::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) restyle();
}

void QVXButtonCell::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(stateColour(), 4));
  const int side = std::min(width(), height());
  const QRectF square((width() - side) / 2.0, 0, side, side);
  painter.drawRect(square.adjusted(2, 2, -2, -2));
}

PreviewWindow::PreviewWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("previewWindow"));
  setAttribute(Qt::WA_TranslucentBackground);
  // The main window alone decides when the application ends.
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowTitle(QStringLiteral("Preview"));
  setMinimumSize(360, 200);

  view = new PreviewView(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(view);

  closeButton = SmallButton("previewCloseButton", QStringLiteral("Close"));
  spinProgressIndicator = Named(new QProgressBar, "spinProgressIndicator");
  spinProgressIndicator->setRange(0, 0);
  spinProgressIndicator->setTextVisible(false);
  spinProgressIndicator->setFixedSize(48, 8);
  spinProgressIndicator->hide();
  PreviewStringStaticText = Named(new PreviewLineLabel, "PreviewStringStaticText");
  PreviewStringStaticText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  previewNextPreviousButton = Named(new QWidget, "previewNextPreviousButton");
  previousSegment = SmallButton("previewPreviousSegment", QStringLiteral("Previous"));
  nextSegment = SmallButton("previewNextSegment", QStringLiteral("Next"));
  previousSegment->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
  nextSegment->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  auto* segments = new QHBoxLayout(previewNextPreviousButton);
  segments->setContentsMargins(0, 0, 0, 0);
  segments->setSpacing(0);
  segments->addWidget(previousSegment);
  segments->addWidget(nextSegment);
  frameToggleButton = Named(new QVXButtonCell(QStringLiteral("Fit")), "frameToggleButton");
  frameToggleButton->setFixedSize(34, 26);
  frameToggleButton->setToolTip(QStringLiteral("Fit the window to the image"));
  fullScreenPreviewToggleButton =
      SmallButton("fullScreenPreviewToggleButton", QStringLiteral("Full Screen"));

  auto* bar = new QWidget;
  bar->setFixedHeight(kBarHeight);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(closeButton);
  row->addWidget(spinProgressIndicator);
  row->addWidget(PreviewStringStaticText, 1);
  row->addWidget(previewNextPreviousButton);
  row->addWidget(frameToggleButton);
  row->addWidget(fullScreenPreviewToggleButton);

  previewImageView = new PreviewImageView;
  auto* column = new QVBoxLayout(view);
  column->setContentsMargins(kMargin, 0, kMargin, kMargin);
  column->setSpacing(0);
  column->addWidget(bar);
  column->addWidget(previewImageView, 1);

  sizeGrip = new QSizeGrip(this);
  sizeGrip->setObjectName(QStringLiteral("previewSizeGrip"));
  sizeGrip->installEventFilter(this);
  resize(550 + kPreviewSideAllowance, 550 + kPreviewTitleAllowance);
}

int PreviewWindow::animationResizeTime() const { return 100; }

void PreviewWindow::setFrame(const QRect& frame, bool animate) {
  userResizing_ = false;
  if (animation_) animation_->stop();
  if (!animate || !isVisible()) {
    setGeometry(frame);
    return;
  }
  animation_ = new QPropertyAnimation(this, "geometry", this);
  animation_->setDuration(animationResizeTime());
  animation_->setStartValue(geometry());
  animation_->setEndValue(frame);
  animation_->start(QAbstractAnimation::DeleteWhenStopped);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (windowWillClose) windowWillClose();
}

void PreviewWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  initialLocation = event->position();
  // Wayland lets no window place itself: the compositor moves it instead.
  systemMoving_ = QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
                  windowHandle() && windowHandle()->startSystemMove();
  event->accept();
}

void PreviewWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || systemMoving_ || isFullScreen()) return;
  QPoint origin = pos() + (event->position() - initialLocation).toPoint();
  const QRect area = visibleArea ? visibleArea() : QRect();
  if (!area.isEmpty()) origin.setY(std::max(origin.y(), area.top()));
  move(origin);
  event->accept();
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  sizeGrip->adjustSize();
  sizeGrip->move(width() - sizeGrip->width(), height() - sizeGrip->height());
  sizeGrip->raise();
  if (userResizing_ && isVisible() && !isFullScreen() && windowWillResize) windowWillResize();
}

void PreviewWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && windowFullScreenChanged) {
    windowFullScreenChanged(isFullScreen());
  }
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == sizeGrip && event->type() == QEvent::MouseButtonPress) userResizing_ = true;
  return QWidget::eventFilter(watched, event);
}

}  // namespace glimbrik
