#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/configuration.h"
#include "app/general_options.h"
#include "app/image_list_model.h"
#include "app/main_window.h"
#include "platform/color_profile.h"

class QCheckBox;

namespace glimbrik {

class MacAppStoreRating;
class PreferencesSheet;

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
  void DefaultResizeOption();
  void DefaultEffectOption();
  void changeGlobalPresetOption(QObject* sender);
  void changeImageQualityAction(QObject* sender);
  void ImageQualityStepperControlDidChange(QObject* sender);
  void PreserveCreationDateAction();

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
  // The watermark editor's view, once there is one.
  QPointer<QWidget> watermarkContextView;

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

 private:
  void connectControls();
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

  MainWindow* window_ = nullptr;
  ImageListModel* model_ = nullptr;
  std::vector<std::shared_ptr<QVXConfigurationGroup>> configurations_;
  QImage emtyImageIcon;
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
};

}  // namespace glimbrik
