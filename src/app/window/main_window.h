#pragma once

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "app/list/image_list_view.h"
#include "app/panels/option_panels.h"
#include "app/panels/option_sidebar.h"
#include "app/window/focus_keeping_window.h"
#include "app/window/image_view.h"

namespace glimbrik {

// The main window: toolbar, image list with its sort button and count, the selected image's
// area and the option sidebar. It only lays out controls and reports what the user does; the
// controller owns every decision.
class MainWindow : public QVXWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);

  // Asked when the user closes the window; false keeps it open.
  std::function<bool()> shouldClose;

  // Toolbar items (also in the menus and the list's context menu).
  QToolBar* toolbar = nullptr;
  QAction* addImageToolbarItem = nullptr;
  QAction* removeToolbarItem = nullptr;
  QAction* removeAllToolbarItem = nullptr;
  QAction* convertToolbarItem = nullptr;
  QAction* convertAllToolbarItem = nullptr;
  QToolButton* convertToolbarButton = nullptr;
  QToolButton* convertAllToolbarButton = nullptr;
  QWidget* rotateToolbarItem = nullptr;  // segments 0 left, 1 right
  QWidget* flipToolbarItem = nullptr;    // segments 0 horizontal, 1 vertical
  QAction* rotateLeftAction = nullptr;
  QAction* rotateRightAction = nullptr;
  QAction* flipHorizontalAction = nullptr;
  QAction* flipVerticalAction = nullptr;
  QAction* rateToolbarItem = nullptr;
  QAction* helpToolbarItem = nullptr;
  QAction* preferencesToolbarItem = nullptr;
  QAction* showInFolderAction = nullptr;
  QAction* aboutAction = nullptr;
  QAction* contactSupportAction = nullptr;
  QAction* quitAction = nullptr;
  QMenu* listContextMenu = nullptr;

  // Image list.
  ImageListView* imageListViewOutlet = nullptr;
  QLabel* totalFileCountLabelOutlet = nullptr;
  QPushButton* sortButton = nullptr;
  QMenu* sortMenu = nullptr;

  // Selected image area.
  QVXImageView* mainImagePreview = nullptr;
  QLabel* filenameLabelOutlet = nullptr;
  QLabel* fileDescriptionLabelOutlet = nullptr;
  QToolButton* previewButtonOutlet = nullptr;

  // Photo presets and the sidebar.
  QComboBox* PhotoPresetPopupButton = nullptr;
  QPushButton* savePhotoPresetButton = nullptr;
  QVXOutlineView* configurationCollection = nullptr;

  // Sheet shown while files are added.
  QDialog* addSpinWindow = nullptr;
  QProgressBar* addingSpinProgressIndicator = nullptr;
  QLabel* addingFilesLabel = nullptr;

  OptionPanels panels;
  QSplitter* splitter = nullptr;

 signals:
  // Files or folders dropped on the window outside the list.
  void filesDroppedOnWindow(const QList<QUrl>& urls);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildToolbar();
  void buildMenus();
  QWidget* buildListArea();
  QWidget* buildImageArea();
  QWidget* buildSidebarArea();
  void buildAddSheet();
  QWidget* panelHolder_ = nullptr;
};

}  // namespace glimbrik
