#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

namespace glimbrik {

// The lines that show text within width, at most maxLines of them: the text as it is when it
// fits, else wrapped at spaces; when that is still too much, the file name between the first
// "(" and the last " @ " gives way in its middle, so that the position, resolution and size
// stay readable. A label too small for any of that gets each line cut at its end.
QStringList PreviewLineLines(const QString& text, const QFontMetrics& metrics, int width,
                             int maxLines);

// The preview's description line. Its text stays whole (the renumbering reads it back); it is
// drawn as PreviewLineLines gives it for the label's size, so a narrow window cuts nothing.
class PreviewLineLabel : public QLabel {
 public:
  explicit PreviewLineLabel(QWidget* parent = nullptr);
  QStringList shownLines() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace glimbrik
