#include "app/window/main_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QVBoxLayout>

#include "app/panels/panel_widgets.h"
#include "app/window/drop_targets.h"

namespace glimbrik {

namespace {
QAction* NewAction(QObject* parent, const char* name, const QString& text) {
  auto* action = new QAction(text, parent);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QToolButton* SegmentButton(QAction* action) {
  auto* button = new QToolButton;
  button->setDefaultAction(action);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  return button;
}

QWidget* SegmentedControl(const char* name, QAction* first, QAction* second) {
  auto* control = new QWidget;
  control->setObjectName(QString::fromLatin1(name));
  auto* layout = new QHBoxLayout(control);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(SegmentButton(first));
  layout->addWidget(SegmentButton(second));
  return control;
}
}  // namespace

MainWindow::MainWindow(QWidget* parent) : QVXWindow(parent) {
  setObjectName(QStringLiteral("window"));
  setWindowTitle(QStringLiteral("Glimbrik"));
  setAcceptDrops(true);
  panelHolder_ = new QWidget(this);
  panelHolder_->setObjectName(QStringLiteral("panelHolder"));
  panelHolder_->hide();
  panels = BuildOptionPanels(panelHolder_);

  buildToolbar();
  splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("splitView"));
  splitter->addWidget(buildListArea());
  splitter->addWidget(buildImageArea());
  splitter->addWidget(buildSidebarArea());
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setStretchFactor(2, 0);
  splitter->setChildrenCollapsible(false);
  setCentralWidget(splitter);
  buildMenus();
  buildAddSheet();
  resize(1280, 800);
  splitter->setSizes({360, 500, 420});
}

void MainWindow::buildToolbar() {
  toolbar = addToolBar(QStringLiteral("Toolbar"));
  toolbar->setObjectName(QStringLiteral("toolbar"));
  toolbar->setMovable(false);
  toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar->setIconSize(QSize(24, 24));
  addImageToolbarItem = NewAction(this, "addImageToolbarItem", QStringLiteral("Add"));
  removeToolbarItem = NewAction(this, "removeToolbarItem", QStringLiteral("Remove"));
  removeAllToolbarItem = NewAction(this, "removeAllToolbarItem", QStringLiteral("Remove All"));
  convertToolbarItem = NewAction(this, "convertToolbarItem", QStringLiteral("Convert"));
  convertAllToolbarItem = NewAction(this, "convertAllToolbarItem", QStringLiteral("Convert All"));
  rotateLeftAction = NewAction(this, "rotateLeftAction", QStringLiteral("Rotate Left"));
  rotateRightAction = NewAction(this, "rotateRightAction", QStringLiteral("Rotate Right"));
  flipHorizontalAction =
      NewAction(this, "flipHorizontalAction", QStringLiteral("Flip Horizontally"));
  flipVerticalAction = NewAction(this, "flipVerticalAction", QStringLiteral("Flip Vertically"));
  rateToolbarItem = NewAction(this, "rateToolbarItem", QStringLiteral("Rate"));
  helpToolbarItem = NewAction(this, "helpToolbarItem", QStringLiteral("Help"));
  preferencesToolbarItem = NewAction(this, "preferencesToolbarItem", QStringLiteral("Preferences"));
  showInFolderAction = NewAction(this, "showInFolderAction", QStringLiteral("Show in Folder"));
  aboutAction = NewAction(this, "aboutAction", QStringLiteral("About Glimbrik"));
  contactSupportAction = NewAction(this, "contactSupportAction", QStringLiteral("Contact Support"));
  quitAction = NewAction(this, "quitAction", QStringLiteral("Quit"));
  // A platform theme that binds no key to Quit still gets the desktops' Ctrl+Q.
  const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
  quitAction->setShortcuts(
      quitKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Q"))} : quitKeys);
  addImageToolbarItem->setShortcut(QKeySequence::Open);
  preferencesToolbarItem->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));

  toolbar->addAction(addImageToolbarItem);
  toolbar->addAction(removeToolbarItem);
  toolbar->addAction(removeAllToolbarItem);
  toolbar->addSeparator();
  rotateToolbarItem = SegmentedControl("rotateToolbarItem", rotateLeftAction, rotateRightAction);
  flipToolbarItem = SegmentedControl("flipToolbarItem", flipHorizontalAction, flipVerticalAction);
  toolbar->addWidget(rotateToolbarItem);
  toolbar->addWidget(flipToolbarItem);
  toolbar->addSeparator();
  toolbar->addAction(convertToolbarItem);
  toolbar->addAction(convertAllToolbarItem);
  auto* spacer = new QWidget;
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar->addWidget(spacer);
  toolbar->addAction(rateToolbarItem);
  toolbar->addAction(helpToolbarItem);
  toolbar->addAction(preferencesToolbarItem);
  convertToolbarButton = qobject_cast<QToolButton*>(toolbar->widgetForAction(convertToolbarItem));
  convertAllToolbarButton =
      qobject_cast<QToolButton*>(toolbar->widgetForAction(convertAllToolbarItem));
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(addImageToolbarItem);
  file->addAction(removeToolbarItem);
  file->addAction(removeAllToolbarItem);
  file->addAction(showInFolderAction);
  file->addSeparator();
  file->addAction(convertToolbarItem);
  file->addAction(convertAllToolbarItem);
  file->addSeparator();
  file->addAction(preferencesToolbarItem);
  file->addAction(quitAction);
  QMenu* image = menuBar()->addMenu(QStringLiteral("&Image"));
  image->addAction(rotateLeftAction);
  image->addAction(rotateRightAction);
  image->addAction(flipHorizontalAction);
  image->addAction(flipVerticalAction);
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(helpToolbarItem);
  help->addAction(rateToolbarItem);
  help->addAction(contactSupportAction);
  help->addSeparator();
  help->addAction(aboutAction);

  listContextMenu = new QMenu(this);
  listContextMenu->setObjectName(QStringLiteral("listContextMenu"));
  listContextMenu->addAction(convertToolbarItem);
  listContextMenu->addAction(convertAllToolbarItem);
  listContextMenu->addSeparator();
  listContextMenu->addAction(showInFolderAction);
  listContextMenu->addAction(removeToolbarItem);
  listContextMenu->addAction(removeAllToolbarItem);
}

QWidget* MainWindow::buildListArea() {
  auto* area = new QWidget;
  area->setMinimumWidth(215);
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(4, 4, 0, 4);
  sortButton = Named(new QPushButton, "sortButton");
  sortMenu = new QMenu(sortButton);
  sortMenu->setObjectName(QStringLiteral("sortMenu"));
  static const struct {
    const char* title;
    int tag;
  } kSortItems[] = {{"Name", 3},        {"Kind", 2},       {"Creation Date", 1}, {"Size", 4},
                    {"Color Model", 5}, {"Resolution", 6}, {"Width", 8},         {"Height", 7}};
  for (const auto& item : kSortItems) {
    QAction* action = sortMenu->addAction(QString::fromLatin1(item.title));
    action->setData(item.tag);
    action->setCheckable(true);
  }
  imageListViewOutlet = new ImageListView;
  imageListViewOutlet->setContextMenuPolicy(Qt::CustomContextMenu);
  // Delete and Backspace in the list remove the selected images, as in any file list.
  auto* removeKeys = new QAction(imageListViewOutlet);
  removeKeys->setShortcuts({QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)});
  removeKeys->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  imageListViewOutlet->addAction(removeKeys);
  connect(removeKeys, &QAction::triggered, removeToolbarItem, &QAction::trigger);
  totalFileCountLabelOutlet = NewLabel("totalFileCountLabelOutlet", QString());
  layout->addWidget(sortButton, 0, Qt::AlignLeft);
  layout->addWidget(imageListViewOutlet, 1);
  layout->addWidget(totalFileCountLabelOutlet);
  return area;
}

QWidget* MainWindow::buildImageArea() {
  auto* area = new QWidget;
  area->setMinimumWidth(260);
  auto* layout = new QVBoxLayout(area);
  mainImagePreview = Named(new QVXImageView, "mainImagePreview");
  mainImagePreview->setMinimumSize(200, 200);
  mainImagePreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  filenameLabelOutlet = NewElidingLabel("filenameLabelOutlet");
  filenameLabelOutlet->setAlignment(Qt::AlignCenter);
  fileDescriptionLabelOutlet = NewElidingLabel("fileDescriptionLabelOutlet");
  fileDescriptionLabelOutlet->setAlignment(Qt::AlignCenter);
  previewButtonOutlet = Named(new QToolButton, "previewButtonOutlet");
  previewButtonOutlet->setText(QStringLiteral("Preview"));
  previewButtonOutlet->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  layout->addWidget(mainImagePreview, 1);
  layout->addWidget(filenameLabelOutlet);
  auto* row = new QHBoxLayout;
  row->addWidget(fileDescriptionLabelOutlet, 1);
  row->addWidget(previewButtonOutlet);
  layout->addLayout(row);
  return area;
}

QWidget* MainWindow::buildSidebarArea() {
  // Its width follows the sidebar's widest row, so that no control is ever cut.
  auto* area = new QWidget;
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 4, 4, 4);
  auto* presets = new QHBoxLayout;
  PhotoPresetPopupButton = Named(new QComboBox, "PhotoPresetPopupButton");
  PhotoPresetPopupButton->addItem(QStringLiteral("Default"), 0);
  savePhotoPresetButton = Named(new QPushButton(QStringLiteral("Save")), "savePhotoPresetButton");
  presets->addWidget(PhotoPresetPopupButton, 1);
  presets->addWidget(savePhotoPresetButton);
  configurationCollection = new QVXOutlineView;
  layout->addLayout(presets);
  layout->addWidget(configurationCollection, 1);
  return area;
}

void MainWindow::buildAddSheet() {
  addSpinWindow = Named(new QDialog(this), "addSpinWindow");
  addSpinWindow->setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(addSpinWindow);
  addingFilesLabel = NewLabel("addingFilesLabel", QString());
  addingSpinProgressIndicator = Named(new QProgressBar, "addingSpinProgressIndicator");
  addingSpinProgressIndicator->setRange(0, 0);
  addingSpinProgressIndicator->setTextVisible(false);
  layout->addWidget(addingFilesLabel);
  layout->addWidget(addingSpinProgressIndicator);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (shouldClose && !shouldClose()) {
    event->ignore();
    return;
  }
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  // The list's own rows dropped back on the window are no new files.
  if (event->source() == imageListViewOutlet) return;
  if (ImageDropOperation(event->mimeData(), addImageToolbarItem->isEnabled()) == Qt::CopyAction) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (event->source() == imageListViewOutlet) return;
  QList<QUrl> files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files.append(url);
  }
  if (files.isEmpty() || !addImageToolbarItem->isEnabled()) return;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit filesDroppedOnWindow(files);
}

}  // namespace glimbrik
