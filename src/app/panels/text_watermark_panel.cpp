#include "app/panels/text_watermark_panel.h"

#include <QBoxLayout>
#include <QCompleter>
#include <QGridLayout>
#include <QRadioButton>

#include "app/delegate/app_delegate.h"
#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {

namespace {

NumberField* Field(NumberFieldKind kind, const char* name, int width = 52) {
  auto* field = Named(new NumberField(kind), name);
  field->setFixedWidth(width);
  field->setAlignment(Qt::AlignRight);
  return field;
}

ValueStepper* Stepper(double minimum, double maximum, const char* name, double increment = 1.0) {
  return Named(new ValueStepper(minimum, maximum, increment), name);
}

QGridLayout* GridIn(QWidget* frame) {
  auto* grid = new QGridLayout;
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  static_cast<QBoxLayout*>(frame->layout())->addLayout(grid);
  return grid;
}

// A field with its stepper and an optional unit, as one cell of a grid.
QHBoxLayout* FieldGroup(NumberField* field, ValueStepper* stepper, QLabel* unit = nullptr) {
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  row->addWidget(field);
  row->addWidget(stepper);
  if (unit) row->addWidget(unit);
  row->addStretch(1);
  return row;
}

}  // namespace

TextWatermarkPanel::TextWatermarkPanel(AppDelegate& delegate, WatermarkView& view,
                                       OptionPanels& panels)
    : QObject(&delegate), delegate_(delegate), view_(view) {
  setObjectName(QStringLiteral("textWatermarkPanel"));
  build(panels);
  connectControls();
  view_.controls.assignTextValues = [this](const TextWatermarkValues& values) {
    AssignTextWaterMarkValuesToControl(values);
  };
  view_.controls.textFieldTokens = [this] {
    return textTextFieldOutlet ? textTextFieldOutlet->tokens() : view_.model().textStringTokens();
  };
  // A drag on the overlay moved the edited preset.
  view_.controls.showTextPlacement = [this] {
    if (QAbstractButton* cell =
            textPositionRadioButtonmatrixOutlet->button(view_.model().textPosition())) {
      cell->setChecked(true);
    }
    setTextWatermarkOffsetControls();
  };
}

void TextWatermarkPanel::build(OptionPanels& panels) {
  QWidget* presets = view_.MakePresetTableControls();
  static_cast<QBoxLayout*>(panels.TextWatermarkViews[0]->layout())->insertWidget(0, presets);
  buildTextRow(panels);
  buildFontRows(panels.TextWatermarkViews[1]);
  buildStyleRows(panels.TextWatermarkViews[2]);
  buildPlacementRows(panels.TextWatermarkViews[3]);
  buildShadowRows(panels.TextWatermarkViews[4]);
}

void TextWatermarkPanel::buildTextRow(const OptionPanels& panels) {
  // The text row comes with the option panels, which wire its token field themselves.
  textLabelOutlet = panels.textLabelOutlet;
  textTextFieldOutlet = panels.textTextFieldOutlet;
  textInsertTokenButtonOutlet = panels.textInsertTokenButtonOutlet;
}

void TextWatermarkPanel::buildFontRows(QWidget* frame) {
  QGridLayout* grid = GridIn(frame);
  fontLabelOutlet = NewLabel("fontLabelOutlet", QStringLiteral("Font:"));
  fontComboBoxOutlet = Named(new QComboBox, "fontComboBoxOutlet");
  fontComboBoxOutlet->setEditable(true);
  fontComboBoxOutlet->setInsertPolicy(QComboBox::NoInsert);
  fontComboBoxOutlet->addItems(view_.fontFamilyArray);
  fontComboBoxOutlet->setMaxVisibleItems(20);
  fontComboBoxOutlet->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fontComboBoxOutlet->setMinimumContentsLength(10);
  // Completion in list order, whatever the case typed.
  fontComboBoxOutlet->completer()->setCaseSensitivity(Qt::CaseInsensitive);
  fontComboBoxOutlet->completer()->setCompletionMode(QCompleter::InlineCompletion);
  fontStylePopupButtonOutlet = Named(new QComboBox, "fontStylePopupButtonOutlet");
  fontStylePopupButtonOutlet->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fontStylePopupButtonOutlet->setMinimumContentsLength(6);
  showFontPanelButtonOutlet = Named(new QToolButton, "showFontPanelButtonOutlet");
  showFontPanelButtonOutlet->setText(QStringLiteral("Aa"));
  showFontPanelButtonOutlet->setToolTip(QStringLiteral("Show Fonts"));
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(fontComboBoxOutlet, 3);
  fontRow->addWidget(fontStylePopupButtonOutlet, 2);
  fontRow->addWidget(showFontPanelButtonOutlet);
  grid->addWidget(fontLabelOutlet, 0, 0, Qt::AlignRight);
  grid->addLayout(fontRow, 0, 1);

  fontSizeLabelOutlet = NewLabel("fontSizeLabelOutlet", QStringLiteral("Size:"));
  fontSizeTextFieldOutlet = Field(NumberFieldKind::FontSize, "fontSizeTextFieldOutlet");
  fontSizeStepperOutlet = Stepper(1, kMaxFontSize, "fontSizeStepperOutlet");
  textUnderlineButtonOutlet = Named(new QToolButton, "textUnderlineButtonOutlet");
  textUnderlineButtonOutlet->setCheckable(true);
  textUnderlineButtonOutlet->setIcon(TemplateIcon(QStringLiteral("TextUnderline.pdf")));
  textUnderlineButtonOutlet->setToolTip(QStringLiteral("Underline"));
  QHBoxLayout* size = FieldGroup(fontSizeTextFieldOutlet, fontSizeStepperOutlet,
                                 NewLabel("fontSizeUnitLabel", QStringLiteral("pt")));
  size->addWidget(textUnderlineButtonOutlet);
  grid->addWidget(fontSizeLabelOutlet, 1, 0, Qt::AlignRight);
  grid->addLayout(size, 1, 1);
  grid->setColumnStretch(1, 1);
}

void TextWatermarkPanel::buildStyleRows(QWidget* frame) {
  QGridLayout* grid = GridIn(frame);
  fillTypeLabel = NewLabel("fillTypeLabel", QStringLiteral("Draw:"));
  fillTypePopupOutlet = Named(new QComboBox, "fillTypePopupOutlet");
  AddTaggedItem(fillTypePopupOutlet, QStringLiteral("Fill"), 0);
  AddTaggedItem(fillTypePopupOutlet, QStringLiteral("Stroke"), 1);
  AddTaggedItem(fillTypePopupOutlet, QStringLiteral("Fill & Stroke"), 2);
  fillColorLabel = NewLabel("fillColorLabel", QStringLiteral("Fill:"));
  fillColorWellOutlet = Named(new ColorWell(Qt::black), "fillColorWellOutlet");
  auto* fill = new QHBoxLayout;
  fill->addWidget(fillTypePopupOutlet);
  fill->addWidget(fillColorLabel);
  fill->addWidget(fillColorWellOutlet);
  fill->addStretch(1);
  grid->addWidget(fillTypeLabel, 0, 0, Qt::AlignRight);
  grid->addLayout(fill, 0, 1);

  strokeColorLabel = NewLabel("strokeColorLabel", QStringLiteral("Stroke:"));
  strokeColorWellOutlet = Named(new ColorWell(Qt::white), "strokeColorWellOutlet");
  strokeWidthLabel = NewLabel("strokeWidthLabel", QStringLiteral("Width:"));
  strokeWidthTextFieldOutlet = Field(NumberFieldKind::FontSize, "strokeWidthTextFieldOutlet");
  strokeWidthStepperOutlet = Stepper(1, kMaxFontSize, "strokeWidthStepperOutlet");
  auto* stroke = new QHBoxLayout;
  stroke->addWidget(strokeColorWellOutlet);
  stroke->addWidget(strokeWidthLabel);
  stroke->addLayout(FieldGroup(strokeWidthTextFieldOutlet, strokeWidthStepperOutlet));
  grid->addWidget(strokeColorLabel, 1, 0, Qt::AlignRight);
  grid->addLayout(stroke, 1, 1);

  opacityLabelOutlet = NewLabel("opacityLabelOutlet", QStringLiteral("Opacity:"));
  opacitySliderOutlet = Named(new DoubleSlider(0.0, 1.0), "opacitySliderOutlet");
  opacityTextFieldOutlet = Field(NumberFieldKind::ShadowBlur, "opacityTextFieldOutlet", 40);
  opacityStepperOutlet = Stepper(0, kMaxOpacityPercent, "opacityStepperOutlet");
  auto* opacity = new QHBoxLayout;
  opacity->addWidget(opacitySliderOutlet, 1);
  opacity->addLayout(FieldGroup(opacityTextFieldOutlet, opacityStepperOutlet,
                                NewLabel("opacityPercentLabel", QStringLiteral("%"))));
  grid->addWidget(opacityLabelOutlet, 2, 0, Qt::AlignRight);
  grid->addLayout(opacity, 2, 1);

  charSpaceLabelOutlet = NewLabel("charSpaceLabelOutlet", QStringLiteral("Spacing:"));
  charSpacePopupButtonOutlet = Named(new QComboBox, "charSpacePopupButtonOutlet");
  AddTaggedItem(charSpacePopupButtonOutlet, QStringLiteral("None"), 0);
  AddTaggedItem(charSpacePopupButtonOutlet, QStringLiteral("Expanded"), 1);
  AddTaggedItem(charSpacePopupButtonOutlet, QStringLiteral("Condensed"), 2);
  charSpaceTextFieldOutlet = Field(NumberFieldKind::CharSpace, "charSpaceTextFieldOutlet");
  charSpaceStepperOutlet = Stepper(-kMaxCharSpace, kMaxCharSpace, "charSpaceStepperOutlet", 0.1);
  auto* spacing = new QHBoxLayout;
  spacing->addWidget(charSpacePopupButtonOutlet);
  spacing->addLayout(FieldGroup(charSpaceTextFieldOutlet, charSpaceStepperOutlet,
                                NewLabel("charSpaceUnitLabel", QStringLiteral("pt"))));
  grid->addWidget(charSpaceLabelOutlet, 3, 0, Qt::AlignRight);
  grid->addLayout(spacing, 3, 1);

  textAlignmentLabelOutlet = NewLabel("textAlignmentLabelOutlet", QStringLiteral("Align:"));
  textAlignmentSegmentedControl = new QButtonGroup(frame);
  textAlignmentSegmentedControl->setObjectName(QStringLiteral("textAlignmentSegmentedControl"));
  auto* segments = new QHBoxLayout;
  segments->setSpacing(0);
  // Segments left, centre, right, justified; their tags are the stored alignments.
  const struct {
    const char* image;
    int tag;
  } kSegments[4] = {
      {"AlignLeft.pdf", 0}, {"AlignCenter.pdf", 2}, {"AlignRight.pdf", 1}, {"AlignJustify.pdf", 3}};
  for (const auto& segment : kSegments) {
    auto* button = new QToolButton;
    button->setObjectName(QStringLiteral("textAlignmentSegment%1").arg(segment.tag));
    button->setCheckable(true);
    button->setIcon(TemplateIcon(QString::fromLatin1(segment.image)));
    textAlignmentSegmentedControl->addButton(button, segment.tag);
    segments->addWidget(button);
  }
  segments->addStretch(1);
  grid->addWidget(textAlignmentLabelOutlet, 4, 0, Qt::AlignRight);
  grid->addLayout(segments, 4, 1);
  grid->setColumnStretch(1, 1);
}

void TextWatermarkPanel::buildPlacementRows(QWidget* frame) {
  QGridLayout* grid = GridIn(frame);
  textPositionLabelOutlet = NewLabel("textPositionLabelOutlet", QStringLiteral("Position:"));
  textPositionRadioButtonmatrixOutlet = new QButtonGroup(frame);
  textPositionRadioButtonmatrixOutlet->setObjectName(
      QStringLiteral("textPositionRadioButtonmatrixOutlet"));
  auto* matrix = new QGridLayout;
  matrix->setSpacing(2);
  for (int tag = 0; tag < 9; ++tag) {
    auto* cell = new QRadioButton;
    cell->setObjectName(QStringLiteral("textPositionCell%1").arg(tag));
    textPositionRadioButtonmatrixOutlet->addButton(cell, tag);
    matrix->addWidget(cell, tag / 3, tag % 3);
  }
  auto offsetRow = [](QLabel*& label, NumberField*& field, ValueStepper*& stepper, QLabel*& percent,
                      const char* axis) {
    label = NewLabel(axis[0] == 'x' ? "xTextWatermarkOffsetLabel" : "yTextWatermarkOffsetLabel",
                     QStringLiteral("%1:").arg(QChar(axis[0]).toUpper()));
    field = Field(NumberFieldKind::WatermarkOffset,
                  axis[0] == 'x' ? "xTextWatermarkOffsetTextFieldOutlet"
                                 : "yTextWatermarkOffsetTextFieldOutlet",
                  60);
    stepper = Stepper(
        -kMaxOffsetPercent, kMaxOffsetPercent,
        axis[0] == 'x' ? "xTextWatermarkOffsetStepperOutlet" : "yTextWatermarkOffsetStepperOutlet");
    percent = NewLabel(
        axis[0] == 'x' ? "xTextWatermarkOffsetPercentLabel" : "yTextWatermarkOffsetPercentLabel",
        QStringLiteral("%"));
    auto* row = FieldGroup(field, stepper, percent);
    row->insertWidget(0, label);
    return row;
  };
  auto* offsets = new QVBoxLayout;
  offsets->addLayout(offsetRow(xTextWatermarkOffsetLabel, xTextWatermarkOffsetTextFieldOutlet,
                               xTextWatermarkOffsetStepperOutlet, xTextWatermarkOffsetPercentLabel,
                               "x"));
  offsets->addLayout(offsetRow(yTextWatermarkOffsetLabel, yTextWatermarkOffsetTextFieldOutlet,
                               yTextWatermarkOffsetStepperOutlet, yTextWatermarkOffsetPercentLabel,
                               "y"));
  auto* position = new QHBoxLayout;
  position->addLayout(matrix);
  position->addSpacing(12);
  position->addLayout(offsets);
  position->addStretch(1);
  grid->addWidget(textPositionLabelOutlet, 0, 0, Qt::AlignRight | Qt::AlignTop);
  grid->addLayout(position, 0, 1);

  angleLabelOutlet = NewLabel("angleLabelOutlet", QStringLiteral("Angle:"));
  angleSliderOutlet = Named(new QVXCircularSlider, "angleSliderOutlet");
  angleSliderOutlet->setSliderCellSize(44);
  angleTextFieldOutlet = Field(NumberFieldKind::RotationAngle, "angleTextFieldOutlet", 44);
  angleStepperOutlet = Stepper(0, kMaxAngle, "angleStepperOutlet");
  auto* angle = new QHBoxLayout;
  angle->addWidget(angleSliderOutlet);
  angle->addLayout(FieldGroup(angleTextFieldOutlet, angleStepperOutlet,
                              NewLabel("angleUnitLabel", QStringLiteral("\u00b0"))));
  grid->addWidget(angleLabelOutlet, 1, 0, Qt::AlignRight);
  grid->addLayout(angle, 1, 1);
  grid->setColumnStretch(1, 1);
}

void TextWatermarkPanel::buildShadowRows(QWidget* frame) {
  QGridLayout* grid = GridIn(frame);
  dropShadowCheckBoxOutlet =
      Named(new QCheckBox(QStringLiteral("Shadow")), "dropShadowCheckBoxOutlet");
  shadowColorWellOutlet = Named(new ColorWell(Qt::black), "shadowColorWellOutlet");
  blurLabel = NewLabel("blurLabel", QStringLiteral("Blur:"));
  blurTextFieldOutlet = Field(NumberFieldKind::ShadowBlur, "blurTextFieldOutlet", 40);
  blurStepperOutlet = Stepper(0, kMaxShadowBlur, "blurStepperOutlet");
  auto* top = new QHBoxLayout;
  top->addWidget(dropShadowCheckBoxOutlet);
  top->addWidget(shadowColorWellOutlet);
  top->addSpacing(8);
  top->addWidget(blurLabel);
  top->addLayout(FieldGroup(blurTextFieldOutlet, blurStepperOutlet));
  grid->addLayout(top, 0, 0, 1, 2);

  xOffsetLabel = NewLabel("xOffsetLabel", QStringLiteral("X:"));
  xOffsetTextFieldOutlet = Field(NumberFieldKind::ShadowXOffset, "xOffsetTextFieldOutlet");
  xOffsetStepperOutlet = Stepper(-kMaxShadowOffset, kMaxShadowOffset, "xOffsetStepperOutlet");
  yOffsetLabel = NewLabel("yOffsetLabel", QStringLiteral("Y:"));
  yOffsetTextFieldOutlet = Field(NumberFieldKind::ShadowYOffset, "yOffsetTextFieldOutlet");
  yOffsetStepperOutlet = Stepper(-kMaxShadowOffset, kMaxShadowOffset, "yOffsetStepperOutlet");
  auto* offsets = new QHBoxLayout;
  offsets->addSpacing(22);
  offsets->addWidget(xOffsetLabel);
  offsets->addWidget(xOffsetTextFieldOutlet);
  offsets->addWidget(xOffsetStepperOutlet);
  offsets->addSpacing(12);
  offsets->addWidget(yOffsetLabel);
  offsets->addWidget(yOffsetTextFieldOutlet);
  offsets->addWidget(yOffsetStepperOutlet);
  offsets->addStretch(1);
  grid->addLayout(offsets, 1, 0, 1, 2);
}

void TextWatermarkPanel::connectControls() {
  for (NumberField* field :
       {fontSizeTextFieldOutlet, strokeWidthTextFieldOutlet, opacityTextFieldOutlet,
        charSpaceTextFieldOutlet, angleTextFieldOutlet, blurTextFieldOutlet, xOffsetTextFieldOutlet,
        yOffsetTextFieldOutlet, xTextWatermarkOffsetTextFieldOutlet,
        yTextWatermarkOffsetTextFieldOutlet}) {
    connect(field, &NumberField::textDidChange, this,
            [this, field] { controlTextDidChange(field); });
  }
  connect(fontSizeStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::FontSizeStepperControlDidChange);
  connect(strokeWidthStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::StrokeWidthStepperControlDidChange);
  connect(blurStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::ShadowBlurStepperControlDidChange);
  connect(xOffsetStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::xOffsetStepperControlDidChange);
  connect(yOffsetStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::yOffsetStepperControlDidChange);
  connect(opacityStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::TextOpacityStepperControlDidChange);
  connect(opacitySliderOutlet, &DoubleSlider::doubleValueChanged, this,
          &TextWatermarkPanel::takeTextOpacityFrom);
  connect(charSpaceStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::TextCharSpaceStepperControlDidChange);
  connect(charSpacePopupButtonOutlet, &QComboBox::activated, this,
          &TextWatermarkPanel::charSpacePopupButtonAction);
  connect(angleSliderOutlet, &QVXCircularSlider::valueChanged, this,
          &TextWatermarkPanel::takeRotationAngleFrom);
  connect(angleStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::angleStepperControlDidChange);
  connect(xTextWatermarkOffsetStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::xTextWatermarkOffsetStepperControlDidChange);
  connect(yTextWatermarkOffsetStepperOutlet, &ValueStepper::valueChanged, this,
          &TextWatermarkPanel::yTextWatermarkOffsetStepperControlDidChange);
  connect(textUnderlineButtonOutlet, &QToolButton::clicked, this,
          &TextWatermarkPanel::textUnderlineButtonClickAction);
  connect(textAlignmentSegmentedControl, &QButtonGroup::idClicked, this,
          &TextWatermarkPanel::textAlignmentSegmentedControlAction);
  connect(textPositionRadioButtonmatrixOutlet, &QButtonGroup::idClicked, this,
          &TextWatermarkPanel::textPositionRadioButtonMatrixAction);
  connect(fillTypePopupOutlet, &QComboBox::activated, this,
          &TextWatermarkPanel::ChangeCGDrawingMode);
  connect(dropShadowCheckBoxOutlet, &QCheckBox::clicked, this,
          &TextWatermarkPanel::DropShadowApplied);
  connect(fillColorWellOutlet, &ColorWell::colorChanged, &view_, &WatermarkView::takeFontColorFrom);
  connect(strokeColorWellOutlet, &ColorWell::colorChanged, &view_,
          &WatermarkView::takeFontStrokeColorFrom);
  connect(shadowColorWellOutlet, &ColorWell::colorChanged, &view_,
          &WatermarkView::takeShadowColorFrom);
  connect(fontComboBoxOutlet, &QComboBox::activated, this, &TextWatermarkPanel::ChangeSelectedFont);
  connect(fontStylePopupButtonOutlet, &QComboBox::activated, this,
          &TextWatermarkPanel::ChangeSelectedFontStyle);
  connect(showFontPanelButtonOutlet, &QToolButton::clicked, this,
          &TextWatermarkPanel::ShowFontPanel);
}

}  // namespace glimbrik
