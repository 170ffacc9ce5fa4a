#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/list/image_list_model.h"
#include "app/panels/configuration.h"
#include "app/presets/preset_files.h"
#include "app/settings/general_options.h"
#include "app/window/main_window.h"
#include "engine/convert/conversion_records.h"
#include "platform/pixels/color_profile.h"
#include "watermark/watermark_text_tokens.h"
#include "watermark/watermark_view.h"

class QCheckBox;

namespace glimbrik {

class PresetNameSheet;
class MacAppStoreRating;
class PreferencesSheet;
class ImageWatermarkPanel;
class PreviewController;
class TextWatermarkPanel;

// The application's controller: owns the image list, the sidebar groups and the option panels
// of the main window, and answers the window's and the application's questions. GUI thread
// only, except where a member says otherwise.
class AppDelegate : public QObject {
  Q_OBJECT
 public:
  explicit AppDelegate(QObject* parent = nullptr);
  ~AppDelegate() override;

  // --- Start-up and shutdown.
  void awakeFromNib();
  void applicationDidFinishLaunching();
  void InitializeNibControlsFromHere();
  // Files opened with the application: appended to the list on a background thread.
  void openFiles(const QStringList& paths);
  bool windowShouldClose();
  bool applicationShouldTerminate();
  // Refuses later starts' files (true) or takes them again (false). Refusing is false while
  // files already taken have not reached the list: a quit then keeps the window to show them.
  std::function<bool(bool refuse)> refuseHandOvers;
  void applicationWillTerminate();
  // A folder in the application-support folder (created when missing); "Glimbrik" when name is
  // empty. Empty when it cannot be made.
  static QString ApplicationSupportFolder(const QString& name = QString());
  // Why the preferences or support folder is missing and cannot be created; empty when both are
  // there. The application says so and exits with a non-zero status.
  static QString MissingFolderMessage();

  // --- General options.
  void ReadGeneralPrefOptions();
  void WriteGeneralPrefOptions();
  GeneralOptions CurrentGeneralOptions() const;
  const QString& destinationURL() const { return m_destinationURL; }

  // --- Destination folder, preferences sheet and help.
  void PreferencesAction();
  void PreferencesOkAction();
  void SelectDestinationFolder();
  void OpenDestinationFolder();
  void SetDestinationURL(const QString& path);
  // The stored form of the remembered folder: its absolute path as bytes. Checked before it
  // replaces the folder remembered now; a failed one leaves no folder remembered.
  void SetDestinationURLData(const QByteArray& data);
  void WatchFolderPathChangeAction(const QString& path, int boxType);
  void UserManualHelpAction();
  void ContactSupportAction();
  void AboutAction();
  PreferencesSheet* preferencesDialog() const { return preferencesDialog_; }
  MacAppStoreRating* rateApplicationObject() const { return rateApplicationObject_.get(); }
  // Opens a folder, file or web page with the desktop; replaceable for tests.
  std::function<bool(const QUrl&)> openWithDesktop;

  // --- Colour profiles (the conversion panel's pop-up).
  void InitColorProfilesAndPopupButton();
  ColorProfilePtr GetSelectedColorProfile() const;
  QString GetSelectedColorProfilePath() const;
  std::shared_ptr<const ColorSpace> GetSelectedColorSpaceRef() const;
  void SelectProfileForPath(const QString& path);

  // --- Panel defaults and small panel actions.
  void ApplyDefaultPhotoPreset();
  void DefaultImageConversionOption();
  void DefaultOptimizationOption();
  void DefaultRenameOption();
  void DefaultResizeOption();
  void DefaultWatermarkTextOption();
  void DefaultWatermarkImageOption();
  void DefaultEffectOption();
  void DefaultExtraOptions();
  void changeGlobalPresetOption(QObject* sender);
  void changeConversionOptionAction(QObject* sender);
  void changeOptimizationOptionAction(QObject* sender);
  void changeEffectOptionAction(QObject* sender);
  void changeImageQualityAction(QObject* sender);
  void ImageQualityStepperControlDidChange(QObject* sender);
  void SetImageTypeSecondaryOption(QObject* sender);
  void PreserveCreationDateAction();
  // The font chosen in the font dialog becomes the watermark editor's font.
  void changeFont(const QFont& font);
  // The effect cells show the selected image (or the application icon) through each effect;
  // drawn on a pool thread.
  void updateEffectImages();

  // Parts that other components provide once they exist; each is skipped while empty.
  struct PanelHooks {
    std::function<void(QObject* sender)> PreviewAction;  // the preview follows an edit
  } hooks;

  // --- Resize panel.
  void changeResizeOptionAction(QObject* sender);
  void changeInScaleProportionalityAction(QObject* sender);
  void changeInScaleProportionalityActionOnlyForControlState();
  void changeImageResizeTypePopupAction(QObject* sender);
  void changeImageDimentionPopupAction(QObject* sender);
  QString GetSizebasedOnImageResizeTypeForWidth(double value) const;
  QString GetSizebasedOnImageResizeTypeForHeight(double value) const;
  void SetResolution(QObject* sender);
  void SetResolutionControlState(bool state);
  void SetBackgroundColorFitToRect(QObject* sender);
  void SetBackgroundColorFitToRectControlState(bool state);
  void updateResizeResultString();
  void changeResizeResultDisplayUnitType();
  // The resize part as the panel shows it; none when the resize group is off.
  std::optional<ImageResizeOptions> GetResizingOptions() const;

  // --- Photo, resize and rename presets (app_delegate_presets*.cpp).
  // The stored presets appended to their pop-ups; the watermark editor's presets load between
  // the resize and the photo presets.
  void LoadRenameAndResizePresetPopups();
  void LoadPhotoPresetPopup();
  void GetResizePreferenceValue(QVariantMap* preset) const;
  void GetRenamePreferenceValue(QVariantMap* preset) const;
  void GetConversionPreferenceValue(QVariantMap* preset) const;
  void GetOptimizationPreferenceValue(QVariantMap* preset) const;
  void GetEffectPreferenceValue(QVariantMap* preset) const;
  void GetPhotoPreferenceValue(QVariantMap* preset);
  void ChangeAndSetResizeOptionsFromDict(const QVariantMap* preset);
  void ChangeAndSetPrefOptions(const QString& name);
  void ChangeAndSetRenameOptionsFromDict(const QVariantMap* preset);
  void ChangeAndSetRenamePresetOptions(const QString& name);
  void PhotoPresetChangeAction(QObject* sender);
  // An empty name, or one the file does not hold, applies the defaults.
  void ChangeAndSetPhotoPrefOptions(const QString& name);
  void UpdateGlobalPhotoPresetDatadDringRemoveAction(const QString& key, qint64 value);
  void UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex(qint64 row);
  // The naming sheet: opened for one kind of preset, its buttons save or remove by name.
  void AddPresetAction(QObject* sender);
  void AddRenamePresetAction(QObject* sender);
  void AddPhotoPresetAction(QObject* sender);
  void SavePresetAction(QObject* sender);
  void RemovePresetAction(QObject* sender);
  void CancelPresetButtonAction(QObject* sender);
  PresetNameSheet* AddPresetDialogOutlet() const { return presetSheet_; }
  bool isPhotoPref = false;
  bool isRenamePresetPref = false;

  // --- Sidebar.
  const std::vector<std::shared_ptr<QVXConfigurationGroup>>& configurations() const {
    return configurations_;
  }
  bool isGroupOn(int group) const;
  void SwitchAction(QCheckBox* sender);
  void SwitchOnOffHeader(int group, bool state, bool redraw);
  void ConversionOnOffAction(bool state);
  void OptimizeOnOffAction(bool state);
  void RenameOnOffAction(bool state);
  void ResizeOnOffAction(bool state);
  void EffectOnOffAction(bool state);
  void SetEnabledDisabledRemoveOrRemoveAllItems();

  // --- Rename panel and the token fields (app_delegate_rename.cpp).
  WatermarkTextTokens* watermarkTextTokens() const { return tokens_; }
  TokenField* renameTokenTextFieldOutlet() const {
    return window_->panels.renameTokenTextFieldOutlet;
  }
  void changeRenamePresetPopupAction(QObject* sender);
  void ChangeRenameOptionActions(QObject* sender);
  void updateRenameExampleString();
  void changeOverwriteExistingFile(bool on);
  // The pattern when the rename group is on; none when it is off.
  std::optional<TokenArray> GetRenameTokens() const;
  bool IsRenameContainsResizeTokens() const;
  // The table's selected row (the one selected last) and its entry: the image view, its labels,
  // the examples, the result line and the preview all show this one. -1 and none without one.
  ImageEntityPtr GetSelectedImageObject() const;
  qint64 GetLastSelectedImageIndex() const;
  // The watermark editor redraws when a ticked text watermark shows the new file name or a
  // resize value; the second answers whether it did.
  void ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
  bool ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken();

  // --- Image list.
  ImageListModel* imageListViewContents() const { return model_; }
  ImageEntityPtr ImageEntityForRow(qint64 row) const;
  void AddImageOrFolderButtonAction();
  void AddUrlsIntoImageListViewAtEnd(const QStringList& paths);
  void AddUrlsIntoImageListViewAtEndWithRecusrsion(const QStringList& paths);
  void AddUrlsIntoListViewFromDragAndDrop(const QStringList& paths, qint64 index);
  void RemoveSelectedButtonAction();
  void RemoveAllButtonAction();
  void SortingMenuAction(QAction* item);
  void SortByButtonActionToPopupMenu();
  void sortDescriptorsDidChange(int column, Qt::SortOrder order);
  void SelectRowStartingAtRow(qint64 row);
  void SelectRowStartingAtRowIfNothingSelected(qint64 row);
  void PerformAnimationFromSelectedRowToImage();
  void ImageListViewDoubleClick();
  void setImageCountMessage();
  void UpdateToolbarIcon();
  void SetConversionButtonEnable(bool enable);
  bool isDropAllowed() const;
  void setSortButtonString(const QString& title, const QIcon& image);
  void updateSortingMenuItemsState();
  QList<int> selectedRows() const;
  // Adding runs that have been started and not yet finished.
  int addingRunsInProgress() const { return addingRuns_; }

  // --- Selected image view and watermark editor.
  void rotate(int segment);
  void rotateLeft();
  void rotateRight();
  void flip(int segment);
  void flipHorizontal();
  void flipVertical();
  void rotateImage(qint64 degrees);
  void flipImage(qint32 mask);
  void transformAndSetCurrentImage();
  void setImageFileDescription(double zoom);
  void updateFileDescription();
  void SetUpWatermarkView();
  void SetUpImageView();
  // The watermark text for the selected image; null without one.
  QString GetTextWatermarkFullString(const TokenArray& tokens) const;
  // --- Preview window (InstallPreview connects it; until then these do nothing).
  // Previews the selected row while the preview button is on, else closes the preview. Every
  // change of an option that affects the result sends it; the sender may be nil.
  void PreviewAction(QObject* sender = nullptr);
  void PreviewWindowClose(QObject* sender);
  // After entries were added or removed: keeps the preview on the same file.
  void changePreviewActionAfterDeleteOrAdd();
  bool isPreviewVisible() const;
  PreviewController* previewController() const;
  void setPreviewController(PreviewController* controller);

  // --- Controls that other parts of the application read.
  MainWindow* window() const { return window_; }
  OptionPanels& panels() const { return window_->panels; }
  QComboBox* destImageTypePopUpButton() const { return window_->panels.destImageTypePopUpButton; }
  DoubleSlider* imageQualitySlider() const { return window_->panels.imageQualitySlider; }
  QCheckBox* autoAdjustColorLevelsCheckButton() const {
    return window_->panels.autoAdjustColorLevelsCheckButton;
  }
  QCheckBox* autoEnhancementCheckButton() const {
    return window_->panels.autoEnhancementCheckButton;
  }
  QComboBox* colorProfilePopUpButton() const { return window_->panels.colorProfilePopUpButton; }
  QCheckBox* preserveMetadataCheckButton() const {
    return window_->panels.preserveMetadataCheckButton;
  }
  QComboBox* PhotoPresetPopupButton() const { return window_->PhotoPresetPopupButton; }
  QToolButton* previewButtonOutlet() const { return window_->previewButtonOutlet; }
  // The watermark editor's view, a child of the selected-image view.
  QPointer<WatermarkView> watermarkContextView;
  // The image-watermark panel of the sidebar; none without the editor.
  ImageWatermarkPanel* imageWatermarkPanel() const { return imageWatermarkPanel_; }
  // The text-watermark panel of the sidebar; none without the editor.
  TextWatermarkPanel* textWatermarkPanel() const { return textWatermarkPanel_; }

  // Set by a run's cancel command; adding runs stop between files when it is set but never clear
  // it.
  std::atomic<bool> isConversionCancelled{false};
  qint64 currentSelectedImageIndex = -1;
  qint32 currentScaleOption = -1;
  qint32 currentSizeFormatType = 1;
  quint64 m_currentResultUnitType = 2;

 signals:
  // An adding run has put its last entry into the list.
  void addingRunFinished();
  // A resize option changed: the rename example and watermark size tokens follow.
  void resizeOptionsChanged();
  // The effect cells show new images.
  void effectImagesUpdated();
  // The user's quit (or the main window's close) is confirmed: a run under way ends now, before
  // the windows close and the preferences are written.
  void terminationConfirmed();

 private:
  void connectControls();
  // The two token fields and their shared token handling; before the panels take defaults.
  void SetUpTokenFields();
  void connectRenameControls();
  // A switch of the rename group: the example follows, and watermarks that show the new name.
  void RenameGroupSwitched(bool redraw);
  // A resize change reaches the names and the watermarks that show resize values.
  void ResizeReachesTokens();
  void connectPeripheryControls();
  void buildConfigurations();
  void setToolbarImages();
  // Adding runs: the walk runs on a pool thread under addSyncronizeObject; entries reach the
  // list in batches, inserted and announced together on the GUI thread.
  void detachAddingRun(const QStringList& paths, bool recursive, qint64 index);
  void AddUrlsIntoImageListView(const QStringList& paths, bool recursive, qint64 index);
  void StartAddSpinning(qint64 index);
  void InsertEntriesFromAddingRun(const std::vector<ImageEntityPtr>& entries);
  void StopAddSpinning();
  void sortEntries(int tag, bool descending);
  // The zoom of an image of that displayed size fitted into the image view.
  double ZoomForDisplayedSize(QSize shown, double aspect) const;
  bool hasSelectedImageSize() const;
  void SetLockSign(bool locked);
  void layOutResizeFields(int newMode, int oldMode, const QString* carried);
  // The rename example and the watermarks that show the resized size follow a resize edit.
  void ResizeOptionsDidChange();
  void connectPanelControls();
  void connectPresetControls();
  // The kind the naming sheet works on, from its two flags.
  PresetKind presetSheetKind() const;
  void beginPresetSheet(PresetKind kind, QObject* sender);
  QComboBox* popupForPresetKind(PresetKind kind) const;

  MainWindow* window_ = nullptr;
  PresetNameSheet* presetSheet_ = nullptr;  // made on first use, a child of the window
  ImageListModel* model_ = nullptr;
  QPointer<PreviewController> previewController_;
  WatermarkTextTokens* tokens_ = nullptr;
  ImageWatermarkPanel* imageWatermarkPanel_ = nullptr;
  TextWatermarkPanel* textWatermarkPanel_ = nullptr;
  std::vector<std::shared_ptr<QVXConfigurationGroup>> configurations_;
  QImage emtyImageIcon;
  ImageEntityPtr shownEntity_;  // the entry the image view shows
  QImage dropImageIcon;
  QString m_destinationURL;
  QByteArray m_destinationURLSecureData;
  PreferencesSheet* preferencesDialog_ = nullptr;
  std::unique_ptr<MacAppStoreRating> rateApplicationObject_;
  ColorProfileList m_RGBColorProfiles;
  ColorProfileList m_CMYKColorProfiles;
  ColorProfileList m_GrayColorProfiles;
  qint64 photoPresetIndexAtStart_ = 0;
  bool m_mainWindowClosing = false;
  bool isDescendingOrder = false;
  qint64 lastSelectedSortIndex = -1;

  std::mutex addSyncronizeObject;
  QThreadPool addingPool_;
  std::atomic<bool> stopAdding_{false};
  int addingRuns_ = 0;  // GUI thread
  struct AddingRunState {
    qint64 nextIndex = 0;
    qint64 countAtStart = 0;
    qint64 added = 0;  // the count shown while adding, kept as a number
    bool selectedFirst = false;
  } addRun_;  // GUI thread; runs never overlap

  // Effect thumbnails: only the newest request's images are shown. Declared last so that the
  // pool waits for its drawing before anything else goes.
  quint64 effectImagesGeneration_ = 0;
  QThreadPool effectPool_;
};

}  // namespace glimbrik
