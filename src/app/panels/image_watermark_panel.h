#pragma once

// The image-watermark panel of the sidebar: the picture well, opacity, size and angle (each a
// slider, a stepper and a field kept in step), the 3 x 3 position and the offset from it. The
// controls write through the watermark editor's view, which redraws the overlay.

#include <QButtonGroup>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <functional>

#include "app/panels/double_slider.h"
#include "app/panels/number_field.h"
#include "watermark/circular_slider.h"
#include "watermark/watermark_view.h"
#include "widgets/value_stepper.h"

namespace glimbrik {

class AppDelegate;
struct OptionPanels;

// The picture well: shows the watermark picture and takes a picture file dropped on it.
class WatermarkImageWell : public QLabel {
  Q_OBJECT
 public:
  explicit WatermarkImageWell(QWidget* parent = nullptr);
  void showImage(const QImage& image);

 signals:
  void fileDropped(const QString& path);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

class ImageWatermarkPanel : public QObject {
  Q_OBJECT
 public:
  // Fills the panel's sidebar frames and installs itself as the editor's image controls.
  ImageWatermarkPanel(AppDelegate& delegate, WatermarkView& view, OptionPanels& panels);

  // --- Actions (sender: the control, or null when a program sends them; only a sender marks
  // the photo preset as changed and redraws).
  void ImageWatermarkOnOffAction(bool on);
  void EnableDisableWatermarkImageControls(bool on);
  // The window-modal open dialog for a picture.
  void AddWatermarkImage();
  // A picture file chosen in the dialog or dropped on the well; one that cannot be read is
  // refused with an alert and the well keeps its picture.
  void AddWatermarkImagePanelHandler(const QString& path, QObject* sender);
  void takeWatermarkImageOpacityFrom(QObject* sender);
  void WatermarkImageOpacityStepperControlDidChange();
  void takeWatermarkImageSizeFrom(QObject* sender);
  void WatermarkImageSizeStepperControlDidChange();
  void takeImageAngleFrom(QObject* sender);
  void ImageAngleStepperControlDidChange();
  void imagePositionRadioButtonMatrixAction(int tag, QObject* sender);
  void setImageWatermarkOffsetControls();
  void xImageWatermarkOffsetStepperControlDidChange();
  void yImageWatermarkOffsetStepperControlDidChange();
  // A number typed into one of the fields; ended: the edit is over.
  void controlTextDidChange(NumberField* field, bool ended = false);
  // The image model into the controls (the editor's assignImageValues).
  void AssignImageWaterMarkValuesToControl(const ImageWatermarkValues& values);

  // Shows a refusal; the application's alert sheet unless replaced.
  std::function<void(const QString& title, const QString& message)> showAlert;

  // Outlets.
  WatermarkImageWell* WaterMarkImageView = nullptr;
  QPushButton* AddButtonOutlet = nullptr;
  QLabel* WatermarkImageOpacityTextLabel = nullptr;
  DoubleSlider* WatermarkImageOpacitySliderOutlet = nullptr;
  ValueStepper* WatermarkImageOpacityStepperOutlet = nullptr;
  NumberField* WatermarkImageOpacityTextFieldOutlet = nullptr;
  QLabel* WatermarkImageSizeTextLabel = nullptr;
  DoubleSlider* WatermarkImageSizeSliderOutlet = nullptr;
  ValueStepper* WatermarkImageSizeStepperOutlet = nullptr;
  NumberField* WatermarkImageSizeTextFieldOutlet = nullptr;
  QLabel* imageAngleLabelOutlet = nullptr;
  QVXCircularSlider* imageAngleSliderOutlet = nullptr;
  ValueStepper* imageAngleStepperOutlet = nullptr;
  NumberField* imageAngleTextFieldOutlet = nullptr;
  QLabel* imagePositionLabelOutlet = nullptr;
  QButtonGroup* imagePositionRadioButtonmatrixOutlet = nullptr;  // ids are the position tags
  QLabel* xImageWatermarkOffsetLabel = nullptr;
  ValueStepper* xImageWatermarkOffsetStepperOutlet = nullptr;
  NumberField* xImageWatermarkOffsetTextFieldOutlet = nullptr;
  QLabel* xImageWatermarkOffsetPercentLabel = nullptr;
  QLabel* yImageWatermarkOffsetLabel = nullptr;
  ValueStepper* yImageWatermarkOffsetStepperOutlet = nullptr;
  NumberField* yImageWatermarkOffsetTextFieldOutlet = nullptr;
  QLabel* yImageWatermarkOffsetPercentLabel = nullptr;

 private:
  void build(OptionPanels& panels);
  void connectControls();
  void changed(QObject* sender);
  void percentFieldDidChange(NumberField* field, ValueStepper* stepper, DoubleSlider* slider,
                             int minimum, void (WatermarkView::*setter)(double), bool ended);
  void offsetFieldDidChange(NumberField* field, ValueStepper* stepper,
                            void (WatermarkView::*setter)(double));

  AppDelegate& delegate_;
  WatermarkView& view_;
};

}  // namespace glimbrik
