#include "app/app_delegate_batch.h"

#include <QCoreApplication>

#include "app/app_delegate.h"
#include "platform/color_space.h"

namespace glimbrik {

BatchController* InstallBatchRun(AppDelegate& delegate) {
  MainWindow* window = delegate.window();
  BatchControllerContext c;
  c.window = window;
  c.panels = &delegate.panels();
  c.cancelFlag = &delegate.isConversionCancelled;
  c.groupOn = [&delegate](int group) { return delegate.isGroupOn(group); };
  c.entries = [&delegate] {
    std::vector<ImageEntityPtr> list;
    const int count = delegate.imageListViewContents()->rowCount();
    list.reserve(count);
    for (int row = 0; row < count; ++row) list.push_back(delegate.ImageEntityForRow(row));
    return list;
  };
  c.selectedRows = [&delegate] {
    const QList<int> rows = delegate.selectedRows();
    return std::vector<int>(rows.begin(), rows.end());
  };
  c.rememberedDestination = [&delegate] { return delegate.destinationURL(); };
  c.selectedColorSpace = [&delegate] { return delegate.GetSelectedColorSpaceRef(); };

  auto* controller = new BatchController(std::move(c), &delegate);
  // A run under way ends before the window and its controls go.
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, controller, &BatchController::StopRun);
  QObject::connect(window->convertToolbarItem, &QAction::triggered, controller,
                   &BatchController::ConvertButtonAction);
  QObject::connect(window->convertAllToolbarItem, &QAction::triggered, controller,
                   &BatchController::ConvertAllButtonAction);
  // A user's choice is already marked as a change by the pop-up's own action.
  QObject::connect(window->panels.destImageTypePopUpButton, &QComboBox::currentIndexChanged,
                   controller, [&delegate] { SetImageTypeSecondaryOption(delegate.panels()); });
  SetImageTypeSecondaryOption(delegate.panels());
  QObject::connect(
      window->panels.imageQualityEditFieldOutlet, &QLineEdit::textEdited, controller, [&delegate] {
        QualityFieldTextDidChange(delegate.panels());
        delegate.changeGlobalPresetOption(delegate.panels().imageQualityEditFieldOutlet);
      });
  return controller;
}

}  // namespace glimbrik
