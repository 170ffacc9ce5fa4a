#pragma once

// libtiff on memory buffers, with per-file error handlers that keep libtiff silent.

#include <tiffio.h>

#include <QByteArray>
#include <QString>
#include <memory>

namespace glimbrik::codec {

struct TiffMemory {
  QByteArray* buffer;       // written to when writing
  const QByteArray* input;  // read from when reading
  toff_t position = 0;
  QString error;
};

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Opens bytes for reading; memory must outlive the handle.
TiffPtr OpenTiffForReading(TiffMemory* memory);
// Opens an empty buffer for writing ("w", or "w8" for BigTIFF).
TiffPtr OpenTiffForWriting(TiffMemory* memory);

}  // namespace glimbrik::codec
