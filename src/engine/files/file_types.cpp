#include "engine/files/file_types.h"

#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QSet>
#include <vector>

namespace glimbrik {

namespace {

struct TypeRow {
  const char* uti;
  const char* mime;  // stands for the identifier in the MIME database
  const char* description;
};

// The kind table, in its order; rows with a null description only translate identifiers.
// Types the MIME database does not know carry a private name that only matches itself.
constexpr TypeRow kTypes[] = {
    {"public.image", "image/*", "Image"},
    {"public.jpeg", "image/jpeg", "JPEG image"},
    {"public.jpeg-2000", "image/jp2", "JPEG-2000 image"},
    {"public.tiff", "image/tiff", "TIFF image"},
    {"com.compuserve.gif", "image/gif", "GIF image"},
    {"public.png", "image/png", "PNG image"},
    {"com.apple.quicktime-image", "image/x-quicktime", "QuickTime image"},
    {"com.apple.icns", "image/x-icns", "Apple icon"},
    {"com.apple.macpaint-image", "image/x-macpaint", "Apple MacPaint image"},
    {"com.microsoft.bmp", "image/bmp", "Windows bitmap"},
    {"com.microsoft.ico", "image/vnd.microsoft.icon", "Windows icon"},
    {"public.fax", "image/g3fax", "FAX image"},
    {"public.xbitmap-image", "image/x-xbitmap", "X bitmap image"},
    {"public.camera-raw-image", "image/x-dcraw", "Camera raw image"},
    {"com.adobe.photoshop-image", "image/vnd.adobe.photoshop", "Adobe Photoshop document"},
    {"com.truevision.tga-image", "image/x-tga", "TGA image"},
    {"com.sgi.sgi-image", "image/x-sgi", "Silicon Graphics image"},
    {"com.ilm.openexr-image", "image/x-exr", "OpenEXR image"},
    {"public.heic", "image/heif", "HEIF image"},
    {"com.kodak.flashpix-image", "image/x-glimbrik-flashpix", "FlashPix image"},
    {"com.adobe.raw-image", "image/x-adobe-dng", "Adobe raw image"},
    {"com.canon.crw-raw-image", "image/x-canon-crw", "Canon CRW raw image"},
    {"com.canon.cr2-raw-image", "image/x-canon-cr2", "Canon CR2 raw image"},
    {"com.canon.tif-raw-image", "image/x-glimbrik-canon-tif", "Canon TIF raw image"},
    {"com.nikon.raw-image", "image/x-nikon-nef", "Nikon raw image"},
    {"com.olympus.raw-image", "image/x-olympus-orf", "Olympus raw image"},
    {"com.fuji.raw-image", "image/x-fuji-raf", "Fuji raw image"},
    {"com.sony.raw-image", "image/x-sony-srf", "Sony raw image"},
    {"com.sony.arw-raw-image", "image/x-sony-arw", "Sony ARW raw image"},
    {"com.konicaminolta.raw-image", "image/x-minolta-mrw", "Minolta raw image"},
    {"com.kodak.raw-image", "image/x-kodak-dcr", "Kodak raw image"},
    {"com.panasonic.raw-image", "image/x-panasonic-rw2", "Panasonic raw image"},
    {"com.pentax.raw-image", "image/x-pentax-pef", "Pentax raw image"},
    {"com.leafamerica.raw-image", "image/x-glimbrik-leaf", "Leaf raw image"},
    {"com.leica.raw-image", "image/x-glimbrik-leica", "Leica raw image"},
    {"com.hasselblad.fff-raw-image", "image/x-glimbrik-hasselblad-fff", "Hasselblad FFF raw image"},
    {"com.hasselblad.3fr-raw-image", "image/x-glimbrik-hasselblad-3fr", "Hasselblad 3FR raw image"},
    // Identifiers of other types the system names, and further MIME types of the rows above.
    {"com.adobe.pdf", "application/pdf", nullptr},
    {"com.apple.pict", "image/x-pict", nullptr},
    {"com.adobe.illustrator.ai-image", "application/illustrator", nullptr},
    {"org.webmproject.webp", "image/webp", nullptr},
    {"public.svg-image", "image/svg+xml", nullptr},
    {"com.nikon.raw-image", "image/x-nikon-nrw", nullptr},
    {"com.sony.raw-image", "image/x-sony-sr2", nullptr},
    {"com.kodak.raw-image", "image/x-kodak-kdc", nullptr},
    {"com.kodak.raw-image", "image/x-kodak-k25", nullptr},
    {"com.panasonic.raw-image", "image/x-panasonic-rw", nullptr},
};

constexpr struct {
  const char* description;
  const char* extensions[5];
} kExtensions[] = {
    {"JPEG image", {"jpeg", "jpg"}},
    {"JPEG-2000 image", {"jp2"}},
    {"TIFF image", {"tiff", "tif"}},
    {"GIF image", {"gif"}},
    {"PNG image", {"png"}},
    {"Webp image", {"webp"}},
    {"QuickTime image", {"qti", "qtif"}},
    {"Apple icon", {"icns"}},
    {"Apple MacPaint image", {"pntg"}},
    {"Windows bitmap", {"bmp"}},
    {"Windows icon", {"ico"}},
    {"FAX image", {"fax"}},
    {"X bitmap image", {"xbm"}},
    {"Adobe Photoshop document", {"psd"}},
    {"TGA image", {"tga"}},
    {"Silicon Graphics image", {"sgi"}},
    {"OpenEXR image", {"exr"}},
    {"HEIF image", {"heic", "heif"}},
    {"FlashPix image", {"fpx"}},
    {"Adobe raw image", {"dng"}},
    {"Canon CRW raw image", {"crw"}},
    {"Canon CR2 raw image", {"cr2"}},
    {"Nikon raw image", {"nef", "nrw"}},
    {"Olympus raw image", {"orf"}},
    {"Fuji raw image", {"raf"}},
    {"Sony raw image", {"srf", "sr2"}},
    {"Sony ARW raw image", {"arw"}},
    {"Minolta raw image", {"mdc", "mrw"}},
    {"Kodak raw image", {"dcs", "dcr", "drf", "k25", "kdc"}},
    {"Panasonic raw image", {"raw", "rw2"}},
    {"Pentax raw image", {"pef", "ptx"}},
    {"Leaf raw image", {"mos"}},
    {"Leica raw image", {"rwl"}},
    {"Hasselblad FFF raw image", {"fff"}},
    {"Hasselblad 3FR raw image", {"3fr"}},
    {"ARRIFLEX raw image", {"ari"}},
    {"Casio raw image", {"bay"}},
    {"Epson raw image", {"erf"}},
    {"Mamiya raw image", {"mef"}},
    {"Logitech raw image", {"pxn"}},
    {"Rawzor raw image", {"rwz"}},
    {"Samsung raw image", {"srw"}},
    {"Sigma raw image", {"x3f"}},
};

constexpr const char* kDocuments[] = {
    "'PDF '", "PDF",  "pdf",  "svg",    "SVG", "AI",   "ai",   "'PICT'", "PIC",  "pic",  "PCT",
    "pct",    "PICT", "pict", "'EPSF'", "PS",  "ps",   "EPSI", "epsi",   "EPSF", "epsf", "EPI",
    "epi",    "EPS",  "eps",  "txt",    "doc", "docx", "ppt",  "pptx",   "text"};

bool IsAnyImageRow(int row) { return qstrcmp(kTypes[row].mime, "image/*") == 0; }

// The tables, built once (thread-safe static initialisation) and kept for the process.
struct Tables {
  std::vector<int> describedRows;          // rows with a description, in table order
  QHash<QString, int> rowOfUti;            // first row of each identifier
  QHash<QString, QString> utiOfMime;       // MIME name -> identifier
  QHash<QString, QString> extensionKinds;  // 56 extensions
  QSet<QString> documents;                 // 31 texts

  Tables() {
    for (int i = 0; i < int(std::size(kTypes)); ++i) {
      const QString uti = QString::fromLatin1(kTypes[i].uti);
      if (kTypes[i].description) describedRows.push_back(i);
      if (!rowOfUti.contains(uti)) rowOfUti.insert(uti, i);
      if (!IsAnyImageRow(i)) utiOfMime.insert(QString::fromLatin1(kTypes[i].mime), uti);
    }
    for (const auto& row : kExtensions) {
      for (const char* extension : row.extensions) {
        if (extension)
          extensionKinds.insert(QString::fromLatin1(extension),
                                QString::fromLatin1(row.description));
      }
    }
    for (const char* text : kDocuments) documents.insert(QString::fromLatin1(text));
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

QMimeType MimeTypeOf(const QString& uti) {
  static const QMimeDatabase database;
  const auto it = GetTables().rowOfUti.constFind(uti);
  const QString name =
      it != GetTables().rowOfUti.cend() ? QString::fromLatin1(kTypes[*it].mime) : uti;
  return database.mimeTypeForName(name);
}

bool IsImageMime(const QMimeType& type) {
  if (type.name().startsWith(QLatin1String("image/"))) return true;
  for (const QString& ancestor : type.allAncestors()) {
    if (ancestor.startsWith(QLatin1String("image/"))) return true;
  }
  return false;
}

bool RowConforms(const QString& uti, int row) {
  if (uti == QLatin1String(kTypes[row].uti)) return true;
  const QMimeType type = MimeTypeOf(uti);
  if (!type.isValid()) return false;
  if (IsAnyImageRow(row)) return IsImageMime(type);
  return type.inherits(QString::fromLatin1(kTypes[row].mime));
}

}  // namespace

bool TypeConformsTo(const QString& uti, const QString& parent) {
  if (uti.isEmpty() || parent.isEmpty()) return false;
  if (uti == parent) return true;
  const auto it = GetTables().rowOfUti.constFind(parent);
  if (it != GetTables().rowOfUti.cend()) return RowConforms(uti, *it);
  const QMimeType type = MimeTypeOf(uti);
  const QMimeType parentType = MimeTypeOf(parent);
  return type.isValid() && parentType.isValid() && type.inherits(parentType.name());
}

QString DescriptionForUTI(const QString& type) {
  if (type.isEmpty()) return QString();
  const Tables& tables = GetTables();
  const QString uti = tables.utiOfMime.value(type, type);
  std::vector<int> matches;
  for (int row : tables.describedRows) {
    if (uti == QLatin1String(kTypes[row].uti)) return QString::fromLatin1(kTypes[row].description);
    if (RowConforms(uti, row)) matches.push_back(row);
  }
  // The most specific match: the one that conforms to the most other matches; the table runs
  // from general to specific, so a later row wins a tie.
  int best = -1;
  int bestScore = -1;
  for (int row : matches) {
    int score = 0;
    for (int other : matches) {
      if (other != row && RowConforms(QString::fromLatin1(kTypes[row].uti), other)) ++score;
    }
    if (score >= bestScore) {
      best = row;
      bestScore = score;
    }
  }
  return best < 0 ? QString() : QString::fromLatin1(kTypes[best].description);
}

QString DescriptionForExtension(const QString& extension) {
  return GetTables().extensionKinds.value(extension);
}

bool IsDocumentExtension(const QString& text) { return GetTables().documents.contains(text); }

QString TypeIdentifierForFile(const QString& path) {
  static const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForFile(path);
  if (!type.isValid() || type.isDefault()) return QString();
  const auto& utiOfMime = GetTables().utiOfMime;
  const auto it = utiOfMime.constFind(type.name());
  return it != utiOfMime.cend() ? *it : type.name();
}

QString FileKindDescription(const QString& path) {
  const QString extension = QFileInfo(path).suffix().toLower();
  if (!extension.isEmpty()) {
    const QString kind = DescriptionForExtension(extension);
    if (!kind.isEmpty()) return kind;
    if (IsDocumentExtension(extension)) return QString();
  }
  return DescriptionForUTI(TypeIdentifierForFile(path));
}

QImage FileIconOfSize(const QString& path, int width, int height) {
  static const QMimeDatabase database;
  if (width <= 0 || height <= 0) return QImage();
  const QMimeType type = database.mimeTypeForFile(path);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) return QImage();
  return icon.pixmap(width, height).toImage().scaled(width, height);
}

}  // namespace glimbrik
