#include "app/batch/raw_file_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>

#include "platform/store/folders.h"

namespace glimbrik {

namespace {

constexpr char16_t kFirstRawByte = 0xDC80;  // stands for byte 0x80; 0x00-0x7F are always ASCII
constexpr char16_t kLastRawByte = 0xDCFF;

bool IsRawByte(QChar c) { return c.unicode() >= kFirstRawByte && c.unicode() <= kLastRawByte; }

// The length of the valid UTF-8 sequence at bytes[at], or 0 when none starts there.
int ValidSequenceLength(const QByteArray& bytes, qsizetype at) {
  const auto byte = [&](qsizetype i) { return uchar(bytes[i]); };
  const uchar lead = byte(at);
  if (lead < 0x80) return 1;
  int length = 0;
  uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not valid UTF-8.
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
      (code >= 0xD800 && code <= 0xDFFF)) {
    return 0;
  }
  return length;
}

}  // namespace

QString PathFromRawBytes(const QByteArray& bytes) {
  QString path;
  path.reserve(bytes.size());
  for (qsizetype at = 0; at < bytes.size();) {
    const int length = ValidSequenceLength(bytes, at);
    if (length == 0) {
      path += QChar(char16_t(kFirstRawByte + uchar(bytes[at]) - 0x80));
      ++at;
    } else {
      path += QString::fromUtf8(bytes.constData() + at, length);
      at += length;
    }
  }
  return path;
}

QString LocalPathOfUrl(const QUrl& url) {
  // toLocalFile() would decode a byte that is not UTF-8 into U+FFFD, and the file is lost.
  return PathFromRawBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QByteArray RawBytesOfPath(const QString& path) {
  QByteArray bytes;
  bytes.reserve(path.size());
  qsizetype start = 0;
  for (qsizetype i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsRawByte(path[i])) continue;
    bytes += QStringView(path).mid(start, i - start).toUtf8();
    if (i < path.size()) bytes += char(path[i].unicode() - kFirstRawByte + 0x80);
    start = i + 1;
  }
  return bytes;
}

bool HasRawBytes(const QString& path) { return std::any_of(path.begin(), path.end(), IsRawByte); }

QString MadeValidPath(const QString& path) {
  QString valid = path;
  for (QChar& c : valid) {
    if (IsRawByte(c)) c = QChar::ReplacementCharacter;
  }
  return valid;
}

std::unique_ptr<RawNameStandIn> RawNameStandIn::Make(const QString& rawPath) {
  // Listed paths are absolute; QFileInfo would take the name through the lossy encoding.
  const QByteArray target = RawBytesOfPath(rawPath);
  struct stat st {};
  if (::stat(target.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  // A folder of its own keeps the name as it is, so the output is named after it.
  const QString folder = NewTemporaryPath();
  if (folder.isEmpty() || !QDir().mkdir(folder)) return nullptr;
  const QString link =
      folder + QLatin1Char('/') + MadeValidPath(rawPath.mid(rawPath.lastIndexOf(u'/') + 1));
  if (::symlink(target.constData(), QFile::encodeName(link).constData()) != 0) {
    QDir().rmdir(folder);
    return nullptr;
  }
  return std::unique_ptr<RawNameStandIn>(new RawNameStandIn(folder, link));
}

RawNameStandIn::~RawNameStandIn() {
  ::unlink(QFile::encodeName(path_).constData());
  QDir().rmdir(folder_);
}

}  // namespace glimbrik
