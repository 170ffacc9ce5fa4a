#pragma once

// The metadata values that name and watermark tokens read from an image file, gathered into one
// plain record. Only the metadata is read (exiv2 for EXIF, IPTC, XMP and maker notes; PNG text
// chunks directly); pixels are never decoded.
//
// Each slot holds the file's own tag when present, else its XMP counterpart:
//   Exif DateTimeOriginal, DateTimeDigitized: Exif.Photo.*, else Xmp.exif.*
//   Exif CameraOwnerName, LensModel: Exif.Photo.*, else Xmp.exifEX.*
//   ExifAux OwnerName, LensModel: Xmp.aux.OwnerName, Xmp.aux.Lens
//   TIFF DateTime, Artist, Copyright, Make, Model: Exif.Image.*, else Xmp.tiff.*
//   IPTC By-line, Keywords (lists): Iptc.Application2.*, else Xmp.dc.creator, Xmp.dc.subject
//   IPTC CopyrightNotice, Source: Iptc.Application2.*, else Xmp.dc.rights, Xmp.photoshop.Source
//   IPTC DateCreated + TimeCreated, DigitalCreationDate + Time: the IPTC forms "yyyyMMdd" and
//     "HHmmss+hhmm"
//   GPS DateStamp, TimeStamp: "yyyy:MM:dd" and "HH:mm:ss" (universal time)
//   PNG Copyright, CreationTime: the "Copyright" and "Creation Time" text chunks
//   DNG UniqueCameraModel, LocalizedCameraModel; Canon maker note OwnerName, LensModel
// XMP dates are brought to the EXIF form "yyyy:MM:dd HH:mm:ss". A tag whose text is empty counts
// as absent; texts longer than kMaxMetadataTextLength are cut.

#include <QString>
#include <QStringList>
#include <optional>

namespace glimbrik {

inline constexpr qsizetype kMaxMetadataTextLength = 65536;

enum class MakerNoteKind { kNone, kCanon, kNikon, kMinolta, kFuji, kOlympus, kPentax, kOther };

struct ImageMetadataValues {
  struct Exif {
    std::optional<QString> dateTimeOriginal, dateTimeDigitized, cameraOwnerName, lensModel;
  } exif;
  struct ExifAux {
    std::optional<QString> ownerName, lensModel;
  } exifAux;
  struct Tiff {
    std::optional<QString> dateTime, artist, copyright, make, model;
  } tiff;
  struct Iptc {
    std::optional<QStringList> byline, keywords;
    std::optional<QString> copyrightNotice, source;
    std::optional<QString> dateCreated, timeCreated, digitalCreationDate, digitalCreationTime;
  } iptc;
  struct Gps {
    std::optional<QString> dateStamp, timeStamp;
  } gps;
  struct Png {
    std::optional<QString> copyright, creationTime;
  } png;
  struct Dng {
    std::optional<QString> uniqueCameraModel, localizedCameraModel;
  } dng;
  struct Canon {
    std::optional<QString> ownerName, lensModel;
  } canon;
  MakerNoteKind makerNote = MakerNoteKind::kNone;
};

// Sets exiv2 up once for the process (the XMP toolkit, with a lock around its namespace
// registry). Reading calls it; other exiv2 users call it before their first use.
void InitExiv2();

// The metadata of the image at path; no value when the file cannot be opened or is not an image
// that the metadata reader knows. Never throws.
std::optional<ImageMetadataValues> ReadImageMetadataValues(const QString& path);

// Text from a metadata byte string: UTF-8 when it is valid UTF-8, else Latin-1; trailing NULs
// and trailing blanks (EXIF padding) dropped, cut to kMaxMetadataTextLength on a character
// boundary.
QString MetadataText(const char* data, qsizetype size);

}  // namespace glimbrik
