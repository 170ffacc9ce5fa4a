#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSignalBlocker>

#include "app/delegate/app_delegate.h"
#include "app/list/thumbnail_queue.h"
#include "app/window/drop_targets.h"
#include "platform/store/bundle_resources.h"
#include "platform/store/folders.h"
#include "platform/store/localization.h"

namespace glimbrik {

void AppDelegate::applicationDidFinishLaunching() {
  awakeFromNib();
  InitializeNibControlsFromHere();
  connectControls();
  window_->imageListViewOutlet->setDropAllowed(true);
  window_->imageListViewOutlet->reset();
}

void AppDelegate::setToolbarImages() {
  MainWindow& w = *window_;
  // Every window and the task bar show it; the effect cells draw it while no row is selected.
  if (QGuiApplication::windowIcon().isNull()) QGuiApplication::setWindowIcon(ApplicationIcon());
  w.addImageToolbarItem->setIcon(TemplateIcon(QStringLiteral("Add.pdf")));
  w.previewButtonOutlet->setIcon(TemplateIcon(QStringLiteral("Add.pdf")));
  w.previewButtonOutlet->setIconSize(QSize(12, 12));
  w.removeToolbarItem->setIcon(TemplateIcon(QStringLiteral("Remove.pdf")));
  w.removeAllToolbarItem->setIcon(TemplateIcon(QStringLiteral("RemoveAll.pdf")));
  w.convertToolbarItem->setIcon(TemplateIcon(QStringLiteral("Convert.pdf")));
  w.convertAllToolbarItem->setIcon(TemplateIcon(QStringLiteral("ConvertAll.pdf")));
  w.rateToolbarItem->setIcon(TemplateIcon(QStringLiteral("Rating.pdf")));
  w.helpToolbarItem->setIcon(TemplateIcon(QStringLiteral("Help.pdf")));
  w.preferencesToolbarItem->setIcon(TemplateIcon(QStringLiteral("Preferences.pdf")));
  w.rotateLeftAction->setIcon(TemplateIcon(QStringLiteral("RotateLeft.pdf")));
  w.rotateRightAction->setIcon(TemplateIcon(QStringLiteral("RotateRight.pdf")));
  w.flipHorizontalAction->setIcon(TemplateIcon(QStringLiteral("FlipHorizontal.pdf")));
  w.flipVerticalAction->setIcon(TemplateIcon(QStringLiteral("FlipVertical.pdf")));
  w.panels.savePresetButton->setIcon(TemplateIcon(QStringLiteral("Save.pdf")));
  w.panels.saveRenamePresetButton->setIcon(TemplateIcon(QStringLiteral("Save.pdf")));
  w.savePhotoPresetButton->setIcon(TemplateIcon(QStringLiteral("Save.pdf")));
  w.panels.renameInsertTokenButtonOutlet->setIcon(TemplateIcon(QStringLiteral("AddSmall.pdf")));
}

void AppDelegate::InitializeNibControlsFromHere() {
  MainWindow& w = *window_;
  OptionPanels& p = w.panels;
  // 1. Toolbar and button images.
  setToolbarImages();
  // 2. Labels, result unit and the empty and drop images.
  setImageCountMessage();
  w.filenameLabelOutlet->clear();
  w.fileDescriptionLabelOutlet->clear();
  p.exampleStringStaticText->setText(QStringLiteral("-"));
  p.resultStringStaticText->setText(QStringLiteral("-"));
  m_currentResultUnitType = 2;
  emtyImageIcon = TemplateImage(QStringLiteral("UnknownImage.pdf"), QSize(550, 550));
  dropImageIcon = TemplateImage(QStringLiteral("DropImage.pdf"), QSize(256, 256));
  w.mainImagePreview->setPlainImage(dropImageIcon);
  // 3. The destination folder's drop box.
  p.destinationPathViewCntr->boxTypeOption = 1;
  p.destinationPathViewCntr->allowDragAndDrop = true;
  // 4. Start values.
  currentSelectedImageIndex = -1;
  currentScaleOption = -1;
  m_mainWindowClosing = false;
  isDescendingOrder = false;
  lastSelectedSortIndex = -1;
  p.conversionProgressIndicator->setRange(0, 1);
  // 5. Colour profiles.
  InitColorProfilesAndPopupButton();
  // 6. Stored presets, the watermark editor's between the resize and the photo presets.
  LoadRenameAndResizePresetPopups();
  SetUpWatermarkView();
  LoadPhotoPresetPopup();
  SetUpImageView();
  SetUpTokenFields();
  // 7. General options.
  ReadGeneralPrefOptions();
  // 8. Nothing to convert yet.
  SetConversionButtonEnable(false);
  SetEnabledDisabledRemoveOrRemoveAllItems();
  if (watermarkContextView) watermarkContextView->hide();
  // 9. The option sidebar.
  buildConfigurations();
  // 10. The photo preset chosen at the last quit.
  const qint64 index = photoPresetIndexAtStart_;
  QComboBox* photo = w.PhotoPresetPopupButton;
  {
    const QSignalBlocker blocker(photo);
    photo->setCurrentIndex(index > 0 && index < photo->count() ? static_cast<int>(index) : 0);
  }
  ChangeAndSetPhotoPrefOptions(photo->currentIndex() > 0 ? photo->currentText() : QString());
  // 11. Sort state.
  QFont menuFont = w.sortMenu->font();
  menuFont.setPointSizeF(QApplication::font().pointSizeF() * 0.85);
  w.sortMenu->setFont(menuFont);
  isDescendingOrder = false;
  {
    const QSignalBlocker blocker(w.imageListViewOutlet->horizontalHeader());
    w.imageListViewOutlet->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  }
  setSortButtonString(LocalizedString("Sort by"), QIcon());
}

void AppDelegate::openFiles(const QStringList& paths) {
  QStringList files;
  for (const QString& path : paths) {
    if (!path.isEmpty()) files.append(QFileInfo(path).absoluteFilePath());
  }
  if (files.isEmpty()) return;
  AddUrlsIntoListViewFromDragAndDrop(files, -1);
}

bool AppDelegate::windowShouldClose() {
  // Files handed over while the quit is asked, or after, would go with the list: later starts
  // wait meanwhile.
  if (refuseHandOvers && !refuseHandOvers(true)) return false;
  // Unsaved text watermarks: the user may keep the window open. A quit has asked already.
  if (!m_mainWindowClosing && watermarkContextView &&
      !watermarkContextView->CheckAndSetModifiedPresetRow()) {
    if (refuseHandOvers) refuseHandOvers(false);
    return false;
  }
  m_mainWindowClosing = true;
  emit terminationConfirmed();
  return true;
}

// The same question as closing the window, asked once whichever of the two comes first.
bool AppDelegate::applicationShouldTerminate() { return windowShouldClose(); }

void AppDelegate::applicationWillTerminate() {
  stopAdding_ = true;
  addingPool_.waitForDone();
  ThumbnailOperationQueue().cancelAllOperations();
  WriteGeneralPrefOptions();
  const QString preview = ApplicationSupportFolder(QStringLiteral("GlimbrikPreview"));
  if (!preview.isEmpty()) QDir(preview).removeRecursively();
}

QString AppDelegate::ApplicationSupportFolder(const QString& name) {
  const QString own = SupportFolderPath();
  if (own.isEmpty()) return QString();
  const QString base = QFileInfo(own).absolutePath();
  const QString path =
      base + QLatin1Char('/') + (name.isEmpty() ? QStringLiteral("Glimbrik") : name);
  if (!QFileInfo::exists(path) && !QDir().mkpath(path)) return QString();
  return path;
}

QString AppDelegate::MissingFolderMessage() {
  const QString support = SupportFolderPath();
  if (support.isEmpty() || !QDir().mkpath(support))
    return LocalizedString("Can't find application support folder");
  const QString preferences = PreferencesFolderPath();
  if (preferences.isEmpty() || !QDir().mkpath(preferences))
    return LocalizedString("Can't find user /Library folder");
  return QString();
}

}  // namespace glimbrik
