#include "platform/metadata_read_png.h"

#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <cstring>

#include "platform/metadata_read.h"

namespace glimbrik {

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
// Text chunks above this size are skipped rather than read into memory.
constexpr uint32_t kMaxTextChunkBytes = 4u << 20;
constexpr qsizetype kMaxInflatedBytes = kMaxMetadataTextLength * 4;
constexpr int kMaxTextChunks = 1024;

uint32_t BigEndian32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return (uint32_t(u[0]) << 24) | (uint32_t(u[1]) << 16) | (uint32_t(u[2]) << 8) | uint32_t(u[3]);
}

// Inflates a zlib stream; past kMaxInflatedBytes the rest is dropped. No value for a damaged or
// truncated stream.
std::optional<QByteArray> Inflate(const char* data, qsizetype size) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  QByteArray out;
  char buffer[16384];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  stream.avail_in = static_cast<uInt>(size);
  bool ok = false;
  for (;;) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    const int status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;  // Z_BUF_ERROR: input ran out
    out.append(buffer, static_cast<qsizetype>(sizeof buffer - stream.avail_out));
    if (status == Z_STREAM_END || out.size() >= kMaxInflatedBytes) {
      ok = true;
      break;
    }
  }
  inflateEnd(&stream);
  if (!ok) return std::nullopt;
  return out;
}

std::optional<PngTextChunk> DecodeTextChunk(const char type[4], const QByteArray& data) {
  const qsizetype keywordEnd = data.indexOf('\0');
  if (keywordEnd <= 0 || keywordEnd > 79) return std::nullopt;
  PngTextChunk chunk;
  chunk.keyword = QString::fromLatin1(data.constData(), keywordEnd);
  const char* rest = data.constData() + keywordEnd + 1;
  const qsizetype restSize = data.size() - keywordEnd - 1;
  if (std::memcmp(type, "tEXt", 4) == 0) {
    chunk.text = MetadataText(rest, restSize);
  } else if (std::memcmp(type, "zTXt", 4) == 0) {
    if (restSize < 1 || rest[0] != 0) return std::nullopt;
    const auto inflated = Inflate(rest + 1, restSize - 1);
    if (!inflated) return std::nullopt;
    chunk.text = MetadataText(inflated->constData(), inflated->size());
  } else {  // iTXt: flag, method, language\0, translated keyword\0, UTF-8 text
    if (restSize < 2) return std::nullopt;
    const bool compressed = rest[0] != 0;
    if (compressed && rest[1] != 0) return std::nullopt;
    const QByteArray tail = QByteArray::fromRawData(rest + 2, restSize - 2);
    const qsizetype languageEnd = tail.indexOf('\0');
    const qsizetype translatedEnd = languageEnd < 0 ? -1 : tail.indexOf('\0', languageEnd + 1);
    if (translatedEnd < 0) return std::nullopt;
    const char* text = tail.constData() + translatedEnd + 1;
    const qsizetype textSize = tail.size() - translatedEnd - 1;
    if (compressed) {
      const auto inflated = Inflate(text, textSize);
      if (!inflated) return std::nullopt;
      chunk.text = MetadataText(inflated->constData(), inflated->size());
    } else {
      chunk.text = MetadataText(text, textSize);
    }
  }
  return chunk;
}

}  // namespace

QList<PngTextChunk> ReadPngTextChunks(const QString& path) {
  QFile file(path);
  // Unbuffered: the scan reads 8-byte chunk heads and seeks past the data between them, where a
  // buffer would read ahead through the pixel data around every head.
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
  return ReadPngTextChunks(file);
}

QList<PngTextChunk> ReadPngTextChunks(const QByteArray& fileData) {
  QBuffer buffer;
  buffer.setData(fileData);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  return ReadPngTextChunks(buffer);
}

QList<PngTextChunk> ReadPngTextChunks(QIODevice& file) {
  QList<PngTextChunk> chunks;
  if (file.read(8) != QByteArray(kPngSignature, 8)) return chunks;
  while (chunks.size() < kMaxTextChunks) {
    const QByteArray header = file.read(8);
    if (header.size() != 8) break;
    const uint32_t length = BigEndian32(header.constData());
    const char* type = header.constData() + 4;
    if (length > 0x7fffffffu || std::memcmp(type, "IEND", 4) == 0) break;
    const bool isText = std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 ||
                        std::memcmp(type, "iTXt", 4) == 0;
    if (!isText || length > kMaxTextChunkBytes) {
      if (!file.seek(file.pos() + qint64(length) + 4)) break;
      continue;
    }
    const QByteArray data = file.read(length);
    const QByteArray crc = file.read(4);
    if (data.size() != qsizetype(length) || crc.size() != 4) break;
    uLong expected = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    expected = crc32(expected, reinterpret_cast<const Bytef*>(data.constData()), length);
    if (expected != BigEndian32(crc.constData())) break;
    if (auto chunk = DecodeTextChunk(type, data)) chunks.append(std::move(*chunk));
  }
  return chunks;
}

}  // namespace glimbrik
