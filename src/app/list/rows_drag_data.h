#pragma once

#include <QMimeData>
#include <QStringList>
#include <functional>
#include <optional>

namespace glimbrik {

// What rows dragged out of the image list do with the files of their run.
struct RowsDragRoads {
  // Runs the rows into a new folder of its own and answers the files written, for a target that
  // takes existing files. It may run the window's events meanwhile, in which a repeated request
  // may come.
  std::function<QStringList()> produce;
  // Removes what produce wrote, once the drag has ended without a drop.
  std::function<void()> discard;
  // Runs the rows into the folder the drop named (empty when the target named none usable, given
  // as it named it) and answers whether it wrote them; says why in the window when not.
  std::function<bool(const QString& folder, const QString& named)> saveInto;
};

// What rows dragged out of the image list carry. Where the drop target takes X direct save, the
// target names the folder at the drop and the run writes there, however soon the drop came:
// libfm and its kind ask for the dragged files as soon as the pointer is over them and refuse a
// drop made before the answer came. Elsewhere the files are made when the target asks for them,
// so that hovering costs nothing and a drop that is refused converts nothing.
class RowsDragData : public QMimeData {
  Q_OBJECT
 public:
  RowsDragData(RowsDragRoads roads, const QString& suggestedName);

  static const QString kDirectSave;
  static const QString kUriList;

  // Whether the pointer is over one of this application's windows; there the rows give nothing,
  // so that dropping them back into the application starts no run. Replaceable for tests.
  std::function<bool()> pointerOverOwnWindow;
  // The direct-save exchange with the target: offering the name once the drag is under way, and
  // the address the target wrote back. On X by default, none elsewhere; replaceable for tests.
  std::function<bool(const QByteArray& name)> offerDirectSave;
  std::function<QByteArray()> directSaveTarget;

  QStringList formats() const override;
  bool hasFormat(const QString& mimeType) const override;
  // Whether the files have been made.
  bool produced() const { return files_.has_value(); }
  // Starts the direct-save offer; called once the drag is under way.
  void dragStarted();
  // The drag is over with the given result; the files of a drag nobody took go.
  void dragEnded(Qt::DropAction result);

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  QVariant SaveIntoTarget() const;
  QVariant FilesForTarget(QMetaType type) const;

  RowsDragRoads roads_;
  QByteArray suggestedName_;
  mutable std::optional<QStringList> files_;
  mutable std::optional<QByteArray> saved_;  // the direct-save answer, once given
  mutable bool asked_ = false;               // a request from outside has begun making the files
};

// The text/uri-list line of a local path, its bytes kept (a name that is not UTF-8 included).
QByteArray UriOfLocalPath(const QString& path);

}  // namespace glimbrik
