#include "engine/convert/image_types.h"

#include <QFileInfo>
#include <array>

#include "platform/codecs/image_source.h"
#include "platform/metadata/image_header.h"
#include "platform/pdf/pdf_document.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

namespace {

struct TypeEntry {
  const char* uti;
  int type;
};

// The ten common types first; ImageTypeForUTI with commonOnly stops after them.
constexpr std::array<TypeEntry, 20> kImageTypes = {{
    {"public.jpeg", 4},
    {"public.tiff", 10},
    {"public.png", 7},
    {"com.compuserve.gif", 2},
    {"public.jpeg-2000", 3},
    {"com.microsoft.bmp", 11},
    {"com.adobe.photoshop-image", 1},
    {"com.ilm.openexr-image", 5},
    {"com.truevision.tga-image", 9},
    {"com.apple.icns", 6},
    {"com.sgi.sgi-image", 12},
    {"public.camera-raw-image", 22},
    {"com.apple.pict", 14},
    {"com.apple.macpaint-image", 16},
    {"public.xbitmap-image", 19},
    {"com.apple.quicktime-image", 17},
    {"public.fax", 21},
    {"com.kodak.flashpix.image", 20},
    {"com.adobe.illustrator.ai-image", 15},
    {"com.microsoft.ico", 18},
}};
constexpr size_t kCommonTypes = 10;

struct ExtensionEntry {
  const char* extension;
  const char* uti;
};

constexpr ExtensionEntry kExtensions[] = {
    {"jpg", "public.jpeg"},
    {"jpeg", "public.jpeg"},
    {"jpe", "public.jpeg"},
    {"jfif", "public.jpeg"},
    {"tif", "public.tiff"},
    {"tiff", "public.tiff"},
    {"png", "public.png"},
    {"gif", "com.compuserve.gif"},
    {"jp2", "public.jpeg-2000"},
    {"j2k", "public.jpeg-2000"},
    {"jpf", "public.jpeg-2000"},
    {"jpx", "public.jpeg-2000"},
    {"j2c", "public.jpeg-2000"},
    {"bmp", "com.microsoft.bmp"},
    {"dib", "com.microsoft.bmp"},
    {"psd", "com.adobe.photoshop-image"},
    {"exr", "com.ilm.openexr-image"},
    {"tga", "com.truevision.tga-image"},
    {"icns", "com.apple.icns"},
    {"sgi", "com.sgi.sgi-image"},
    {"rgb", "com.sgi.sgi-image"},
    {"rgba", "com.sgi.sgi-image"},
    {"bw", "com.sgi.sgi-image"},
    {"pict", "com.apple.pict"},
    {"pct", "com.apple.pict"},
    {"pntg", "com.apple.macpaint-image"},
    {"mac", "com.apple.macpaint-image"},
    {"xbm", "public.xbitmap-image"},
    {"qtif", "com.apple.quicktime-image"},
    {"qti", "com.apple.quicktime-image"},
    {"fax", "public.fax"},
    {"g3", "public.fax"},
    {"fpx", "com.kodak.flashpix.image"},
    {"ai", "com.adobe.illustrator.ai-image"},
    {"ico", "com.microsoft.ico"},
    {"webp", "org.webmproject.webp"},
    {"pdf", "com.adobe.pdf"},
};

struct DocumentEntry {
  const char* uti;
  int type;
};

constexpr DocumentEntry kDocuments[] = {
    {"public.rtf", 1},
    {"com.apple.rtfd", 2},
    {"public.html", 3},
    {"public.text", 4},
    {"public.plain-text", 5},
    {"com.apple.log", 5},
    {"com.apple.crashreport", 5},
    {"com.apple.panicreport", 5},
    {"com.apple.hangreport", 5},
    {"com.apple.spinreport", 5},
    {"com.apple.aslquery", 5},
    {"com.apple.webarchive", 6},
    {"org.oasis-open.opendocument.text", 7},
    {"org.oasis.opendocument.text", 7},
    {"org.oasis-open.opendocument", 7},
    {"org.oasis-open.opendocument.text-template", 8},
    {"org.openoffice.text", 9},
    {"org.openoffice.text-template", 10},
    {"org.openxmlformats.wordprocessingml.document", 11},
    {"org.openxmlformats.wordprocessingml.document.macroenabled", 11},
    {"com.microsoft.word.wordml", 12},
    {"com.microsoft.word.doc", 13},
    {"com.apple.traditional-mac-plain-text", 14},
    {"com.apple.keynote.key", 16},
    {"com.apple.iWork.Keynote.key", 16},
    {"com.microsoft.powerpoint.ppt", 17},
    {"com.microsoft.excel.xls", 18},
    {"org.oasis-open.opendocument.graphics", 19},
    {"org.oasis-open.opendocument.graphics-template", 20},
    {"org.oasis-open.opendocument.presentation", 21},
    {"org.oasis-open.opendocument.presentation-template", 22},
    {"org.oasis-open.opendocument.spreadsheet", 23},
    {"org.oasis-open.opendocument.spreadsheet-template", 24},
    {"org.oasis-open.opendocument.chart", 25},
    {"org.oasis-open.opendocument.chart-template", 26},
    {"org.oasis-open.opendocument.image", 27},
    {"org.oasis-open.opendocument.image-template", 28},
    {"org.oasis-open.opendocument.formula", 29},
    {"org.oasis-open.opendocument.formula-template", 30},
    {"org.oasis-open.opendocument.text-master", 31},
    {"org.oasis-open.opendocument.text-web", 32},
    {"org.openxmlformats.wordprocessingml.template", 33},
    {"org.openxmlformats.wordprocessingml.template.macroenabled", 33},
    {"org.openxmlformats.spreadsheetml.template", 33},
    {"org.openxmlformats.spreadsheetml.template.macroenabled", 33},
    {"org.openxmlformats.spreadsheetml.sheet", 34},
    {"org.openxmlformats.spreadsheetml.sheet.macroenabled", 34},
    {"org.openxmlformats.presentationml.presentation", 36},
    {"org.openxmlformats.presentationml.presentation.macroenabled", 36},
    {"org.openxmlformats.presentationml.slideshow", 36},
    {"org.openxmlformats.presentationml.slideshow.macroenabled", 36},
    {"org.openxmlformats.presentationml.template", 37},
    {"org.openxmlformats.presentationml.template.macroenabled", 37},
};

}  // namespace

int ImageTypeForUTI(const QString& typeIdentifier, bool commonOnly) {
  if (typeIdentifier.isEmpty()) return 0;
  const size_t end = commonOnly ? kCommonTypes : kImageTypes.size();
  for (size_t i = 0; i < end; ++i) {
    if (typeIdentifier == QLatin1String(kImageTypes[i].uti)) return kImageTypes[i].type;
  }
  return 0;
}

QString TypeIdentifierForPath(const QString& path) {
  const QString extension = QFileInfo(path).suffix().toLower();
  for (const ExtensionEntry& entry : kExtensions) {
    if (extension == QLatin1String(entry.extension)) return QString::fromLatin1(entry.uti);
  }
  return QString();
}

int ImageTypeForURL(const QString& path) {
  return ImageTypeForUTI(TypeIdentifierForPath(path), true);
}

int OutputTypeForSource(const QString& path) {
  const ImageHeaderResult header = ReadImageHeader(path);
  const ImageFormat content = header ? header.header->format : ImageFormat::Unknown;
  if (content == ImageFormat::WebP) return 24;
  const int named = ImageTypeForUTI(TypeIdentifierForPath(path), false);
  if (named != 0) return named;
  return ImageTypeForUTI(TypeIdentifierForFormat(content), false);
}

int DocumentTypeForUTI(const QString& typeIdentifier) {
  for (const DocumentEntry& entry : kDocuments) {
    if (typeIdentifier == QLatin1String(entry.uti)) return entry.type;
  }
  return 0;
}

QTransform OrientationTransform(double width, double height, int flip, long long angle) {
  const double w = width, h = height;
  if (flip == 3) {
    angle = angle + 180 < 360 ? angle + 180 : angle - 180;
    flip = 0;
  }
  int index = 0;
  if ((angle == 180 || angle == -180) && flip == 1) {
    index = 3;
  } else if ((angle == 180 || angle == -180) && flip == 2) {
    index = 1;
  } else if (angle == 90 || angle == -270) {
    index = flip == 2 ? 4 : flip == 1 ? 6 : 7;
  } else if (angle == 180 || angle == -180) {
    index = 2;
  } else if (angle == 270 || angle == -90) {
    index = flip == 2 ? 6 : flip == 1 ? 4 : 5;
  } else {
    index = flip == 1 ? 1 : flip == 2 ? 3 : 0;
  }
  switch (index) {
    case 1:
      return QTransform(-1, 0, 0, 1, w, 0);
    case 2:
      return QTransform(-1, 0, 0, -1, w, h);
    case 3:
      return QTransform(1, 0, 0, -1, 0, h);
    case 4:
      return QTransform(0, -1, -1, 0, h, w);
    case 5:
      return QTransform(0, -1, 1, 0, 0, w);
    case 6:
      return QTransform(0, 1, 1, 0, 0, 0);
    case 7:
      return QTransform(0, 1, -1, 0, h, 0);
    default:
      return QTransform();
  }
}

std::optional<QColor> CGColorFromNSColor(const std::optional<QColor>& color) {
  if (!color || !color->isValid()) return std::nullopt;
  return color;
}

QImage BitmapRepForImage(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Invalid:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
      return image;
    default:
      return ConvertedImage(image, image.depth() > 32 ? QImage::Format_RGBA64_Premultiplied
                                                      : QImage::Format_ARGB32_Premultiplied);
  }
}

bool IsBlankPDFPage(const QString& pdfPath, int pageIndex, const QByteArray& password) {
  const std::unique_ptr<PdfDocument> document = PdfDocument::Open(pdfPath, password);
  if (!document || pageIndex < 0 || pageIndex >= document->pageCount()) {
    return false;
  }
  if (document->pageText(pageIndex).size() > 5) return false;
  // Half size: 36 dots per inch of a page measured in points.
  const QImage page = document->renderPage(pageIndex, 36.0, Qt::white);
  if (page.isNull()) return false;
  const QImage argb = page.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      if (line[x] != 0xFFFFFFFFu) return false;
    }
  }
  return true;
}

}  // namespace glimbrik
