#pragma once

// Output-type recognition, drawing transforms and small colour helpers shared by the engine and
// the user interface.

#include <QColor>
#include <QImage>
#include <QString>
#include <QTransform>
#include <optional>

namespace glimbrik {

// Output-type index (0-24) of a type identifier, compared exactly; 0 for anything else. With
// commonOnly only the ten common types are recognised.
int ImageTypeForUTI(const QString& typeIdentifier, bool commonOnly);
// The type identifier of a file, from its name as the system's type database gives it.
QString TypeIdentifierForPath(const QString& path);
// ImageTypeForUTI of the file's type identifier with commonOnly set.
int ImageTypeForURL(const QString& path);
// The output type that "same as original" gives a source file, decided here alone so that the
// name a run picks and the bytes the engine writes agree: 24 for WebP content, else the type of
// the file's name or, failing that, of its content; 0 when neither is an output type.
int OutputTypeForSource(const QString& path);
// Document-type number of the document jobs; 0 for anything else.
int DocumentTypeForUTI(const QString& typeIdentifier);

// The transform that draws a width x height image turned by angle degrees and mirrored by flip
// (bit 1 left-right, bit 2 top-bottom), in y-up coordinates: (x, y) -> (a x + c y + tx,
// b x + d y + ty) with QTransform(a, b, c, d, tx, ty).
QTransform OrientationTransform(double width, double height, int flip, long long angle);

// The drawing colour of a colour; none for an absent or invalid one.
std::optional<QColor> CGColorFromNSColor(const std::optional<QColor>& color);

// The bitmap of an image in a layout the engine draws from (8-bit premultiplied ARGB, or
// 16-bit premultiplied RGBA, or grey); a null image stays null.
QImage BitmapRepForImage(const QImage& image);

// Whether page pageIndex (from 0) of a PDF is blank: no more than 5 characters of text and a
// half-size rendering that stays pure white. A missing page is not blank.
bool IsBlankPDFPage(const QString& pdfPath, int pageIndex, const QByteArray& password = {});

}  // namespace glimbrik
