#include "app_fixtures.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "app/delegate/app_delegate.h"
#include "app/panels/configuration.h"
#include "app/panels/option_panels.h"
#include "app/settings/general_options.h"
#include "app/window/custom_alert.h"
#include "platform/store/preferences.h"
#include "support/metadata_fixture.h"

namespace glimbrik::test {

namespace {

QByteArray Encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes;
}

}  // namespace

void WriteJpeg(const QString& path, int width, int height, int orientation, double dpi) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(40, 120, 200));
  const QByteArray jpeg = Encoded(image, "JPEG", 40);
  // Drop the JFIF segment so that only the EXIF block states a resolution.
  int pos = 2;
  if (quint8(jpeg[2]) == 0xFF && quint8(jpeg[3]) == 0xE0)
    pos = 4 + ((quint8(jpeg[4]) << 8) | quint8(jpeg[5]));
  QList<TiffEntry> tags;
  if (orientation) tags << ShortEntry(274, quint16(orientation));
  if (dpi > 0) {
    const quint32 tenths = quint32(dpi * 10 + 0.5);
    tags << RationalsEntry(282, {{tenths, 10}}) << RationalsEntry(283, {{tenths, 10}})
         << ShortEntry(296, 2);
  }
  QByteArray out = jpeg.left(2);
  if (!tags.isEmpty())
    out += JpegSegment(0xE1, QByteArray("Exif\0\0", 6) + BuildTiffMetadata(tags, {}));
  WriteBytes(path, out + jpeg.mid(pos));
}

void WritePng(const QString& path, int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(QColor(200, 60, 30));
  QByteArray png = Encoded(image, "PNG");
  // Qt always states a resolution: drop the pHYs chunk (length, type, 9 data bytes, CRC).
  const qsizetype at = png.indexOf("pHYs");
  if (at >= 4) png.remove(at - 4, 4 + 4 + 9 + 4);
  WriteBytes(path, png);
}

void WriteGarbage(const QString& path, int count) {
  QByteArray bytes(count, 'x');
  for (int i = 0; i < count; ++i) bytes[i] = char('a' + i % 23);
  WriteBytes(path, bytes);
}

void ForgetGeneralOptions() {
  QFile::remove(PreferenceFilePath(QString::fromLatin1(kGeneralPrefFile)));
}

std::unique_ptr<AppDelegate> StartApplication() {
  auto delegate = std::make_unique<AppDelegate>();
  delegate->awakeFromNib();
  delegate->applicationDidFinishLaunching();
  delegate->window()->show();
  return delegate;
}

bool WaitForAdding(AppDelegate& delegate, int timeoutMs) {
  return QTest::qWaitFor([&] { return delegate.addingRunsInProgress() == 0; }, timeoutMs);
}

bool WaitForFacts(AppDelegate& delegate, int timeoutMs) {
  return QTest::qWaitFor(
      [&] {
        for (const ImageEntityPtr& entity : delegate.imageListViewContents()->entries()) {
          if (!entity->isLoaded()) {
            entity->loadImage();
            return false;
          }
        }
        return true;
      },
      timeoutMs);
}

std::unique_ptr<QMimeData> UrlData(const QStringList& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  return data;
}

bool DragEnters(QWidget* target, const QStringList& paths, const QPoint& at) {
  const auto data = UrlData(paths);
  QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  enter.ignore();
  QCoreApplication::sendEvent(target, &enter);
  return enter.isAccepted();
}

bool Drops(QWidget* target, const QStringList& paths, const QPoint& at) {
  const bool entered = DragEnters(target, paths, at);
  const auto data = UrlData(paths);
  QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  drop.ignore();
  QCoreApplication::sendEvent(target, &drop);
  return entered && drop.isAccepted();
}

QStringList ListTitles(const AppDelegate& delegate) {
  QStringList titles;
  for (const ImageEntityPtr& entity : delegate.imageListViewContents()->entries())
    titles.append(entity->title());
  return titles;
}

void ClickRow(AppDelegate& delegate, int row, Qt::KeyboardModifiers keys) {
  ImageListView* view = delegate.window()->imageListViewOutlet;
  const QRect rect = view->visualRect(delegate.imageListViewContents()->index(row, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, keys, rect.center());
}

AlertDialog* VisibleAlert() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* alert = qobject_cast<AlertDialog*>(w); alert && alert->isVisible()) return alert;
  }
  return nullptr;
}

QFileDialog* VisibleFileDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) return d;
  }
  return nullptr;
}

bool StartRunInto(AppDelegate& delegate, const QString& folder, int timeoutMs) {
  delegate.window()->convertAllToolbarItem->trigger();
  QFileDialog* dialog = nullptr;
  if (!QTest::qWaitFor([&] { return (dialog = VisibleFileDialog()) != nullptr; }, timeoutMs))
    return false;
  dialog->setDirectory(folder);
  static_cast<QDialog*>(dialog)->accept();  // protected in QFileDialog, public in QDialog
  return true;
}

bool RunAllInto(AppDelegate& delegate, const QString& folder, const int& runs, int timeoutMs) {
  const int before = runs;
  return StartRunInto(delegate, folder, timeoutMs) &&
         QTest::qWaitFor([&] { return runs > before; }, timeoutMs);
}

AlertAnswerer::AlertAnswerer() {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    QDialog* alert = VisibleAlert();
    if (!alert || alert == last_ || answers.isEmpty()) return;
    last_ = alert;
    auto* title = alert->findChild<QLabel*>(QStringLiteral("alertTitle"));
    titles << (title ? title->text() : QString());
    auto* message = alert->findChild<QLabel*>(QStringLiteral("alertMessage"));
    messages << (message ? message->text() : QString());
    const QString answer = answers.takeFirst();
    if (answer == QLatin1String("escape")) {
      QTest::keyClick(alert, Qt::Key_Escape);
    } else if (auto* b = alert->findChild<QPushButton*>(answer)) {
      b->click();
    }
  });
  timer_.start();
}

AppTest::~AppTest() = default;

void AppTest::SetUp() {
  ForgetGeneralOptions();
  app = StartApplication();
}

void AppTest::TearDown() {
  app.reset();
  ForgetGeneralOptions();
}

OptionPanels& AppTest::p() { return app->panels(); }

void AppTest::AddAndSelect(const QStringList& paths) {
  app->AddUrlsIntoImageListViewAtEnd(paths);
  ASSERT_TRUE(WaitForAdding(*app));
  ASSERT_TRUE(WaitForFacts(*app));
  app->SelectRowStartingAtRow(0);
}

void Choose(QComboBox* popup, int index) {
  popup->setCurrentIndex(index);
  emit popup->activated(index);
}

void ChooseTag(QComboBox* popup, int tag) {
  const int index = popup->findData(tag);
  EXPECT_GE(index, 0) << "no item of tag " << tag;
  Choose(popup, index);
}

void ConversionOnly(AppDelegate& delegate) {
  for (int group = kOptimizationGroup; group < kConfigurationGroupCount; ++group)
    delegate.SwitchOnOffHeader(group, false, true);
}

bool ConvertOnlyInto(AppDelegate& delegate, const QString& folder, int outputTypeTag) {
  ConversionOnly(delegate);
  OptionPanels& p = delegate.panels();
  delegate.SetDestinationURL(folder);
  p.useAsDestinationFolderCheckBox->setChecked(true);
  p.doNotShowAlertCheckBox->setChecked(true);
  return SelectItemWithTag(p.destImageTypePopUpButton, outputTypeTag);
}

}  // namespace glimbrik::test
