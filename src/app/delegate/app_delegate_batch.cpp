#include "app/delegate/app_delegate_batch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

#include "app/delegate/app_delegate.h"
#include "app/list/rows_drag_data.h"
#include "platform/pixels/color_space.h"

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
  c.fillRenameTokens = [&delegate](BatchOptions& o) {
    if (std::optional<TokenArray> tokens = delegate.GetRenameTokens()) o.renameTokens = *tokens;
  };
  c.selectedColorSpace = [&delegate] { return delegate.GetSelectedColorSpaceRef(); };
  c.markFailedFiles = [&delegate](const std::vector<BatchFailure>& failures) {
    delegate.imageListViewContents()->MarkFailedFiles(failures);
  };

  c.fillWatermarks = [&delegate](BatchOptions& o) {
    const WatermarkView* view = delegate.watermarkContextView;
    if (!view) return;
    if (o.textWatermarkOn) {
      const TextWatermarkRecords records = view->GetSelectedTextWatermarkOptions();
      o.textWatermarks = records.records;
      o.textWatermarkCount = records.count;
    }
    const std::optional<ImageWatermarkOptions> image = view->model().imageWatermarkOptions();
    o.imageWatermarkOn = o.imageWatermarkOn && image.has_value();
    if (o.imageWatermarkOn) o.imageWatermark = *image;
  };

  auto* controller = new BatchController(std::move(c), &delegate);
  // A run under way ends before the window and its controls go: at a confirmed quit or close,
  // and at a quit that asks nothing (a signal).
  QObject::connect(&delegate, &AppDelegate::terminationConfirmed, controller,
                   &BatchController::StopRun);
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, controller, &BatchController::StopRun);
  // Rows dragged out of the list: what their run must ask is asked as the drag starts, and their
  // files are written into the folder the drop names or, for a target that names none, when it
  // asks for them.
  QPointer<BatchController> guarded = controller;
  window->imageListViewOutlet->makeDragData = [guarded](const QList<int>& rows) -> QMimeData* {
    const std::shared_ptr<DraggedRowsRun> run =
        guarded ? guarded->PrepareDraggedRows(std::vector<int>(rows.begin(), rows.end())) : nullptr;
    if (!run) return nullptr;
    RowsDragRoads roads;
    roads.produce = [guarded, run] {
      return guarded ? guarded->FilesOfDraggedRows(run) : QStringList();
    };
    roads.discard = [guarded, run] {
      if (guarded) guarded->DiscardDraggedRows(run);
    };
    roads.saveInto = [guarded, run](const QString& folder, const QString& named) {
      return guarded && guarded->SaveDraggedRowsInto(run, folder, named);
    };
    // The target is offered one name; every file of the run goes to the folder it names.
    return new RowsDragData(std::move(roads),
                            QFileInfo(run->snapshot.entries.front().filePath).fileName());
  };
  // The progress sheet has the keyboard during a run: Ctrl+Q works there too.
  delegate.panels().conversionProgressSheet->addAction(window->quitAction);
  QObject::connect(window->convertToolbarItem, &QAction::triggered, controller,
                   &BatchController::ConvertButtonAction);
  QObject::connect(window->convertAllToolbarItem, &QAction::triggered, controller,
                   &BatchController::ConvertAllButtonAction);
  return controller;
}

}  // namespace glimbrik
