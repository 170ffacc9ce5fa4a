#pragma once

// The text-watermark panel of the sidebar: the preset table, the text and every style of the
// selected presets. Each control writes through the watermark editor into the selected presets;
// typed numbers pass one dispatcher that keeps them within their limits.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

#include "app/panels/color_well.h"
#include "app/panels/double_slider.h"
#include "app/panels/number_field.h"
#include "watermark/circular_slider.h"
#include "watermark/watermark_view.h"
#include "widgets/token_field.h"
#include "widgets/value_stepper.h"

namespace glimbrik {

class AppDelegate;
struct OptionPanels;

// Upper limits that the typed values are held to.
inline constexpr int64_t kMaxFontSize = 1000;
inline constexpr int64_t kMaxOpacityPercent = 100;
inline constexpr double kMaxCharSpace = 500.0;
inline constexpr int64_t kMaxAngle = 359;
inline constexpr int64_t kMaxShadowBlur = 100;
inline constexpr int64_t kMaxShadowOffset = 5000;
inline constexpr double kMaxOffsetPercent = 100.0;

class TextWatermarkPanel : public QObject {
  Q_OBJECT
 public:
  // Fills the panel's sidebar frames and installs itself as the editor's text controls.
  TextWatermarkPanel(AppDelegate& delegate, WatermarkView& view, OptionPanels& panels);

  // --- Actions of the controls (sender: the control, or null when a program sends them).
  void controlTextDidChange(QObject* field);
  void FontSizeStepperControlDidChange();
  void StrokeWidthStepperControlDidChange();
  void ShadowBlurStepperControlDidChange();
  void xOffsetStepperControlDidChange();
  void yOffsetStepperControlDidChange();
  void TextOpacityStepperControlDidChange();
  void takeTextOpacityFrom();
  void charSpacePopupButtonAction();
  void setCharSpaceStepperIncrementValue();
  void TextCharSpaceStepperControlDidChange();
  void takeRotationAngleFrom();
  void angleStepperControlDidChange();
  void xTextWatermarkOffsetStepperControlDidChange();
  void yTextWatermarkOffsetStepperControlDidChange();
  void setTextWatermarkOffsetControls();
  void textUnderlineButtonClickAction();
  void textAlignmentSegmentedControlAction(int tag);
  void textPositionRadioButtonMatrixAction(int tag);
  void ChangeCGDrawingMode();
  void DropShadowApplied();
  void ChangeSelectedFont();
  void ChangeSelectedFontStyle();
  void ShowFontPanel();

  // --- Control groups.
  void EnableDisableWatermarkControls(bool on);
  void EnableDisableShadowControl(bool on);
  void EnableDisableFillControl(bool on);
  void EnableDisableStrokeControl(bool on);
  void EnableDisableColorControl(int mode);

  // --- Fonts.
  void setFontToControls(const QFont& font);
  void setFontSizeToControl(const QFont& font);
  // The first family, in list order, whose lower-case name begins with the lower-case prefix;
  // empty when none does.
  QString firstFontMatchingPrefix(const QString& prefix) const;
  // The typed text completed to a family, or itself when none matches.
  QString completedString(const QString& typed) const;

  // The edited values into the style controls (the editor's assignTextValues; the text field
  // is filled by its own wiring).
  void AssignTextWaterMarkValuesToControl(const TextWatermarkValues& values);

  // The angle slider, set by a program without announcing it.
  static void setAngleValue(QVXCircularSlider* slider, int angle);

  // Outlets.
  QLabel* textLabelOutlet = nullptr;
  QPointer<TokenField> textTextFieldOutlet;
  QLabel* fontLabelOutlet = nullptr;
  QComboBox* fontComboBoxOutlet = nullptr;
  QLabel* fontSizeLabelOutlet = nullptr;
  QComboBox* fontStylePopupButtonOutlet = nullptr;
  ValueStepper* fontSizeStepperOutlet = nullptr;
  NumberField* fontSizeTextFieldOutlet = nullptr;
  QToolButton* showFontPanelButtonOutlet = nullptr;
  QToolButton* textUnderlineButtonOutlet = nullptr;
  QLabel* charSpaceLabelOutlet = nullptr;
  ValueStepper* charSpaceStepperOutlet = nullptr;
  NumberField* charSpaceTextFieldOutlet = nullptr;
  QComboBox* charSpacePopupButtonOutlet = nullptr;  // tags 0 none, 1 expanded, 2 condensed
  QLabel* textAlignmentLabelOutlet = nullptr;
  QButtonGroup* textAlignmentSegmentedControl = nullptr;  // ids are the alignment tags
  QLabel* textPositionLabelOutlet = nullptr;
  QButtonGroup* textPositionRadioButtonmatrixOutlet = nullptr;  // ids are the position tags
  QLabel* xTextWatermarkOffsetLabel = nullptr;
  ValueStepper* xTextWatermarkOffsetStepperOutlet = nullptr;
  NumberField* xTextWatermarkOffsetTextFieldOutlet = nullptr;
  QLabel* xTextWatermarkOffsetPercentLabel = nullptr;
  QLabel* yTextWatermarkOffsetLabel = nullptr;
  ValueStepper* yTextWatermarkOffsetStepperOutlet = nullptr;
  NumberField* yTextWatermarkOffsetTextFieldOutlet = nullptr;
  QLabel* yTextWatermarkOffsetPercentLabel = nullptr;
  QLabel* fillTypeLabel = nullptr;
  QComboBox* fillTypePopupOutlet = nullptr;  // tags 0 fill, 1 stroke, 2 both
  QLabel* fillColorLabel = nullptr;
  ColorWell* fillColorWellOutlet = nullptr;
  QLabel* strokeColorLabel = nullptr;
  ColorWell* strokeColorWellOutlet = nullptr;
  QLabel* strokeWidthLabel = nullptr;
  NumberField* strokeWidthTextFieldOutlet = nullptr;
  ValueStepper* strokeWidthStepperOutlet = nullptr;
  QLabel* opacityLabelOutlet = nullptr;
  DoubleSlider* opacitySliderOutlet = nullptr;
  ValueStepper* opacityStepperOutlet = nullptr;
  NumberField* opacityTextFieldOutlet = nullptr;
  QLabel* angleLabelOutlet = nullptr;
  QVXCircularSlider* angleSliderOutlet = nullptr;
  ValueStepper* angleStepperOutlet = nullptr;
  NumberField* angleTextFieldOutlet = nullptr;
  QCheckBox* dropShadowCheckBoxOutlet = nullptr;
  ColorWell* shadowColorWellOutlet = nullptr;
  QLabel* xOffsetLabel = nullptr;
  ValueStepper* xOffsetStepperOutlet = nullptr;
  NumberField* xOffsetTextFieldOutlet = nullptr;
  QLabel* yOffsetLabel = nullptr;
  ValueStepper* yOffsetStepperOutlet = nullptr;
  NumberField* yOffsetTextFieldOutlet = nullptr;
  QLabel* blurLabel = nullptr;
  ValueStepper* blurStepperOutlet = nullptr;
  NumberField* blurTextFieldOutlet = nullptr;
  QToolButton* textInsertTokenButtonOutlet = nullptr;

 private:
  void build(OptionPanels& panels);
  void buildTextRow(const OptionPanels& panels);
  void buildFontRows(QWidget* frame);
  void buildStyleRows(QWidget* frame);
  void buildPlacementRows(QWidget* frame);
  void buildShadowRows(QWidget* frame);
  void connectControls();
  // An integer field of a stepper group: within the limit the stepper follows, over it the
  // stepper's value comes back; the setter takes the value either way.
  void IntegerFieldDidChange(NumberField* field, ValueStepper* stepper, int64_t limit,
                             void (WatermarkView::*setter)(int64_t));
  void OffsetFieldDidChange(NumberField* field, ValueStepper* stepper,
                            void (WatermarkView::*setter)(double));
  QList<QWidget*> textControls() const;
  QList<QLabel*> textLabels() const;

  AppDelegate& delegate_;
  WatermarkView& view_;
};

}  // namespace glimbrik
