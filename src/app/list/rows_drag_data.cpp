#include "app/list/rows_drag_data.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "app/batch/raw_file_names.h"
#include "app/list/x11_direct_save.h"

namespace glimbrik {

const QString RowsDragData::kDirectSave = QStringLiteral("XdndDirectSave0");
const QString RowsDragData::kUriList = QStringLiteral("text/uri-list");

namespace {
QVariant UriListData(const QStringList& files, QMetaType type) {
  if (type.id() == QMetaType::QByteArray) {
    QByteArray list;
    for (const QString& file : files) list += UriOfLocalPath(file) + "\r\n";
    return list;
  }
  QVariantList urls;
  for (const QString& file : files) urls << QUrl::fromEncoded(UriOfLocalPath(file));
  return urls;
}
}  // namespace

QByteArray UriOfLocalPath(const QString& path) {
  return QByteArrayLiteral("file://") + QUrl::toPercentEncoding(RawBytesOfPath(path), "/");
}

RowsDragData::RowsDragData(RowsDragRoads roads, const QString& suggestedName)
    : roads_(std::move(roads)), suggestedName_(RawBytesOfPath(suggestedName)) {
  pointerOverOwnWindow = [] { return QApplication::topLevelAt(QCursor::pos()) != nullptr; };
  if (roads_.saveInto && X11DirectSave::Available()) {
    auto x11 = std::make_shared<X11DirectSave>();
    offerDirectSave = [x11](const QByteArray& name) { return x11->Offer(name); };
    directSaveTarget = [x11] { return x11->Target(); };
  }
}

QStringList RowsDragData::formats() const {
  // libfm prefers a file list to direct save whenever both are offered, and refuses a drop made
  // before the list came: where direct save is offered it is the only road.
  if (offerDirectSave) return {kDirectSave};
  return {kUriList};
}

bool RowsDragData::hasFormat(const QString& mimeType) const { return formats().contains(mimeType); }

void RowsDragData::dragStarted() {
  // Without the name the target writes back no address, and the drop says so.
  if (offerDirectSave) offerDirectSave(suggestedName_);
}

void RowsDragData::dragEnded(Qt::DropAction result) {
  if (result == Qt::IgnoreAction && files_ && roads_.discard) roads_.discard();
}

QVariant RowsDragData::retrieveData(const QString& mimeType, QMetaType type) const {
  if (mimeType == kDirectSave && offerDirectSave) return SaveIntoTarget();
  if (mimeType == kUriList && !offerDirectSave) return FilesForTarget(type);
  return QVariant();
}

QVariant RowsDragData::SaveIntoTarget() const {
  if (saved_) return *saved_;
  // The target wrote back the address of the named file; its folder is where the drop was.
  const QByteArray named = directSaveTarget ? directSaveTarget() : QByteArray();
  // libfm asks while the pointer is over a place that is not a folder, before any drop: the
  // target has named no place then.
  if (named == suggestedName_) return QVariant();
  const QUrl url = QUrl::fromEncoded(named);
  const QString folder = url.isLocalFile() ? QFileInfo(LocalPathOfUrl(url)).path() : QString();
  // As with the file list: the window's events go on, and this object may go meanwhile.
  const auto saveInto = roads_.saveInto;
  const QPointer<const RowsDragData> self(this);
  const bool saved = saveInto && saveInto(folder, QString::fromUtf8(named));
  // "S" the file is saved, "E" it is not and the target should not look for it.
  const QByteArray answer = saved ? QByteArrayLiteral("S") : QByteArrayLiteral("E");
  if (self) saved_ = answer;
  return answer;
}

QVariant RowsDragData::FilesForTarget(QMetaType type) const {
  if (files_) return UriListData(*files_, type);
  // Once asked for outside, the rows answer every later request, wherever the pointer has gone.
  if (!asked_ && pointerOverOwnWindow && pointerOverOwnWindow()) return QVariant();
  asked_ = true;
  // The window's events go on while the files are made, and the target may end the drag, and
  // this object with it, meanwhile: nothing of it is touched then.
  const auto produce = roads_.produce;
  const QPointer<const RowsDragData> self(this);
  const QStringList files = produce ? produce() : QStringList();
  if (self) files_ = files;
  return UriListData(files, type);
}

}  // namespace glimbrik
