#include "app/list/rows_drag_data.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QUrl>

#include "app/batch/raw_file_names.h"

namespace glimbrik {

namespace {
const QString kUriList = QStringLiteral("text/uri-list");

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

RowsDragData::RowsDragData(Produce produce) : produce_(std::move(produce)) {
  pointerOverOwnWindow = [] { return QApplication::topLevelAt(QCursor::pos()) != nullptr; };
}

QStringList RowsDragData::formats() const { return {kUriList}; }

bool RowsDragData::hasFormat(const QString& mimeType) const { return mimeType == kUriList; }

QVariant RowsDragData::retrieveData(const QString& mimeType, QMetaType type) const {
  if (mimeType != kUriList) return QVariant();
  if (files_) return UriListData(*files_, type);
  // Once asked for outside, the rows answer every later request, wherever the pointer has gone.
  if (!asked_ && pointerOverOwnWindow && pointerOverOwnWindow()) return QVariant();
  asked_ = true;
  // The window's events go on while the files are made, and the target may end the drag, and
  // this object with it, meanwhile: nothing of it is touched then.
  const Produce produce = produce_;
  const QPointer<const RowsDragData> self(this);
  const QStringList files = produce ? produce() : QStringList();
  if (self) files_ = files;
  return UriListData(files, type);
}

}  // namespace glimbrik
