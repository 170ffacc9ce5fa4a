#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <cmath>

#include "app/delegate/app_delegate.h"
#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"
#include "app/panels/text_watermark_panel.h"
#include "platform/store/keyed_archive.h"
#include "platform/system/font_members.h"

namespace glimbrik {

namespace {

void ShowInteger(NumberField* field, ValueStepper* stepper, int64_t value) {
  field->setText(QString::number(value));
  stepper->setDoubleValue(static_cast<double>(value));
}

}  // namespace

void TextWatermarkPanel::setAngleValue(QVXCircularSlider* slider, int angle) {
  const QSignalBlocker blocker(slider);
  slider->setAngleValue(angle);
}

// --- Typed values.

void TextWatermarkPanel::IntegerFieldDidChange(NumberField* field, ValueStepper* stepper,
                                               int64_t limit,
                                               void (WatermarkView::*setter)(int64_t)) {
  int64_t value = field->integerValue();
  if (value <= limit) {
    stepper->setDoubleValue(static_cast<double>(value));
  } else {
    value = stepper->integerValue();
    field->setText(QString::number(value));
  }
  (view_.*setter)(value);
}

void TextWatermarkPanel::OffsetFieldDidChange(NumberField* field, ValueStepper* stepper,
                                              void (WatermarkView::*setter)(double)) {
  double value = field->doubleValue();
  if (value <= kMaxOffsetPercent) {
    stepper->setDoubleValue(WatermarkOffsetText(value).toDouble());
  } else {
    value = stepper->doubleValue();
    field->setText(WatermarkOffsetText(value));
  }
  (view_.*setter)(value);
}

void TextWatermarkPanel::controlTextDidChange(QObject* object) {
  auto* field = qobject_cast<NumberField*>(object);
  // An emptied field changes nothing until a number is typed.
  if (!field || field->text().isEmpty()) return;
  if (field == fontSizeTextFieldOutlet) {
    IntegerFieldDidChange(field, fontSizeStepperOutlet, kMaxFontSize, &WatermarkView::setFontSize);
  } else if (field == strokeWidthTextFieldOutlet) {
    IntegerFieldDidChange(field, strokeWidthStepperOutlet, view_.model().textFontSize(),
                          &WatermarkView::setTextStrokeWidth);
  } else if (field == opacityTextFieldOutlet) {
    const int64_t value = field->integerValue();
    if (value <= kMaxOpacityPercent) {
      opacitySliderOutlet->setDoubleValue(value / 100.0);
      opacityStepperOutlet->setDoubleValue(static_cast<double>(value));
      view_.setTextOpacityValue(value / 100.0);
    } else {
      field->setText(QString::number(opacityStepperOutlet->integerValue()));
      opacitySliderOutlet->setDoubleValue(
          static_cast<float>(opacityStepperOutlet->doubleValue() / 100.0));
      view_.setTextOpacityValue(static_cast<float>(opacitySliderOutlet->doubleValue()));
    }
  } else if (field == charSpaceTextFieldOutlet) {
    double value = field->doubleValue();
    if (value <= kMaxCharSpace) {
      charSpaceStepperOutlet->setDoubleValue(value);
    } else {
      value = charSpaceStepperOutlet->doubleValue();
      field->setText(charSpaceStepperOutlet->stringValue());
    }
    view_.setTextCharSpaceValue(value);
    if (SelectedTag(charSpacePopupButtonOutlet) == 0) {
      SelectItemWithTag(charSpacePopupButtonOutlet, 1);
      view_.model().setSpacingType(1);
      setCharSpaceStepperIncrementValue();
    }
  } else if (field == angleTextFieldOutlet) {
    const int64_t value = field->integerValue();
    if (value <= kMaxAngle) {
      setAngleValue(angleSliderOutlet, static_cast<int>(value));
      angleStepperOutlet->setDoubleValue(static_cast<double>(value));
      view_.setRotationAngle(value);
    } else {
      view_.setRotationAngle(angleSliderOutlet->getAngleValue());
      ShowInteger(field, angleStepperOutlet, view_.model().textRotationAngle());
    }
  } else if (field == blurTextFieldOutlet) {
    IntegerFieldDidChange(field, blurStepperOutlet, kMaxShadowBlur,
                          &WatermarkView::setTextShadowBlur);
  } else if (field == xOffsetTextFieldOutlet) {
    IntegerFieldDidChange(field, xOffsetStepperOutlet, kMaxShadowOffset,
                          &WatermarkView::setShadowXOffset);
  } else if (field == yOffsetTextFieldOutlet) {
    IntegerFieldDidChange(field, yOffsetStepperOutlet, kMaxShadowOffset,
                          &WatermarkView::setShadowYOffset);
  } else if (field == xTextWatermarkOffsetTextFieldOutlet) {
    OffsetFieldDidChange(field, xTextWatermarkOffsetStepperOutlet,
                         &WatermarkView::setTextWatermarkXOffset);
  } else if (field == yTextWatermarkOffsetTextFieldOutlet) {
    OffsetFieldDidChange(field, yTextWatermarkOffsetStepperOutlet,
                         &WatermarkView::setTextWatermarkYOffset);
  }
}

// --- Steppers, sliders and buttons.

void TextWatermarkPanel::FontSizeStepperControlDidChange() {
  fontSizeTextFieldOutlet->setText(QString::number(fontSizeStepperOutlet->integerValue()));
  view_.setFontSize(fontSizeStepperOutlet->integerValue());
}

void TextWatermarkPanel::StrokeWidthStepperControlDidChange() {
  strokeWidthTextFieldOutlet->setText(QString::number(strokeWidthStepperOutlet->integerValue()));
  view_.setTextStrokeWidth(strokeWidthStepperOutlet->integerValue());
}

void TextWatermarkPanel::ShadowBlurStepperControlDidChange() {
  blurTextFieldOutlet->setText(QString::number(blurStepperOutlet->integerValue()));
  view_.setTextShadowBlur(blurStepperOutlet->integerValue());
}

void TextWatermarkPanel::xOffsetStepperControlDidChange() {
  xOffsetTextFieldOutlet->setText(QString::number(xOffsetStepperOutlet->integerValue()));
  view_.setShadowXOffset(xOffsetStepperOutlet->integerValue());
}

void TextWatermarkPanel::yOffsetStepperControlDidChange() {
  yOffsetTextFieldOutlet->setText(QString::number(yOffsetStepperOutlet->integerValue()));
  view_.setShadowYOffset(yOffsetStepperOutlet->integerValue());
}

void TextWatermarkPanel::TextOpacityStepperControlDidChange() {
  opacityTextFieldOutlet->setText(QString::number(opacityStepperOutlet->integerValue()));
  opacitySliderOutlet->setDoubleValue(static_cast<float>(opacityStepperOutlet->doubleValue()) /
                                      100.0f);
  view_.setTextOpacityValue(static_cast<float>(opacitySliderOutlet->doubleValue()));
}

void TextWatermarkPanel::takeTextOpacityFrom() {
  const double opacity = static_cast<float>(opacitySliderOutlet->doubleValue());
  const int64_t percent = static_cast<int64_t>(opacity * 100.0);
  opacityTextFieldOutlet->setText(QString::number(percent));
  opacityStepperOutlet->setDoubleValue(static_cast<double>(percent));
  view_.setTextOpacityValue(opacity);
}

void TextWatermarkPanel::charSpacePopupButtonAction() {
  const int type = SelectedTag(charSpacePopupButtonOutlet);
  view_.model().setSpacingType(type);
  if (type != 0) {
    view_.setTextCharSpaceValue(charSpaceStepperOutlet->doubleValue());
  } else {
    charSpaceStepperOutlet->setDoubleValue(0.0);
    view_.setTextCharSpaceValue(0.0);
  }
  setCharSpaceStepperIncrementValue();
}

void TextWatermarkPanel::setCharSpaceStepperIncrementValue() {
  charSpaceTextFieldOutlet->setText(charSpaceStepperOutlet->stringValue());
  const bool large = charSpaceStepperOutlet->doubleValue() >= 100.0;
  switch (view_.model().SpacingType()) {
    case 0:
      charSpaceTextFieldOutlet->clear();
      charSpaceStepperOutlet->setIncrement(0.1);
      break;
    case 1:
      charSpaceStepperOutlet->setIncrement(large ? 1.0 : 0.1);
      break;
    case 2:
      // The up arrow moves condensed spacing towards 0, the down arrow away from it.
      charSpaceStepperOutlet->setIncrement(large ? -1.0 : -0.1);
      break;
    default:
      break;
  }
}

void TextWatermarkPanel::TextCharSpaceStepperControlDidChange() {
  const double v = QString::asprintf("%.1f", charSpaceStepperOutlet->doubleValue()).toDouble();
  const double current = view_.model().textCharSpace();
  if (v == 0.0) {
    SelectItemWithTag(charSpacePopupButtonOutlet, 0);
  } else if (v < 0.0 && current == 0.0) {
    // Stepping down from no spacing: condensed, the stepper showing the magnitude.
    charSpaceStepperOutlet->setDoubleValue(-v);
    SelectItemWithTag(charSpacePopupButtonOutlet, 2);
  } else {
    charSpaceStepperOutlet->setDoubleValue(v);
    if (v > 0.0 && current == 0.0) SelectItemWithTag(charSpacePopupButtonOutlet, 1);
  }
  charSpacePopupButtonAction();
}

void TextWatermarkPanel::takeRotationAngleFrom() {
  view_.setRotationAngle(angleSliderOutlet->getAngleValue());
  ShowInteger(angleTextFieldOutlet, angleStepperOutlet, view_.model().textRotationAngle());
}

void TextWatermarkPanel::angleStepperControlDidChange() {
  const int64_t angle = angleStepperOutlet->integerValue();
  angleTextFieldOutlet->setText(QString::number(angle));
  setAngleValue(angleSliderOutlet, static_cast<int>(angle));
  view_.setRotationAngle(angle);
}

void TextWatermarkPanel::xTextWatermarkOffsetStepperControlDidChange() {
  const QString text = WatermarkOffsetText(xTextWatermarkOffsetStepperOutlet->doubleValue());
  xTextWatermarkOffsetTextFieldOutlet->setText(text);
  view_.setTextWatermarkXOffset(text.toDouble());
  delegate_.changeGlobalPresetOption(xTextWatermarkOffsetStepperOutlet);
}

void TextWatermarkPanel::yTextWatermarkOffsetStepperControlDidChange() {
  const QString text = WatermarkOffsetText(yTextWatermarkOffsetStepperOutlet->doubleValue());
  yTextWatermarkOffsetTextFieldOutlet->setText(text);
  view_.setTextWatermarkYOffset(text.toDouble());
  delegate_.changeGlobalPresetOption(yTextWatermarkOffsetStepperOutlet);
}

void TextWatermarkPanel::setTextWatermarkOffsetControls() {
  const QPointF percent = view_.textWatermarkOffsetPercent();
  xTextWatermarkOffsetTextFieldOutlet->setText(WatermarkOffsetText(percent.x()));
  yTextWatermarkOffsetTextFieldOutlet->setText(WatermarkOffsetText(percent.y()));
  xTextWatermarkOffsetStepperOutlet->setDoubleValue(percent.x());
  yTextWatermarkOffsetStepperOutlet->setDoubleValue(percent.y());
}

void TextWatermarkPanel::textUnderlineButtonClickAction() {
  view_.setTextUnderlineValue(textUnderlineButtonOutlet->isChecked());
}

void TextWatermarkPanel::textAlignmentSegmentedControlAction(int tag) {
  view_.setTextAlignmentValue(tag);
}

void TextWatermarkPanel::textPositionRadioButtonMatrixAction(int tag) {
  view_.setTextPositionValue(tag);
  setTextWatermarkOffsetControls();
}

void TextWatermarkPanel::ChangeCGDrawingMode() {
  EnableDisableColorControl(view_.setDrawingModeValue(SelectedTag(fillTypePopupOutlet)));
}

void TextWatermarkPanel::DropShadowApplied() {
  const bool on = dropShadowCheckBoxOutlet->isChecked();
  view_.setDropShadowValue(on);
  EnableDisableShadowControl(on);
}

// --- Control groups.

QList<QWidget*> TextWatermarkPanel::textControls() const {
  QList<QWidget*> controls = {textLabelOutlet,
                              textTextFieldOutlet.data(),
                              textInsertTokenButtonOutlet,
                              fontLabelOutlet,
                              fontComboBoxOutlet,
                              fontStylePopupButtonOutlet,
                              fontSizeLabelOutlet,
                              fontSizeTextFieldOutlet,
                              fontSizeStepperOutlet,
                              showFontPanelButtonOutlet,
                              fillTypeLabel,
                              fillTypePopupOutlet,
                              fillColorLabel,
                              fillColorWellOutlet,
                              opacityLabelOutlet,
                              opacitySliderOutlet,
                              opacityStepperOutlet,
                              opacityTextFieldOutlet,
                              charSpaceLabelOutlet,
                              charSpaceStepperOutlet,
                              charSpaceTextFieldOutlet,
                              charSpacePopupButtonOutlet,
                              textUnderlineButtonOutlet,
                              textAlignmentLabelOutlet,
                              textPositionLabelOutlet,
                              angleLabelOutlet,
                              angleSliderOutlet,
                              angleStepperOutlet,
                              angleTextFieldOutlet,
                              dropShadowCheckBoxOutlet,
                              xTextWatermarkOffsetLabel,
                              xTextWatermarkOffsetTextFieldOutlet,
                              xTextWatermarkOffsetPercentLabel,
                              xTextWatermarkOffsetStepperOutlet,
                              yTextWatermarkOffsetLabel,
                              yTextWatermarkOffsetTextFieldOutlet,
                              yTextWatermarkOffsetPercentLabel,
                              yTextWatermarkOffsetStepperOutlet};
  for (QAbstractButton* b : textAlignmentSegmentedControl->buttons()) controls << b;
  for (QAbstractButton* b : textPositionRadioButtonmatrixOutlet->buttons()) controls << b;
  return controls;
}

QList<QLabel*> TextWatermarkPanel::textLabels() const {
  return {textLabelOutlet,
          fontLabelOutlet,
          fontSizeLabelOutlet,
          fillTypeLabel,
          fillColorLabel,
          opacityLabelOutlet,
          charSpaceLabelOutlet,
          textAlignmentLabelOutlet,
          textPositionLabelOutlet,
          angleLabelOutlet,
          xTextWatermarkOffsetLabel,
          xTextWatermarkOffsetPercentLabel,
          yTextWatermarkOffsetLabel,
          yTextWatermarkOffsetPercentLabel};
}

void TextWatermarkPanel::EnableDisableWatermarkControls(bool on) {
  if (QTableView* table = view_.waterMarkTableOutlet()) table->setEnabled(on);
  view_.EnableDisablePresetButtons(on);
  for (QWidget* control : textControls()) {
    if (control) control->setEnabled(on);
  }
  if (on) {
    EnableDisableColorControl(view_.model().drawingMode());
    EnableDisableShadowControl(view_.model().isDropShadowApplied());
  } else {
    EnableDisableStrokeControl(false);
    EnableDisableShadowControl(false);
  }
  for (QLabel* label : textLabels()) {
    if (label) SetLabelEnabled(label, on);
  }
}

void TextWatermarkPanel::EnableDisableShadowControl(bool on) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           shadowColorWellOutlet, xOffsetStepperOutlet, xOffsetTextFieldOutlet,
           yOffsetStepperOutlet, yOffsetTextFieldOutlet, blurStepperOutlet, blurTextFieldOutlet}) {
    control->setEnabled(on);
  }
  for (QLabel* label : {xOffsetLabel, yOffsetLabel, blurLabel}) SetLabelEnabled(label, on);
}

void TextWatermarkPanel::EnableDisableFillControl(bool on) {
  fillColorWellOutlet->setEnabled(on);
  SetLabelEnabled(fillColorLabel, on);
}

void TextWatermarkPanel::EnableDisableStrokeControl(bool on) {
  strokeColorWellOutlet->setEnabled(on);
  strokeWidthTextFieldOutlet->setEnabled(on);
  strokeWidthStepperOutlet->setEnabled(on);
  SetLabelEnabled(strokeColorLabel, on);
  SetLabelEnabled(strokeWidthLabel, on);
}

void TextWatermarkPanel::EnableDisableColorControl(int mode) {
  switch (mode) {
    case 0:
      EnableDisableFillControl(true);
      EnableDisableStrokeControl(false);
      break;
    case 1:
      EnableDisableFillControl(false);
      EnableDisableStrokeControl(true);
      break;
    case 2:
      EnableDisableFillControl(true);
      EnableDisableStrokeControl(true);
      break;
    default:
      break;
  }
}

// --- Fonts.

void TextWatermarkPanel::ChangeSelectedFont() {
  const QString family = fontComboBoxOutlet->currentText();
  fontStylePopupButtonOutlet->clear();
  const std::vector<FontFamilyMember> members = AvailableMembersOfFontFamily(family);
  if (members.empty()) return;
  for (const FontFamilyMember& member : members)
    fontStylePopupButtonOutlet->addItem(member.faceName);
  fontStylePopupButtonOutlet->setCurrentIndex(0);
  view_.ChangeSelectedFont(family);
}

void TextWatermarkPanel::ChangeSelectedFontStyle() {
  view_.ChangeSelectedFontStyle(fontComboBoxOutlet->currentText(),
                                fontStylePopupButtonOutlet->currentText());
}

void TextWatermarkPanel::ShowFontPanel() {
  if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
  auto* dialog = delegate_.window()->findChild<QFontDialog*>(QStringLiteral("fontPanel"));
  if (!dialog) {
    dialog = new QFontDialog(delegate_.window());
    dialog->setObjectName(QStringLiteral("fontPanel"));
    dialog->setOption(QFontDialog::NoButtons);
    dialog->setModal(false);
    connect(dialog, &QFontDialog::currentFontChanged, &delegate_, &AppDelegate::changeFont);
  }
  {
    const QSignalBlocker blocker(dialog);
    dialog->setCurrentFont(view_.GetCurrentFont());
  }
  dialog->show();
  dialog->raise();
}

void TextWatermarkPanel::setFontToControls(const QFont& font) {
  QString family = font.family();
  if (family.isEmpty()) return;
  // A name Qt knows but the list does not, a generic alias or a family with its foundry, shows
  // the family fontconfig draws it with.
  if (!view_.fontFamilyArray.contains(family) &&
      (QFontDatabase::hasFamily(family) || QFontDatabase::families().contains(family)))
    family = FontFamilyName(font);
  const qsizetype index = view_.fontFamilyArray.indexOf(family);
  fontComboBoxOutlet->setCurrentIndex(index >= 0 ? static_cast<int>(index) : 0);
  fontStylePopupButtonOutlet->clear();
  const std::vector<FontFamilyMember> members =
      AvailableMembersOfFontFamily(fontComboBoxOutlet->currentText());
  const QString postScriptName = FontPostScriptName(font);
  int selected = 0;
  for (size_t i = 0; i < members.size(); ++i) {
    fontStylePopupButtonOutlet->addItem(members[i].faceName);
    if (!postScriptName.isEmpty() && members[i].postScriptName == postScriptName)
      selected = static_cast<int>(i);
  }
  if (!members.empty()) fontStylePopupButtonOutlet->setCurrentIndex(selected);
}

void TextWatermarkPanel::setFontSizeToControl(const QFont& font) {
  const auto size = static_cast<int64_t>(font.pointSizeF());
  if (size < 1) return;
  view_.setFontSize(size);
  ShowInteger(fontSizeTextFieldOutlet, fontSizeStepperOutlet, size);
}

QString TextWatermarkPanel::firstFontMatchingPrefix(const QString& prefix) const {
  const QString lower = prefix.toLower();
  for (const QString& family : view_.fontFamilyArray) {
    if (family.toLower().startsWith(lower)) return family;
  }
  return QString();
}

QString TextWatermarkPanel::completedString(const QString& typed) const {
  const QString match = firstFontMatchingPrefix(typed);
  return match.isEmpty() ? typed : match;
}

// --- Values into the controls.

void TextWatermarkPanel::AssignTextWaterMarkValuesToControl(const TextWatermarkValues& v) {
  setFontToControls(v.textFont);
  ShowInteger(fontSizeTextFieldOutlet, fontSizeStepperOutlet, v.textFontSize);
  const auto percent = static_cast<int64_t>(std::lround(v.textOpacity * 100.0));
  opacityTextFieldOutlet->setText(QString::asprintf("%ld", static_cast<long>(percent)));
  opacitySliderOutlet->setDoubleValue(v.textOpacity);
  opacityStepperOutlet->setDoubleValue(static_cast<double>(percent));
  const int type = v.textCharSpace < 0 ? 2 : v.textCharSpace > 0 ? 1 : 0;
  view_.model().setSpacingType(type);
  SelectItemWithTag(charSpacePopupButtonOutlet, type);
  charSpaceStepperOutlet->setDoubleValue(std::fabs(v.textCharSpace));
  setCharSpaceStepperIncrementValue();
  textUnderlineButtonOutlet->setChecked(v.textUnderline != 0);
  if (QAbstractButton* segment = textAlignmentSegmentedControl->button(v.textAlignment))
    segment->setChecked(true);
  if (QAbstractButton* cell = textPositionRadioButtonmatrixOutlet->button(v.textPosition))
    cell->setChecked(true);
  setTextWatermarkOffsetControls();
  angleTextFieldOutlet->setText(QString::number(v.textRotationAngle));
  setAngleValue(angleSliderOutlet, static_cast<int>(v.textRotationAngle));
  angleStepperOutlet->setDoubleValue(static_cast<double>(v.textRotationAngle));
  dropShadowCheckBoxOutlet->setChecked(v.isDropShadowApplied);
  fillTypePopupOutlet->setCurrentIndex(
      v.drawingMode >= 0 && v.drawingMode < fillTypePopupOutlet->count() ? v.drawingMode : 0);
  ShowInteger(strokeWidthTextFieldOutlet, strokeWidthStepperOutlet, v.strokeWidth);
  ShowInteger(blurTextFieldOutlet, blurStepperOutlet, v.shadowBlur);
  ShowInteger(xOffsetTextFieldOutlet, xOffsetStepperOutlet, v.xOffset);
  ShowInteger(yOffsetTextFieldOutlet, yOffsetStepperOutlet, v.yOffset);
  EnableDisableShadowControl(v.isDropShadowApplied);
  EnableDisableColorControl(v.drawingMode);
  fillColorWellOutlet->setColor(v.textFontColor);
  strokeColorWellOutlet->setColor(v.textFontStrokeColor);
  shadowColorWellOutlet->setColor(v.textShadowColor);
}

}  // namespace glimbrik
