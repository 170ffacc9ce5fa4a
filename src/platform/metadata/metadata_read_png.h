#pragma once

// The text chunks (tEXt, zTXt, iTXt) of a PNG file, read by walking its chunks without decoding
// any image data.

#include <QByteArray>
#include <QList>
#include <QString>

namespace glimbrik {

struct PngTextChunk {
  QString keyword;
  QString text;
};

// Every text chunk with an intact CRC, in file order; texts decoded as MetadataText does. Empty for
// a file that is not a PNG file or cannot be read; a damaged chunk ends the walk and keeps what
// came before it. Compressed texts are inflated to at most a bounded size.
QList<PngTextChunk> ReadPngTextChunks(const QString& path);
QList<PngTextChunk> ReadPngTextChunks(const QByteArray& fileData);

// A PNG file's chunks without its pixel data (IDAT, fdAT) and without chunks over 16 MiB: what
// the metadata readers need of a large file, read without bringing the rest into memory. Empty
// when the file cannot be read or is not a PNG file.
QByteArray ReadPngWithoutPixelData(const QString& path);

}  // namespace glimbrik
