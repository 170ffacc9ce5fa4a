#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

namespace glimbrik {

// The selected image's view. An entry's image is painted through its turn and mirror at paint
// time, scaled to fit the view; the file is decoded off the GUI thread at about the size shown,
// and until it arrives the entry's thumbnail stands in for it.
class QVXImageView : public QWidget {
  Q_OBJECT
 public:
  explicit QVXImageView(QWidget* parent = nullptr);

  // An image shown as it is (the empty and drop images): centred, shrunk to fit when larger.
  void setPlainImage(const QImage& image);
  // The file at path, stored pixelSize (oriented), turned by angle degrees (positive to the left)
  // and mirrored by flip (bit 1 left-right, bit 2 top-bottom). The placeholder shows meanwhile.
  void setEntryImage(const QString& path, const QImage& placeholder, QSize pixelSize, int flip,
                     int64_t angle);
  // The size the entry's image is shown at before fitting: turned sides swap.
  QSize displayedSize() const;
  // The image painted now (the decoded one once it has arrived) and whether it is the file's.
  const QImage& currentImage() const { return image_; }
  bool hasDecodedImage() const { return decoded_; }
  // Pixels that a decode for this view asks for at least (both sides, before the turn).
  static QSize DecodeTarget(QSize pixelSize, QSize viewPixels);

 signals:
  // The decoded image of the current entry replaced its placeholder.
  void imageDecoded();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void startDecode();

  QImage image_;
  QString path_;
  QSize pixelSize_;
  int flip_ = 0;
  int64_t angle_ = 0;
  bool plain_ = true;
  bool decoded_ = false;
  uint64_t generation_ = 0;
};

}  // namespace glimbrik
