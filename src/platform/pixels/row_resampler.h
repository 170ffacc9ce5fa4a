#pragma once

#include <QImage>
#include <QSize>
#include <functional>
#include <memory>

namespace glimbrik {

// Resamples an image fed one row at a time, top to bottom, to another size with the separable
// Lanczos-3 filter, keeping only a ring of horizontally filtered rows: a decoder can shrink
// while it decodes, so that the full-size frame never exists. Formats: ARGB32_Premultiplied,
// RGBA64_Premultiplied, Grayscale8 and Grayscale16.
class RowResampler {
 public:
  // outFormat Grayscale16 from Grayscale8 keeps the fraction that rounding to 8 bits would drop:
  // samples come out times 256, for a caller that combines planes (only where the machine has the
  // vector units; elsewhere the resampler is not valid).
  RowResampler(QSize in, QSize out, QImage::Format format,
               QImage::Format outFormat = QImage::Format_Invalid);
  ~RowResampler();
  RowResampler(const RowResampler&) = delete;
  RowResampler& operator=(const RowResampler&) = delete;

  // False when the formats are not supported or the output could not be allocated.
  bool isValid() const;
  // The next input row, in.width() samples of the format.
  void pushRow(const uchar* row);
  // `count` consecutive input rows, `stride` bytes apart: as pushRow on each, but faster.
  void pushRows(const uchar* first, qsizetype stride, int count);
  // The output, once every input row has been pushed; null before, and null with a row sink.
  QImage take();
  // For the 16-bit grey output, before the first row: each output row goes to `sink` (its index
  // and samples) as soon as it is made, in order, instead of into a whole output image. False
  // where not supported.
  bool setRowSink(std::function<void(int, const uchar*)> sink);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace glimbrik
