#pragma once

#include <QMimeData>
#include <QStringList>
#include <functional>
#include <optional>

namespace glimbrik {

// What rows dragged out of the image list carry: the files a run of those rows writes, made only
// when the drop target asks for them (a file manager asks at the drop), so that hovering costs
// nothing and a drop that is refused converts nothing.
class RowsDragData : public QMimeData {
  Q_OBJECT
 public:
  // Runs the dragged rows into a new folder of its own and answers the files written. It may run
  // the window's events meanwhile, in which a repeated request may come.
  using Produce = std::function<QStringList()>;
  explicit RowsDragData(Produce produce);

  // Whether the pointer is over one of this application's windows; there the rows give nothing,
  // so that dropping them back into the application starts no run. Replaceable for tests.
  std::function<bool()> pointerOverOwnWindow;

  QStringList formats() const override;
  bool hasFormat(const QString& mimeType) const override;
  // Whether the files have been made.
  bool produced() const { return files_.has_value(); }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  Produce produce_;
  mutable std::optional<QStringList> files_;
  mutable bool asked_ = false;  // a request from outside has begun making the files
};

// The text/uri-list line of a local path, its bytes kept (a name that is not UTF-8 included).
QByteArray UriOfLocalPath(const QString& path);

}  // namespace glimbrik
