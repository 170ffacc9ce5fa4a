#pragma once

// File names whose bytes are not valid UTF-8. Qt decodes a name into replacement characters and
// cannot open the file by it again, so such a path is kept in a QString losslessly instead: each
// byte that does not decode stands as the lone surrogate U+DC80 + byte (no valid name holds one).

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <memory>

namespace glimbrik {

// The path for the bytes of a name as the file system holds them.
QString PathFromRawBytes(const QByteArray& bytes);
// The bytes the file system knows the path by.
QByteArray RawBytesOfPath(const QString& path);
// Whether the path holds bytes that are not UTF-8.
bool HasRawBytes(const QString& path);
// The path of a local file URL, with its percent-encoded bytes kept (a dropped file's name).
QString LocalPathOfUrl(const QUrl& url);
// The path with every such byte shown as U+FFFD, as a valid name for a new file.
QString MadeValidPath(const QString& path);

// A link with a valid name, in the private temporary folder, to a file whose name has raw bytes,
// so that every reader can open it by an ordinary path. Removed with the object.
class RawNameStandIn {
 public:
  // Null when the file is not there or no link can be made.
  static std::unique_ptr<RawNameStandIn> Make(const QString& rawPath);
  ~RawNameStandIn();
  RawNameStandIn(const RawNameStandIn&) = delete;
  RawNameStandIn& operator=(const RawNameStandIn&) = delete;

  const QString& path() const { return path_; }

 private:
  RawNameStandIn(QString folder, QString path)
      : folder_(std::move(folder)), path_(std::move(path)) {}
  QString folder_;
  QString path_;
};

}  // namespace glimbrik
