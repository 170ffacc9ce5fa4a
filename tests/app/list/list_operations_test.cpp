#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/list/thumbnail_queue.h"
#include "app/window/add_panel.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {
namespace {

// a.jpg, b.png, .h.jpg, sub/c.jpg and notes.txt.
QString MakeMixedFolder() {
  const QString folder = test::MakeTempFolder("mixed");
  QDir(folder).mkpath(QStringLiteral("sub"));
  test::WriteJpeg(folder + QStringLiteral("/a.jpg"), 64, 48);
  test::WritePng(folder + QStringLiteral("/b.png"), 32, 32);
  test::WriteJpeg(folder + QStringLiteral("/.h.jpg"), 16, 16);
  test::WriteJpeg(folder + QStringLiteral("/sub/c.jpg"), 40, 30);
  test::WriteGarbage(folder + QStringLiteral("/notes.txt"), 40);
  return folder;
}

QStringList MakeJpegs(const QString& folder, const QString& prefix, int count) {
  QStringList paths;
  for (int i = 0; i < count; ++i) {
    paths.append(folder + QStringLiteral("/%1%2.jpg").arg(prefix).arg(i, 2, 10, QLatin1Char('0')));
    test::WriteJpeg(paths.last(), 24, 16);
  }
  return paths;
}

// Drops files on target (the list's viewport unless given) as a file manager would.
void DropOn(AppDelegate& app, const QStringList& paths, const QPoint& at,
            QWidget* target = nullptr) {
  ASSERT_TRUE(
      test::Drops(target ? target : app.window()->imageListViewOutlet->viewport(), paths, at));
}

QPoint TopOfRow(AppDelegate& app, int row) {
  ImageListView* view = app.window()->imageListViewOutlet;
  const QRect rect = view->visualRect(app.imageListViewContents()->index(row, 0));
  return rect.topLeft() + QPoint(10, 3);
}

using ImageListTest = test::AppTest;

TEST_F(ImageListTest, TheAddPanelWithoutRecursionListsTheFolderItselfOnly) {
  const QString folder = MakeMixedFolder();
  app->panels().mAddRecursiveCheckBoxButton->setChecked(false);
  app->window()->addImageToolbarItem->trigger();
  AddPanel* panel = nullptr;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return (panel = app->window()->findChild<AddPanel*>()) && panel->isVisible(); }, 5000));
  EXPECT_TRUE(app->panels().mAddRecursiveCheckBoxButton->isVisible())
      << "the accessory is in the panel";
  panel->setDirectory(QFileInfo(folder).absolutePath());
  panel->selectFile(folder);
  panel->accept();
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"a.jpg", "b.png"}));
  EXPECT_EQ(app->imageListViewContents()->entityForRow(0)->GetParentFolder(), folder);
  QWidget* accessory = app->panels().mRecusrsiveAddAccessoryView;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return accessory->parentWidget() &&
               accessory->parentWidget()->objectName() == "panelHolder";
      },
      5000))
      << "the accessory went back for the next use";

  // With the panel and the adding sheet gone, the keyboard is back in the window: Ctrl+O works
  // without a click first.
  QTest::keyClick(app->window()->windowHandle(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return (panel = app->window()->findChild<AddPanel*>()) && panel->isVisible(); }, 5000));
  // Quitting with the panel open ends the panel with the window.
  app.reset();
}

TEST_F(ImageListTest, ADroppedFolderIsWalkedRecursivelyWithoutHiddenFiles) {
  const QString folder = MakeMixedFolder();
  app->panels().mAddRecursiveCheckBoxButton->setChecked(false);  // drops recurse whatever it says
  DropOn(*app, {folder}, QPoint(20, 20));
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"a.jpg", "b.png", "c.jpg"}));
  EXPECT_EQ(app->imageListViewContents()->entityForRow(2)->GetParentFolder(), folder);
  EXPECT_EQ(app->selectedRows(), QList<int>{0}) << "the first new row is selected";
  EXPECT_TRUE(app->window()->convertToolbarItem->isEnabled());
  EXPECT_TRUE(app->window()->removeAllToolbarItem->isEnabled());
  EXPECT_EQ(app->window()->totalFileCountLabelOutlet->text(), QStringLiteral("3 images"));

  // Dropped on the window's picture instead, the same walk is appended.
  QWidget* image = app->window()->mainImagePreview;
  DropOn(*app, {folder}, image->mapTo(app->window(), image->rect().center()), app->window());
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app).mid(3), (QStringList{"a.jpg", "b.png", "c.jpg"}));
  EXPECT_EQ(app->selectedRows(), QList<int>{3}) << "the first new row is selected";
}

TEST_F(ImageListTest, FilesDroppedOnARowAreInsertedThereInOrder) {
  const QString folder = test::MakeTempFolder("rows");
  app->AddUrlsIntoImageListViewAtEnd(MakeJpegs(folder, QStringLiteral("row"), 10));
  ASSERT_TRUE(test::WaitForAdding(*app));
  ASSERT_EQ(app->imageListViewContents()->rowCount(), 10);
  const QStringList dropped = MakeJpegs(test::MakeTempFolder("drop"), QStringLiteral("new"), 2);
  DropOn(*app, dropped, TopOfRow(*app, 3));
  ASSERT_TRUE(test::WaitForAdding(*app));
  const QStringList titles = test::ListTitles(*app);
  ASSERT_EQ(titles.size(), 12);
  EXPECT_EQ(titles[3], QStringLiteral("new00.jpg"));
  EXPECT_EQ(titles[4], QStringLiteral("new01.jpg"));
  EXPECT_EQ(titles[5], QStringLiteral("row03.jpg"));

  // A row past the end is clamped; opened files are appended.
  app->AddUrlsIntoListViewFromDragAndDrop(MakeJpegs(folder, QStringLiteral("f"), 1), 50);
  ASSERT_TRUE(test::WaitForAdding(*app));
  app->openFiles(MakeJpegs(folder, QStringLiteral("g"), 1));
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app).mid(12), (QStringList{"f00.jpg", "g00.jpg"}));
}

TEST_F(ImageListTest, SortingComparesNamesAndSizesAsNumbersAndAnAddingRunClearsIt) {
  const QString folder = test::MakeTempFolder("sort");
  QStringList paths;
  for (const auto& [name, size] : {std::pair{"img10.jpg", 100}, {"img9.jpg", 9}, {"Img2.jpg", 10}})
    test::WriteGarbage(paths.emplaceBack(folder + "/" + name), size);
  app->AddUrlsIntoImageListViewAtEnd(paths);
  ASSERT_TRUE(test::WaitForAdding(*app));
  ASSERT_TRUE(test::WaitForFacts(*app));
  QHeaderView* header = app->window()->imageListViewOutlet->horizontalHeader();
  header->setSortIndicator(0, Qt::AscendingOrder);
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"Img2.jpg", "img9.jpg", "img10.jpg"}));
  header->setSortIndicator(0, Qt::DescendingOrder);
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"img10.jpg", "img9.jpg", "Img2.jpg"}));

  QAction* bySize = nullptr;
  for (QAction* item : app->window()->sortMenu->actions()) {
    if (item->data().toInt() == 4) bySize = item;
  }
  ASSERT_NE(bySize, nullptr);
  bySize->trigger();
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"img9.jpg", "Img2.jpg", "img10.jpg"}));
  bySize->trigger();
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"img10.jpg", "Img2.jpg", "img9.jpg"}));

  header->setSortIndicator(0, Qt::AscendingOrder);
  app->AddUrlsIntoImageListViewAtEnd({paths[1]});
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(header->sortIndicatorSection(), -1);

  // The menu's Width and Height items each sort by their own side.
  app->window()->removeAllToolbarItem->trigger();
  QStringList pictures;
  for (const auto& [name, width, height] :
       {std::tuple{"w.jpg", 10, 30}, {"x.jpg", 20, 10}, {"y.jpg", 30, 20}}) {
    test::WriteJpeg(pictures.emplaceBack(folder + "/" + name), width, height);
  }
  app->AddUrlsIntoImageListViewAtEnd(pictures);
  ASSERT_TRUE(test::WaitForAdding(*app));
  ASSERT_TRUE(test::WaitForFacts(*app));
  for (const auto& [title, order] : {std::pair{"Height", QStringList{"x.jpg", "y.jpg", "w.jpg"}},
                                     {"Width", QStringList{"w.jpg", "x.jpg", "y.jpg"}}}) {
    for (QAction* item : app->window()->sortMenu->actions()) {
      if (item->text() == QLatin1String(title)) item->trigger();
    }
    EXPECT_EQ(test::ListTitles(*app), order) << title;
  }
}

// Writes the file anew until the file system dates its creation after `after` to the
// millisecond, which the list compares; an invalid date when it keeps no creation dates.
QDateTime WriteBornAfter(const QString& path, const QDateTime& after) {
  const QDeadlineTimer limit(5000);
  do {
    QFile::remove(path);
    test::WriteJpeg(path, 24, 16);
    const QDateTime born = QFileInfo(path).birthTime();
    if (!born.isValid()) return born;
    if (!after.isValid() || born.toMSecsSinceEpoch() > after.toMSecsSinceEpoch()) return born;
    QThread::msleep(1);
  } while (!limit.hasExpired());
  return {};
}

TEST_F(ImageListTest, TheCreationDateItemSortsOldestFirstThenNewestFirst) {
  const QString folder = test::MakeTempFolder("born");
  QDateTime last;
  for (const char* name : {"b.jpg", "c.jpg", "a.jpg"}) {  // made in this order
    last = WriteBornAfter(folder + "/" + name, last);
    ASSERT_TRUE(last.isValid()) << "no creation date for " << name;
  }
  app->AddUrlsIntoImageListViewAtEnd({folder + "/a.jpg", folder + "/b.jpg", folder + "/c.jpg"});
  ASSERT_TRUE(test::WaitForAdding(*app));
  ASSERT_EQ(test::ListTitles(*app), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
  QAction* byDate = nullptr;
  for (QAction* item : app->window()->sortMenu->actions()) {
    if (item->text() == QLatin1String("Creation Date")) byDate = item;
  }
  ASSERT_NE(byDate, nullptr);
  const auto order = [&] { return test::ListTitles(*app).join(' ').toStdString(); };
  byDate->trigger();
  EXPECT_EQ(order(), "b.jpg c.jpg a.jpg") << "first choice: ascending, the oldest first";
  byDate->trigger();
  EXPECT_EQ(order(), "a.jpg c.jpg b.jpg") << "the same item again: descending, the newest first";
}

TEST_F(ImageListTest, RemovingSelectsTheNextRowAndEmptyingDisablesTheCommands) {
  const QString folder = test::MakeTempFolder("remove");
  app->AddUrlsIntoImageListViewAtEnd(MakeJpegs(folder, QStringLiteral("r"), 4));
  ASSERT_TRUE(test::WaitForAdding(*app));
  app->SelectRowStartingAtRow(1);
  // Delete and Backspace in the list are the Remove command.
  ImageListView* list = app->window()->imageListViewOutlet;
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == app->window(); }));
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"r00.jpg", "r02.jpg", "r03.jpg"}));
  EXPECT_EQ(app->selectedRows(), QList<int>{1});
  QTest::keyClick(list, Qt::Key_Backspace);
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"r00.jpg", "r03.jpg"}));
  app->SelectRowStartingAtRow(99);
  EXPECT_EQ(app->selectedRows(), QList<int>{1}) << "a row past the end selects the last";
  ASSERT_EQ(app->window()->filenameLabelOutlet->text(), QStringLiteral("r03.jpg"));
  // Each command shows its own picture.
  const auto picture = [](const QIcon& icon) { return icon.pixmap(32, 32).toImage(); };
  EXPECT_EQ(picture(app->window()->removeAllToolbarItem->icon()),
            picture(TemplateIcon(QStringLiteral("RemoveAll.pdf"))));
  EXPECT_NE(picture(app->window()->removeAllToolbarItem->icon()),
            picture(app->window()->removeToolbarItem->icon()));
  app->window()->removeAllToolbarItem->trigger();
  // Nothing is left to describe under the drop image.
  EXPECT_TRUE(app->window()->filenameLabelOutlet->text().isEmpty());
  EXPECT_TRUE(app->window()->fileDescriptionLabelOutlet->text().isEmpty());
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 0);
  EXPECT_FALSE(app->window()->convertToolbarItem->isEnabled());
  EXPECT_FALSE(app->window()->removeToolbarItem->isEnabled());
  EXPECT_EQ(app->window()->totalFileCountLabelOutlet->text(), QStringLiteral("0 images"));

  // Removing one row while the others still wait for their thumbnails leaves their loads queued.
  // Both loaders held until the removal is done (and freed on any early return).
  auto release = std::make_shared<QSemaphore>();
  const std::unique_ptr<void, std::function<void(void*)>> freed(
      release.get(), [release](void*) { release->release(2); });
  for (int i = 0; i < 2; ++i) ThumbnailOperationQueue().enqueue([release] { release->acquire(); });
  app->AddUrlsIntoImageListViewAtEnd(MakeJpegs(folder, QStringLiteral("q"), 6));
  ASSERT_TRUE(test::WaitForAdding(*app));
  app->SelectRowStartingAtRow(2);
  app->window()->removeToolbarItem->trigger();
  release->release(2);
  ASSERT_TRUE(ThumbnailOperationQueue().waitForDone(30000));
  ASSERT_EQ(app->imageListViewContents()->rowCount(), 5);
  for (const ImageEntityPtr& entity : app->imageListViewContents()->entries())
    EXPECT_TRUE(entity->isLoaded()) << entity->title().toStdString();
}

TEST_F(ImageListTest, AThumbnailFadesInWhereItsBusyMarkTurned) {
  // The loaders are held, so the second and third rows show their busy marks.
  auto release = std::make_shared<QSemaphore>();
  const std::unique_ptr<void, std::function<void(void*)>> freed(
      release.get(), [release](void*) { release->release(2); });
  for (int i = 0; i < 2; ++i) ThumbnailOperationQueue().enqueue([release] { release->acquire(); });
  app->AddUrlsIntoImageListViewAtEnd(MakeJpegs(test::MakeTempFolder("fade"), "f", 3));
  ASSERT_TRUE(test::WaitForAdding(*app));
  ImageListView* list = app->window()->imageListViewOutlet;
  // The middle of the row's picture box, as drawn now.
  const auto middle = [&](int row) {
    const QRect cell = list->visualRect(app->imageListViewContents()->index(row, 0));
    const QRect box(cell.left() + 6, cell.top() + 6, 104, 104);
    return list->viewport()->grab(box).toImage();
  };
  const QImage mark = middle(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return middle(1) != mark; }, 3000));  // it turns

  // The written colour (40, 120, 200) over the row's light background.
  const auto red = [&] {
    const QImage box = middle(1);
    return box.pixelColor(box.width() / 2, box.height() / 2).red();
  };
  release->release(2);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const int now = red();
        return now > 70 && now < 230;
      },
      5000));                                                      // half-way in
  ASSERT_TRUE(QTest::qWaitFor([&] { return red() < 50; }, 3000));  // and then whole
}

TEST_F(ImageListTest, AddingRunsOffTheGuiThreadAndLeavesTheCancelFlagAlone) {
  const QString folder = test::MakeTempFolder("async");
  const QStringList files = MakeJpegs(folder, QStringLiteral("x"), 30);
  app->AddUrlsIntoImageListViewAtEnd(files);
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 0) << "the call returns before the walk";
  EXPECT_FALSE(app->window()->removeAllToolbarItem->isEnabled()) << "no removing while adding";
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 30);

  app->isConversionCancelled = true;
  app->AddUrlsIntoImageListViewAtEnd(files);
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 30) << "a cancelled run adds nothing";
  EXPECT_TRUE(app->isConversionCancelled.load()) << "and does not clear the run's flag";
}

}  // namespace
}  // namespace glimbrik
