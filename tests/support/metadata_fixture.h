#pragma once

// Builds image files with hand-made metadata (EXIF/TIFF, GPS, IPTC, XMP, PNG text chunks), byte
// by byte, so that metadata readers are checked against an independent writer.

#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdint>

#include "support/test_env.h"
#include "support/tiff_directory.h"

namespace glimbrik::test {

inline void AppendBig16(QByteArray& out, uint16_t v) {
  out.append(char(v >> 8)).append(char(v & 0xff));
}
inline void AppendBig32(QByteArray& out, uint32_t v) {
  AppendBig16(out, uint16_t(v >> 16));
  AppendBig16(out, uint16_t(v & 0xffff));
}

inline TiffEntry AsciiEntry(uint16_t tag, const QByteArray& text) {
  QByteArray value = text;
  value.append('\0');
  return {tag, 2, uint32_t(value.size()), value};
}

inline TiffEntry ShortEntry(uint16_t tag, uint16_t value) {
  QByteArray bytes;
  AppendBig16(bytes, value);
  return {tag, 3, 1, bytes};
}

inline TiffEntry UndefinedEntry(uint16_t tag, const QByteArray& bytes) {
  return {tag, 7, uint32_t(bytes.size()), bytes};
}

inline TiffEntry RationalsEntry(uint16_t tag, const QList<QPair<uint32_t, uint32_t>>& values) {
  QByteArray bytes;
  for (const auto& [n, d] : values) {
    AppendBig32(bytes, n);
    AppendBig32(bytes, d);
  }
  return {tag, 5, uint32_t(values.size()), bytes};
}

// A big-endian TIFF structure: IFD0 with the given entries, plus an Exif IFD and a GPS IFD
// (pointed to from IFD0) when they have entries.
inline QByteArray BuildTiffMetadata(QList<TiffEntry> ifd0, const QList<TiffEntry>& exif,
                                    const QList<TiffEntry>& gps = {}) {
  const auto entries = [](const QList<TiffEntry>& list) {
    return std::vector<TiffEntry>(list.begin(), list.end());
  };
  if (!exif.isEmpty()) ifd0.append({0x8769, 4, 1, QByteArray(4, '\0')});
  if (!gps.isEmpty()) ifd0.append({0x8825, 4, 1, QByteArray(4, '\0')});
  const uint32_t ifd0Offset = 8;
  const uint32_t exifOffset = ifd0Offset + TiffDirectorySize(entries(ifd0));
  const uint32_t gpsOffset = exifOffset + (exif.isEmpty() ? 0 : TiffDirectorySize(entries(exif)));
  for (TiffEntry& e : ifd0) {
    if (e.tag == 0x8769 || e.tag == 0x8825) {
      e.value.clear();
      AppendBig32(e.value, e.tag == 0x8769 ? exifOffset : gpsOffset);
    }
  }
  QByteArray out("MM\0\x2a", 4);
  AppendBig32(out, ifd0Offset);
  WriteTiffDirectory(out, entries(ifd0), true);
  if (!exif.isEmpty()) WriteTiffDirectory(out, entries(exif), true);
  if (!gps.isEmpty()) WriteTiffDirectory(out, entries(gps), true);
  return out;
}

// An IPTC-IIM block of record-2 datasets, wrapped as the Photoshop resource of an APP13 segment.
inline QByteArray BuildIptcSegmentPayload(const QList<QPair<uint8_t, QByteArray>>& datasets) {
  QByteArray iptc;
  for (const auto& [number, data] : datasets) {
    iptc.append(char(0x1c)).append(char(2)).append(char(number));
    AppendBig16(iptc, uint16_t(data.size()));
    iptc.append(data);
  }
  QByteArray out("Photoshop 3.0\0", 14);
  out.append("8BIM");
  AppendBig16(out, 0x0404);
  out.append(QByteArray(2, '\0'));  // empty resource name, padded
  AppendBig32(out, uint32_t(iptc.size()));
  out.append(iptc);
  if (out.size() & 1) out.append('\0');
  return out;
}

inline QByteArray XmpSegmentPayload(const QByteArray& rdfDescriptionBody,
                                    const QByteArray& namespaces) {
  QByteArray out("http://ns.adobe.com/xap/1.0/\0", 29);
  out.append(
      "<?xpacket begin='\xef\xbb\xbf' id='W5M0MpCehiHzreSzNTczkc9d'?>"
      "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
      "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
      "<rdf:Description rdf:about='' ");
  out.append(namespaces).append(">").append(rdfDescriptionBody);
  out.append("</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>");
  return out;
}

// A small plain image in the given format.
inline QByteArray EncodedImage(const char* format) {
  QImage image(16, 12, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

inline QByteArray JpegSegment(uint8_t marker, const QByteArray& payload) {
  QByteArray out;
  out.append(char(0xff)).append(char(marker));
  AppendBig16(out, uint16_t(payload.size() + 2));
  return out.append(payload);
}

// A small JPEG image with the given EXIF (TIFF bytes), IPTC and XMP payloads; empty ones are left
// out.
inline QByteArray JpegWithMetadata(const QByteArray& tiff, const QByteArray& iptcPayload = {},
                                   const QByteArray& xmpPayload = {}) {
  const QByteArray jpeg = EncodedImage("JPEG");
  QByteArray segments;
  if (!tiff.isEmpty()) segments += JpegSegment(0xe1, QByteArray("Exif\0\0", 6) + tiff);
  if (!xmpPayload.isEmpty()) segments += JpegSegment(0xe1, xmpPayload);
  if (!iptcPayload.isEmpty()) segments += JpegSegment(0xed, iptcPayload);
  return jpeg.left(2) + segments + jpeg.mid(2);
}

inline QByteArray PngChunk(const QByteArray& type, const QByteArray& data) {
  QByteArray out;
  AppendBig32(out, uint32_t(data.size()));
  const QByteArray body = type + data;
  out.append(body);
  AppendBig32(
      out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
  return out;
}

inline QByteArray Deflated(const QByteArray& bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  QByteArray out(qsizetype(size), '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size,
           reinterpret_cast<const Bytef*>(bytes.constData()), uLong(bytes.size()));
  out.truncate(qsizetype(size));
  return out;
}

// A small PNG image with the given chunks placed right after its header chunk.
inline QByteArray PngWithChunks(const QByteArray& chunks) {
  const QByteArray png = EncodedImage("PNG");
  constexpr qsizetype kAfterHeader = 8 + 25;
  return png.left(kAfterHeader) + chunks + png.mid(kAfterHeader);
}

}  // namespace glimbrik::test
