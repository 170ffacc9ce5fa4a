#include "app_fixtures.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

#include "app/app_delegate.h"
#include "app/configuration.h"
#include "app/custom_alert.h"
#include "app/general_options.h"
#include "app/option_panels.h"
#include "platform/preferences.h"

namespace glimbrik::test {

namespace {

void Put16(QByteArray& b, quint16 v) {
  b.append(char(v >> 8));
  b.append(char(v & 0xff));
}
void Put32(QByteArray& b, quint32 v) {
  Put16(b, quint16(v >> 16));
  Put16(b, quint16(v & 0xffff));
}

// A big-endian TIFF block with the orientation and resolution tags.
QByteArray ExifBlock(int orientation, double dpi) {
  struct Entry {
    quint16 tag, type;
    quint32 value;
  };
  std::vector<Entry> entries;
  if (orientation) entries.push_back({274, 3, quint32(orientation) << 16});
  const int count = int(entries.size()) + (dpi > 0 ? 3 : 0);
  const quint32 ifdEnd = 8 + 2 + 12 * count + 4;
  if (dpi > 0) {
    entries.push_back({282, 5, ifdEnd});
    entries.push_back({283, 5, ifdEnd + 8});
    entries.push_back({296, 3, quint32(2) << 16});
  }
  QByteArray tiff("MM\0*", 4);
  Put32(tiff, 8);
  Put16(tiff, quint16(entries.size()));
  for (const Entry& e : entries) {
    Put16(tiff, e.tag);
    Put16(tiff, e.type);
    Put32(tiff, 1);
    Put32(tiff, e.value);
  }
  Put32(tiff, 0);
  if (dpi > 0) {
    for (int i = 0; i < 2; ++i) {
      Put32(tiff, quint32(dpi * 10 + 0.5));
      Put32(tiff, 10);
    }
  }
  return QByteArray("Exif\0\0", 6) + tiff;
}

}  // namespace

void WriteJpeg(const QString& path, int width, int height, int orientation, double dpi) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(40, 120, 200));
  QByteArray jpeg;
  {
    QFile sink(path);
    image.save(path, "JPEG", 40);
    sink.open(QIODevice::ReadOnly);
    jpeg = sink.readAll();
  }
  // Drop the JFIF segment so that only the EXIF block states a resolution.
  QByteArray out = jpeg.left(2);
  int pos = 2;
  if (quint8(jpeg[2]) == 0xFF && quint8(jpeg[3]) == 0xE0) {
    pos = 4 + ((quint8(jpeg[4]) << 8) | quint8(jpeg[5]));
  }
  if (orientation || dpi > 0) {
    const QByteArray exif = ExifBlock(orientation, dpi);
    out.append(char(0xFF));
    out.append(char(0xE1));
    Put16(out, quint16(exif.size() + 2));
    out.append(exif);
  }
  out.append(jpeg.mid(pos));
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(out);
}

void WritePng(const QString& path, int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(QColor(200, 60, 30));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  // Qt always states a resolution: drop the pHYs chunk (length, type, 9 data bytes, CRC).
  const qsizetype at = png.indexOf("pHYs");
  if (at >= 4) png.remove(at - 4, 4 + 4 + 9 + 4);
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(png);
}

void WriteGarbage(const QString& path, int count) {
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  QByteArray bytes(count, 'x');
  for (int i = 0; i < count; ++i) bytes[i] = char('a' + i % 23);
  file.write(bytes);
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

QStringList ListTitles(const AppDelegate& delegate) {
  QStringList titles;
  for (const ImageEntityPtr& entity : delegate.imageListViewContents()->entries())
    titles.append(entity->title());
  return titles;
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

bool RunAllInto(AppDelegate& delegate, const QString& folder, const int& runs, int timeoutMs) {
  const int before = runs;
  delegate.window()->convertAllToolbarItem->trigger();
  QFileDialog* dialog = nullptr;
  if (!QTest::qWaitFor([&] { return (dialog = VisibleFileDialog()) != nullptr; }, timeoutMs))
    return false;
  dialog->setDirectory(folder);
  static_cast<QDialog*>(dialog)->accept();
  return QTest::qWaitFor([&] { return runs > before; }, timeoutMs);
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

void Choose(QComboBox* popup, int index) {
  popup->setCurrentIndex(index);
  emit popup->activated(index);
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
