#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QUrl>
#include <atomic>
#include <memory>
#include <mutex>

namespace glimbrik {

// The facts of an image shown in the list and used by runs and tokens; published together.
struct ImageEntityFacts {
  QImage thumbnailImage;             // at most 104 pixels a side, oriented
  bool thumbnailIsTemplate = false;  // the generic image of a file that cannot be shown
  double imageWidth = 0.0;           // as displayed (orientation applied)
  double imageHeight = 0.0;
  double imageResolution = 0.0;  // whole dots per inch
  quint64 fileSize = 0;
  QString imageColorModel;  // null when unknown
};

// One row of the image list: the file, the folder it was found in and its kind text.
class ListViewBaseCellEntity {
 public:
  ListViewBaseCellEntity(const QString& filePath, const QString& kind, const QString& parentFolder);
  virtual ~ListViewBaseCellEntity() = default;
  ListViewBaseCellEntity(const ListViewBaseCellEntity&) = delete;
  ListViewBaseCellEntity& operator=(const ListViewBaseCellEntity&) = delete;

  // The file name shown in the list.
  QString title() const;
  QUrl GetFileURL() const { return QUrl::fromLocalFile(filePath_); }
  const QString& filePath() const { return filePath_; }
  // The folder the user added and in which the file was found; empty for a file added by itself.
  const QString& GetParentFolder() const { return parentFolder_; }
  QString GetImageKind() const;

 protected:
  mutable std::mutex mutex_;
  QString imageKind_;  // guarded by mutex_: the loader may replace it

 private:
  const QString filePath_;
  const QString parentFolder_;
};

class ListViewBaseCellImageEntity
    : public ListViewBaseCellEntity,
      public std::enable_shared_from_this<ListViewBaseCellImageEntity> {
 public:
  ListViewBaseCellImageEntity(const QString& filePath, const QString& kind,
                              const QString& parentFolder);

  static std::shared_ptr<ListViewBaseCellImageEntity> entityForURL(const QString& filePath,
                                                                   const QString& kind,
                                                                   const QString& parentFolder);

  // The thumbnail, or a null image while none is loaded; starts a load when none is under way.
  QImage GetThumbnailImage();
  // Queues a load on the thumbnail queue unless one is loaded or under way; returns at once.
  void loadImage();
  // Loads every fact on the calling thread and publishes them together.
  void loadImageDirectly();

  bool imageLoading() const;
  bool isLoaded() const;
  // A consistent copy of the facts.
  ImageEntityFacts facts() const;

  double GetResolution() const { return facts().imageResolution; }
  double GetWidth() const { return facts().imageWidth; }
  double GetHeight() const { return facts().imageHeight; }
  quint64 GetFileSize() const { return facts().fileSize; }
  QString GetImageColorModel() const { return facts().imageColorModel; }
  const QDateTime& GetImageCreationDate() const { return imageCreationDate_; }

  // Rotation and mirror chosen by the user; written on the main thread, read by runs.
  double GetAngle() const { return static_cast<double>(imageAngle_.load()); }
  void SetAngle(qint64 angle) { imageAngle_ = angle; }
  int GetFlip() const { return imageFlip_.load(); }
  void SetFlip(int flip) { imageFlip_ = flip; }

  bool IsWebpImage() const;

  // Why the last run could not write this file; empty when it did or none ran.
  QString failureReason() const;
  void setFailureReason(const QString& reason);

 private:
  ImageEntityFacts facts_;  // guarded by mutex_
  QString failureReason_;   // guarded by mutex_
  bool loaded_ = false;     // guarded by mutex_
  bool loading_ = false;    // guarded by mutex_
  const QDateTime imageCreationDate_;
  std::atomic<qint64> imageAngle_{0};
  std::atomic<int> imageFlip_{0};
};

using ImageEntityPtr = std::shared_ptr<ListViewBaseCellImageEntity>;

}  // namespace glimbrik
