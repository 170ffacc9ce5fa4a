#include "pdfjobs/text_export/zip_writer.h"

#include <zlib.h>

#include <QtEndian>

namespace glimbrik {

namespace {

void Put16(QByteArray* out, quint16 v) {
  const quint16 le = qToLittleEndian(v);
  out->append(reinterpret_cast<const char*>(&le), 2);
}

void Put32(QByteArray* out, quint32 v) {
  const quint32 le = qToLittleEndian(v);
  out->append(reinterpret_cast<const char*>(&le), 4);
}

// Raw deflate, as zip stores it (no zlib header).
bool Deflate(const QByteArray& in, QByteArray* out) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  out->resize(qsizetype(deflateBound(&z, uLong(in.size()))));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
  z.avail_in = uInt(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out->data());
  z.avail_out = uInt(out->size());
  const int status = deflate(&z, Z_FINISH);
  out->resize(qsizetype(z.total_out));
  deflateEnd(&z);
  return status == Z_STREAM_END;
}

}  // namespace

QByteArray ZipArchive(const std::vector<ZipEntry>& entries) {
  QByteArray archive, directory;
  // 1 January 1980, the earliest DOS date: the package carries no meaningful times.
  const quint16 time = 0, date = (0 << 9) | (1 << 5) | 1;
  for (const ZipEntry& entry : entries) {
    // References, not a structured binding: clang 14 cannot capture one in the lambda below.
    const QString& name = entry.first;
    const QByteArray& contents = entry.second;
    // An OpenDocument package names its type in a first entry stored as it is.
    const bool stored = name == QLatin1String("mimetype");
    QByteArray packed = contents;
    if (!stored && !Deflate(contents, &packed)) return QByteArray();
    const QByteArray fileName = name.toUtf8();
    const quint32 crc = quint32(
        crc32(0, reinterpret_cast<const Bytef*>(contents.constData()), uInt(contents.size())));
    const quint32 offset = quint32(archive.size());
    auto common = [&](QByteArray* out) {
      Put16(out, 20);       // version needed
      Put16(out, 1 << 11);  // names are UTF-8
      Put16(out, stored ? 0 : 8);
      Put16(out, time);
      Put16(out, date);
      Put32(out, crc);
      Put32(out, quint32(packed.size()));
      Put32(out, quint32(contents.size()));
      Put16(out, quint16(fileName.size()));
      Put16(out, 0);  // extra field
    };
    Put32(&archive, 0x04034b50);
    common(&archive);
    archive += fileName;
    archive += packed;

    Put32(&directory, 0x02014b50);
    Put16(&directory, 20);  // made by
    common(&directory);
    Put16(&directory, 0);  // comment
    Put16(&directory, 0);  // disk
    Put16(&directory, 0);  // internal attributes
    Put32(&directory, 0);  // external attributes
    Put32(&directory, offset);
    directory += fileName;
  }
  const quint32 directoryOffset = quint32(archive.size());
  archive += directory;
  Put32(&archive, 0x06054b50);
  Put16(&archive, 0);
  Put16(&archive, 0);
  Put16(&archive, quint16(entries.size()));
  Put16(&archive, quint16(entries.size()));
  Put32(&archive, quint32(directory.size()));
  Put32(&archive, directoryOffset);
  Put16(&archive, 0);
  return archive;
}

}  // namespace glimbrik
