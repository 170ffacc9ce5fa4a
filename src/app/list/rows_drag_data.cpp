#include "app/list/rows_drag_data.h"

#include <QApplication>
#include <QCursor>
#include <QUrl>

#include "app/batch/raw_file_names.h"

namespace glimbrik {

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
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
  if (!files_) {
    if (pointerOverOwnWindow && pointerOverOwnWindow()) return QVariant();
    files_ = produce_ ? produce_() : QStringList();
  }
  if (type.id() == QMetaType::QByteArray) {
    QByteArray list;
    for (const QString& file : *files_) list += UriOfLocalPath(file) + "\r\n";
    return list;
  }
  QVariantList urls;
  for (const QString& file : *files_) urls << QUrl::fromEncoded(UriOfLocalPath(file));
  return urls;
}

}  // namespace glimbrik
