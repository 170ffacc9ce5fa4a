#pragma once

#include <gtest/gtest.h>

#include <QMimeData>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "support/test_env.h"

class QComboBox;
class QDialog;
class QFileDialog;
class QPoint;
class QWidget;

namespace glimbrik {
class AlertDialog;
class AppDelegate;
struct OptionPanels;
}  // namespace glimbrik

namespace glimbrik::test {

// A JPEG of the given size whose only resolution and orientation come from an EXIF block
// (no JFIF density); orientation 0 and dpi 0 leave the tags out.
void WriteJpeg(const QString& path, int width, int height, int orientation = 0, double dpi = 0.0);
// A PNG without a stated resolution.
void WritePng(const QString& path, int width, int height);
// A file of count bytes that is no image.
void WriteGarbage(const QString& path, int count);

// A started application controller with fresh general options; its window is shown.
std::unique_ptr<AppDelegate> StartApplication();
// Removes the general options file so that the next start is a first start.
void ForgetGeneralOptions();
// Waits (bounded) until every adding run has finished; false on time-out.
bool WaitForAdding(AppDelegate& delegate, int timeoutMs = 20000);
// Waits (bounded) until every entry of the list has its facts.
bool WaitForFacts(AppDelegate& delegate, int timeoutMs = 20000);
// The local files as a file manager drags them.
std::unique_ptr<QMimeData> UrlData(const QStringList& paths);
// Whether target takes a drag of the files in; Drops then lets go there and is true only when
// both the entering and the drop were accepted.
bool DragEnters(QWidget* target, const QStringList& paths, const QPoint& at);
bool Drops(QWidget* target, const QStringList& paths, const QPoint& at);
// The titles of the list in display order.
QStringList ListTitles(const AppDelegate& delegate);
// Clicks the list's row as the user does, with the keys held (Control adds to the selection).
void ClickRow(AppDelegate& delegate, int row, Qt::KeyboardModifiers keys = Qt::NoModifier);
// The alert or file dialog on the screen, if any.
AlertDialog* VisibleAlert();
QFileDialog* VisibleFileDialog();
// Starts a run of every row and answers the destination dialog with folder; false on time-out.
bool StartRunInto(AppDelegate& delegate, const QString& folder, int timeoutMs);
// The same, then waits until runs (counted by the caller's runFinished handler) grows.
bool RunAllInto(AppDelegate& delegate, const QString& folder, const int& runs, int timeoutMs);

// Alerts run their own event loop: while it lives, a timer answers each new alert with the next
// button name ("defaultButton", "alterButton", "otherButton") or "escape" and keeps its title and
// message.
class AlertAnswerer {
 public:
  AlertAnswerer();
  QStringList answers;
  QStringList titles;
  QStringList messages;

 private:
  QTimer timer_;
  QPointer<QDialog> last_;
};

// A started application on fresh general options, ended after each test.
class AppTest : public ::testing::Test {
 protected:
  ~AppTest() override;
  void SetUp() override;
  void TearDown() override;
  OptionPanels& p();
  // Adds the files, waits until the list knows their facts and selects the first row.
  void AddAndSelect(const QStringList& paths);
  std::unique_ptr<AppDelegate> app;
};

// Picks the item at index as the user does: the pop-up's action follows.
void Choose(QComboBox* popup, int index);
// The same for the item of the given tag.
void ChooseTag(QComboBox* popup, int tag);

// Every sidebar group but Conversion off.
void ConversionOnly(AppDelegate& delegate);
// Conversion only, to the output type of the given tag, written into folder without a question.
bool ConvertOnlyInto(AppDelegate& delegate, const QString& folder, int outputTypeTag);

}  // namespace glimbrik::test
