#pragma once

// Human-readable kinds of image files and the set of document extensions. The kinds are plain
// English and not localised.
//
// Type identifiers are the dotted names of the kind table ("public.png"); a file type that no
// such name stands for is identified by its MIME type name ("image/x-portable-pixmap").
// Conformance between types follows the MIME database's sub-class relations.

#include <QImage>
#include <QString>

namespace glimbrik {

// The description of a type identifier: its own row, else that of the most specific row it
// conforms to ("Image" for any other image type); empty when none.
QString DescriptionForUTI(const QString& uti);

// The description of a lower-case extension ("nef" gives "Nikon raw image"); empty when unknown.
QString DescriptionForExtension(const QString& extension);

// Whether text is one of the document extensions or file types (exact, case-sensitive).
bool IsDocumentExtension(const QString& text);

// The kind of the file at path: by its lower-cased extension, else by its type as the MIME
// database sees it (content included); empty for documents and unrecognised files.
QString FileKindDescription(const QString& path);

// The file's type identifier (see above); empty when the file's type is unknown.
QString TypeIdentifierForFile(const QString& path);

// Whether uti is parent or a kind of it ("com.nikon.raw-image" conforms to "public.tiff",
// "public.camera-raw-image" and "public.image").
bool TypeConformsTo(const QString& uti, const QString& parent);

// The desktop theme's icon for the file's type at that size; a null image when there is none.
QImage FileIconOfSize(const QString& path, int width, int height);

}  // namespace glimbrik
