#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <array>

#include "app/panels/color_well.h"
#include "app/panels/double_slider.h"
#include "app/panels/number_field.h"
#include "widgets/token_field.h"

namespace glimbrik {

class DragAndDropCommonFolderController;

// The controls of the option panels, the general options and the sheets, under the names the
// rest of the application reaches them by. Pop-up items carry their tag as item data.
struct OptionPanels {
  // Panel views shown as rows of the sidebar groups.
  QWidget* ConversionView1 = nullptr;
  QWidget* ConversionView2 = nullptr;
  QWidget* OptimizationView = nullptr;
  QWidget* RenameView0 = nullptr;
  QWidget* RenameView1 = nullptr;
  QWidget* RenameView3 = nullptr;
  QWidget* ResizeView1 = nullptr;
  QWidget* ResizeView2 = nullptr;
  QWidget* ResizeView3 = nullptr;
  // Frames that the watermark editor fills with its own panels.
  std::array<QWidget*, 5> TextWatermarkViews{};
  // The watermark's text, in the first text-watermark frame.
  QLabel* textLabelOutlet = nullptr;
  TokenField* textTextFieldOutlet = nullptr;
  QToolButton* textInsertTokenButtonOutlet = nullptr;
  QWidget* ImageWatermarkView1 = nullptr;
  QWidget* ImageWatermarkView2 = nullptr;
  QWidget* EffectView1 = nullptr;

  // Conversion.
  QLabel* destImageTypeStaticText = nullptr;
  QComboBox* destImageTypePopUpButton = nullptr;       // tags 0-24: output-type index
  DoubleSlider* imageQualitySlider = nullptr;          // 0..1
  NumberField* imageQualityEditFieldOutlet = nullptr;  // shadow-blur kind: integer >= 0
  QSpinBox* imageQualityStepper = nullptr;             // 0..100
  std::array<QLabel*, 4> imageQualityLabels{};
  QCheckBox* autoAdjustColorLevelsCheckButton = nullptr;
  QCheckBox* autoEnhancementCheckButton = nullptr;
  QLabel* colorProfileStaticText = nullptr;
  QComboBox* colorProfilePopUpButton = nullptr;  // item 0 "Keep Original"
  QCheckBox* preserveMetadataCheckButton = nullptr;

  // Optimisation: tag bit 0 optimise JPEG, bit 1 optimise PNG.
  QLabel* optimizationStaticText = nullptr;
  QComboBox* OptimizationPopupOutlet = nullptr;

  // Rename.
  QLabel* renamePresetLabel = nullptr;
  QComboBox* renamePresetPopupOutlet = nullptr;  // 8 built-in items
  QPushButton* saveRenamePresetButton = nullptr;
  QLabel* renameOptionNameLabelOutlet = nullptr;
  QToolButton* renameInsertTokenButtonOutlet = nullptr;
  QWidget* renameTokenFieldFrame = nullptr;  // holds the token field
  TokenField* renameTokenTextFieldOutlet = nullptr;
  QLabel* exampleStaticText = nullptr;
  QLabel* exampleStringStaticText = nullptr;

  // Resize.
  QLabel* imageDimentionsLabel = nullptr;
  QComboBox* imageDimentionsPopupOutlet = nullptr;  // 19 built-in items
  QPushButton* savePresetButton = nullptr;
  QLabel* scaleProprtionallyLabel = nullptr;
  QComboBox* scaleProprtionallyPopupOutlet = nullptr;  // tags 0-6: scale modes
  QLabel* widthLabel = nullptr;
  QLabel* heightLabel = nullptr;
  NumberField* widthTextField = nullptr;
  NumberField* heightTextField = nullptr;
  QComboBox* sizeFormatTypePopupButton = nullptr;  // tags 1-6: units
  int sizeFormatTypePercentItem = 0;               // index of the percent item
  std::array<QFrame*, 3> lockLinesBoxes{};
  QLabel* lockUnlockImageView = nullptr;
  QCheckBox* upsampleImageCheckButton = nullptr;
  QCheckBox* sharpenImageCheckButton = nullptr;
  QCheckBox* resolutionCheckBox = nullptr;
  QComboBox* resolutionComboBoxOutlet = nullptr;  // its line edit is a resolution NumberField
  QLabel* resolutionStaticText = nullptr;
  QCheckBox* backgroundColorFitToRectCheckBox = nullptr;
  ColorWell* backgroundColorFitToRectColorWellOutlet = nullptr;
  QLabel* resultStaticText = nullptr;
  QPushButton* resultStringStaticText = nullptr;

  // Effect: ids 0-8 (0 none, 1-8 the photo effects).
  QButtonGroup* effectsRadioButtonOutlet = nullptr;

  // Destination controls and general options (also the destination panel's accessory).
  QWidget* destinationOptionAccessaryView = nullptr;
  DragAndDropCommonFolderController* destinationPathViewCntr = nullptr;  // around the path
  QLineEdit* destinationPathTextField = nullptr;
  QPushButton* selectDestinationButton = nullptr;
  QPushButton* openDestinationButton = nullptr;
  QCheckBox* useAsDestinationFolderCheckBox = nullptr;
  QCheckBox* maintainDirectoryCheckButton = nullptr;
  QCheckBox* overwriteExistingCheckButton = nullptr;
  QCheckBox* preserveCreatedDateCheckButton = nullptr;
  QCheckBox* preserveModifiedDateCheckButton = nullptr;
  QCheckBox* doNotShowAlertCheckBox = nullptr;
  QCheckBox* doNotShowPNGOptimizationAlertCheckBox = nullptr;

  // Accessory of the Add panel.
  QWidget* mRecusrsiveAddAccessoryView = nullptr;
  QCheckBox* mAddRecursiveCheckBoxButton = nullptr;

  // Progress sheet of a batch run.
  QDialog* conversionProgressSheet = nullptr;
  QProgressBar* conversionProgressIndicator = nullptr;
  QLabel* conversionProgressStaticText = nullptr;
  QPushButton* cancelButton = nullptr;
};

// Builds every control; views not yet placed are parented to holder (kept hidden).
OptionPanels BuildOptionPanels(QWidget* holder);
void BuildConversionPanels(OptionPanels& panels, QWidget* holder);
void BuildResizePanels(OptionPanels& panels, QWidget* holder);
void BuildRenamePanels(OptionPanels& panels, QWidget* holder);
void BuildWatermarkTextRow(OptionPanels& panels);
void BuildGeneralControls(OptionPanels& panels, QWidget* holder);

// Pop-up helpers: tags live in the items' data.
void AddTaggedItem(QComboBox* popup, const QString& title, int tag);
int SelectedTag(const QComboBox* popup);
bool SelectItemWithTag(QComboBox* popup, int tag);

}  // namespace glimbrik
