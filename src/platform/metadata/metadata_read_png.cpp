#include "platform/metadata/metadata_read_png.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <cstring>

#include "platform/metadata/metadata_read.h"
#include "platform/system/unique_fd.h"

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

namespace {

QList<PngTextChunk> ReadTextChunks(const QByteArray& png) {
  QList<PngTextChunk> chunks;
  if (!png.startsWith(QByteArray(kPngSignature, 8))) return chunks;
  qint64 offset = 8;
  while (chunks.size() < kMaxTextChunks && offset + 8 <= png.size()) {
    const char* head = png.constData() + offset;
    const uint32_t length = BigEndian32(head);
    const char* type = head + 4;
    if (length > 0x7fffffffu || std::memcmp(type, "IEND", 4) == 0) break;
    const qint64 data = offset + 8;
    offset = data + qint64(length) + 4;
    const bool isText = std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 ||
                        std::memcmp(type, "iTXt", 4) == 0;
    if (!isText || length > kMaxTextChunkBytes) continue;
    if (offset > png.size()) break;
    const char* body = png.constData() + data;
    uLong expected = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    expected = crc32(expected, reinterpret_cast<const Bytef*>(body), length);
    if (expected != BigEndian32(body + length)) break;
    if (auto chunk = DecodeTextChunk(type, QByteArray(body, qsizetype(length)))) {
      chunks.append(std::move(*chunk));
    }
  }
  return chunks;
}

}  // namespace

QByteArray ReadPngWithoutPixelData(const QString& path) {
  // One pread per chunk head: a buffered file would read ahead through the pixel data around
  // every one.
  const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return {};
  QByteArray png(kPngSignature, 8);
  char head[8];
  if (::pread(fd.get(), head, 8, 0) != 8 || std::memcmp(head, kPngSignature, 8) != 0) return {};
  for (off_t offset = 8;;) {
    if (::pread(fd.get(), head, 8, offset) != 8) break;
    const qint64 length = BigEndian32(head);
    const QByteArrayView type(head + 4, 4);
    if (type == "IEND") break;
    if (type != "IDAT" && type != "fdAT" && length <= 16 * 1024 * 1024) {
      const qsizetype at = png.size();
      png.resize(at + 12 + length);
      std::memcpy(png.data() + at, head, 8);
      if (::pread(fd.get(), png.data() + at + 8, size_t(length) + 4, offset + 8) != length + 4) {
        png.truncate(at);
        break;
      }
    }
    offset += 12 + length;
  }
  png.append("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  return png;
}

QList<PngTextChunk> ReadPngTextChunks(const QString& path) {
  return ReadTextChunks(ReadPngWithoutPixelData(path));
}

QList<PngTextChunk> ReadPngTextChunks(const QByteArray& fileData) {
  return ReadTextChunks(fileData);
}

}  // namespace glimbrik
