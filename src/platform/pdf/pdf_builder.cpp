#include "platform/pdf/pdf_builder.h"

// Only std::shared_ptr in qpdf's interfaces, none of its old pointer type.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>
#include <algorithm>
#include <cmath>
#include <exception>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>
#include <set>

#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/image_source.h"
#include "platform/store/atomic_write.h"

namespace glimbrik {

namespace {

using Handle = QPDFObjectHandle;

std::string Utf8(const QString& text) { return text.toStdString(); }

Handle Text(const QString& text) { return Handle::newUnicodeString(Utf8(text)); }

Handle StreamOf(QPDF& pdf, const QByteArray& bytes) {
  return pdf.newStream(std::string(bytes.constData(), size_t(bytes.size())));
}

const char* DeviceSpace(ColorModel model) {
  switch (model) {
    case ColorModel::Gray:
      return "/DeviceGray";
    case ColorModel::CMYK:
      return "/DeviceCMYK";
    default:
      return "/DeviceRGB";
  }
}

int ComponentsOf(ColorModel model) {
  return model == ColorModel::Gray ? 1 : model == ColorModel::CMYK ? 4 : 3;
}

// The image's own profile when it describes the space its samples are in.
Handle ColourSpaceOf(QPDF& pdf, const ImageRepresentation& rep, ColorModel model) {
  const int n = ComponentsOf(model);
  if (!rep.iccProfile.isEmpty()) {
    if (const auto space = ColorSpace::FromIccProfile(rep.iccProfile)) {
      if (space->componentCount() == n) {
        Handle profile = StreamOf(pdf, rep.iccProfile);
        profile.getDict().replaceKey("/N", Handle::newInteger(n));
        profile.getDict().replaceKey("/Alternate", Handle::newName(DeviceSpace(model)));
        return Handle::newArray({Handle::newName("/ICCBased"), profile});
      }
    }
  }
  return Handle::newName(DeviceSpace(model));
}

Handle ImageDictionary(int width, int height) {
  Handle dict = Handle::newDictionary();
  dict.replaceKey("/Type", Handle::newName("/XObject"));
  dict.replaceKey("/Subtype", Handle::newName("/Image"));
  dict.replaceKey("/Width", Handle::newInteger(width));
  dict.replaceKey("/Height", Handle::newInteger(height));
  return dict;
}

// 8-bit samples (grey or RGB) and alpha of a decoded image, unpremultiplied. Deep images are
// narrowed here: Qt 6.4 garbles colour converting premultiplied 16-bit pixels itself.
struct EightBitPixels {
  QByteArray samples;
  QByteArray alpha;
  bool grey = false;
  bool opaque = true;
};

EightBitPixels Narrowed(const QImage& image) {
  EightBitPixels out;
  const int w = image.width(), h = image.height();
  out.grey =
      image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16;
  const int channels = out.grey ? 1 : 3;
  out.samples.resize(qsizetype(w) * h * channels);
  out.alpha.resize(qsizetype(w) * h);
  uchar* sample = reinterpret_cast<uchar*>(out.samples.data());
  uchar* alpha = reinterpret_cast<uchar*>(out.alpha.data());
  if (out.grey) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) sample = std::copy_n(grey.constScanLine(y), w, sample);
    std::fill_n(alpha, qsizetype(w) * h, uchar(255));
    return out;
  }
  const bool deep = image.depth() == 64;
  const QImage source = deep ? image : image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      QRgb pixel;
      if (deep) {
        QRgba64 p = reinterpret_cast<const QRgba64*>(source.constScanLine(y))[x];
        if (image.format() == QImage::Format_RGBA64_Premultiplied) p = p.unpremultiplied();
        pixel = p.toArgb32();
      } else {
        pixel = reinterpret_cast<const QRgb*>(source.constScanLine(y))[x];
      }
      *sample++ = uchar(qRed(pixel));
      *sample++ = uchar(qGreen(pixel));
      *sample++ = uchar(qBlue(pixel));
      *alpha++ = uchar(qAlpha(pixel));
      out.opaque = out.opaque && qAlpha(pixel) == 255;
    }
  }
  return out;
}

// An 8-bit image stream of the samples (Flate-compressed by the writer) in space, with alpha
// (when given) as its soft mask.
Handle SampledImage(QPDF& pdf, QSize size, const QByteArray& samples, Handle space,
                    const QByteArray& alpha) {
  const int w = size.width(), h = size.height();
  Handle stream = StreamOf(pdf, samples);
  Handle dict = stream.getDict();
  for (const auto& [key, value] : ImageDictionary(w, h).getDictAsMap()) dict.replaceKey(key, value);
  dict.replaceKey("/ColorSpace", space);
  dict.replaceKey("/BitsPerComponent", Handle::newInteger(8));
  if (!alpha.isEmpty()) {
    Handle smask = StreamOf(pdf, alpha);
    Handle maskDict = smask.getDict();
    for (const auto& [key, value] : ImageDictionary(w, h).getDictAsMap()) {
      maskDict.replaceKey(key, value);
    }
    maskDict.replaceKey("/ColorSpace", Handle::newName("/DeviceGray"));
    maskDict.replaceKey("/BitsPerComponent", Handle::newInteger(8));
    dict.replaceKey("/SMask", smask);
  }
  return stream;
}

// The decoded image with its transparency; a CMYK TIFF as its own inks, not the RGB it shows as.
Handle FlateImage(QPDF& pdf, const QByteArray& encoded, const ImageSource& source,
                  const ImageRepresentation& rep) {
  if (source.format() == ImageFormat::TIFF && rep.colorModel == ColorModel::CMYK) {
    if (const std::optional<CmykInks> inks = ReadTiffInks(encoded)) {
      return SampledImage(pdf, inks->size, inks->samples, ColourSpaceOf(pdf, rep, ColorModel::CMYK),
                          inks->alpha);
    }
  }
  ImageResult<QImage> decoded = source.decode(0);
  if (!decoded.ok()) return Handle::newNull();
  const QImage& image = decoded.value;
  const EightBitPixels pixels = Narrowed(image);
  const ColorModel model = pixels.grey ? ColorModel::Gray : ColorModel::RGB;
  return SampledImage(pdf, image.size(), pixels.samples,
                      rep.colorModel == model ? ColourSpaceOf(pdf, rep, model)
                                              : Handle::newName(DeviceSpace(model)),
                      pixels.opaque ? QByteArray() : pixels.alpha);
}

Handle ImageXObject(QPDF& pdf, const QByteArray& encoded) {
  const std::shared_ptr<ImageSource> source = ImageSource::FromData(encoded);
  if (!source->isValid()) return Handle::newNull();
  const ImageRepresentation& rep = source->representation(0);
  if (source->format() == ImageFormat::JPEG && rep.bitsPerComponent == 8) {
    Handle stream = StreamOf(pdf, encoded);
    Handle dict = stream.getDict();
    for (const auto& [key, value] :
         ImageDictionary(rep.pixelWidth, rep.pixelHeight).getDictAsMap()) {
      dict.replaceKey(key, value);
    }
    dict.replaceKey("/ColorSpace", ColourSpaceOf(pdf, rep, rep.colorModel));
    dict.replaceKey("/BitsPerComponent", Handle::newInteger(8));
    dict.replaceKey("/Filter", Handle::newName("/DCTDecode"));
    if (rep.colorModel == ColorModel::CMYK && HasAdobeSegment(encoded)) {
      dict.replaceKey("/Decode", Handle::parse("[1 0 1 0 1 0 1 0]"));
    }
    return stream;
  }
  if (source->format() == ImageFormat::JPEG2000) {
    // The codestream carries its own colour space and depth.
    Handle stream = StreamOf(pdf, encoded);
    Handle dict = stream.getDict();
    for (const auto& [key, value] :
         ImageDictionary(rep.pixelWidth, rep.pixelHeight).getDictAsMap()) {
      dict.replaceKey(key, value);
    }
    dict.replaceKey("/Filter", Handle::newName("/JPXDecode"));
    return stream;
  }
  return FlateImage(pdf, encoded, *source, rep);
}

// The matrix that draws the unit square of the stored image upright into rect for an EXIF
// orientation.
std::string PlacementMatrix(int orientation, const QRectF& rect) {
  // Unit-square maps (a b c d e f) of the eight orientations, y up.
  static const double kMaps[8][6] = {
      {1, 0, 0, 1, 0, 0},   {-1, 0, 0, 1, 1, 0}, {-1, 0, 0, -1, 1, 1}, {1, 0, 0, -1, 0, 1},
      {0, -1, -1, 0, 1, 1}, {0, -1, 1, 0, 0, 1}, {0, 1, 1, 0, 0, 0},   {0, 1, -1, 0, 1, 0}};
  const double* m = kMaps[(orientation >= 1 && orientation <= 8 ? orientation : 1) - 1];
  const double w = rect.width(), h = rect.height();
  const double values[6] = {m[0] * w,           m[1] * h, m[2] * w, m[3] * h, m[4] * w + rect.x(),
                            m[5] * h + rect.y()};
  std::string text;
  for (double v : values) text += QUtil::double_to_string(v, 4) + " ";
  return text + "cm";
}

Handle RectangleOf(const QRectF& r) {
  return Handle::newFromRectangle(
      Handle::Rectangle(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
}

QRectF QRectOf(Handle box) {
  if (!box.isRectangle()) return {};
  const Handle::Rectangle r = box.getArrayAsRectangle();
  const double x = std::min(r.llx, r.urx), y = std::min(r.lly, r.ury);
  return QRectF(x, y, std::abs(r.urx - r.llx), std::abs(r.ury - r.lly));
}

// The explicit destination (page + view) that a named one stands for in source (a name in the
// catalogue's /Dests, a string in its /Names /Dests tree), as an object of pdf; null when the
// name leads nowhere. The source's pages must have been copied into pdf already.
Handle ExplicitDestination(QPDF& pdf, QPDF& source, Handle name) {
  Handle dest;
  Handle root = source.getRoot();
  if (name.isName() && root.getKey("/Dests").isDictionary()) {
    dest = root.getKey("/Dests").getKey(name.getName());
  } else if (name.isString() && root.getKey("/Names").isDictionary()) {
    Handle tree = root.getKey("/Names").getKey("/Dests");
    if (tree.isDictionary()) {
      QPDFNameTreeObjectHelper(tree, source).findObject(name.getUTF8Value(), dest);
    }
  }
  if (dest.isDictionary()) dest = dest.getKey("/D");
  if (!dest.isArray()) return Handle::newNull();
  if (dest.isIndirect()) return pdf.copyForeignObject(dest);
  std::vector<Handle> items;
  for (Handle item : dest.getArrayAsVector()) {
    items.push_back(item.isIndirect() ? pdf.copyForeignObject(item)
                    : item.isScalar() ? item
                                      : Handle::newNull());
  }
  return Handle::newArray(items);
}

// Copied outline items that name their destination would point at nothing: the source's name
// tree stays behind. Each name becomes the explicit destination it stands for.
void ResolveNamedDestinations(QPDF& pdf, QPDF& source, Handle first) {
  std::set<QPDFObjGen> seen;
  std::vector<Handle> pending{first};
  while (!pending.empty()) {
    Handle item = pending.back();
    pending.pop_back();
    if (!item.isDictionary() || (item.isIndirect() && !seen.insert(item.getObjGen()).second)) {
      continue;
    }
    pending.push_back(item.getKey("/Next"));
    pending.push_back(item.getKey("/First"));
    Handle dest = item.getKey("/Dest");
    Handle action = item.getKey("/A");
    if (!dest.isName() && !dest.isString() && action.isDictionary() &&
        action.getKey("/S").isNameAndEquals("/GoTo")) {
      dest = action.getKey("/D");
    }
    if (!dest.isName() && !dest.isString()) continue;
    Handle explicitDest = ExplicitDestination(pdf, source, dest);
    if (explicitDest.isNull()) continue;
    item.replaceKey("/Dest", explicitDest);
    item.removeKey("/A");
  }
}

}  // namespace

QSizeF PdfImageInfo::pointSize() const {
  const double w = pixelWidth * 72.0 / (dpiX > 0 ? dpiX : 72.0);
  const double h = pixelHeight * 72.0 / (dpiY > 0 ? dpiY : 72.0);
  return orientation >= 5 && orientation <= 8 ? QSizeF(h, w) : QSizeF(w, h);
}

bool ReadPdfImageInfo(const QByteArray& encoded, int orientation, PdfImageInfo* info) {
  const std::shared_ptr<ImageSource> source = ImageSource::FromData(encoded);
  if (!source->isValid() || !info) return false;
  const ImageRepresentation& rep = source->representation(0);
  *info = {rep.pixelWidth, rep.pixelHeight, rep.dpiX, rep.dpiY, orientation};
  return rep.pixelWidth > 0 && rep.pixelHeight > 0;
}

struct PdfBuilder::State {
  QPDF pdf;
  Handle outlineRoot;  // uninitialised until the first entry
  int outlineCount = 0;

  std::vector<QPDFPageObjectHelper> pages() { return QPDFPageDocumentHelper(pdf).getAllPages(); }
};

PdfBuilder::PdfBuilder() : state_(std::make_unique<State>()) { state_->pdf.emptyPDF(); }

PdfBuilder::PdfBuilder(std::unique_ptr<State> state) : state_(std::move(state)) {}

PdfBuilder::~PdfBuilder() = default;

std::unique_ptr<PdfBuilder> PdfBuilder::Open(const QString& path, const QByteArray& password,
                                             OpenStatus* status) {
  if (status) *status = OpenStatus::NotPdf;
  auto state = std::make_unique<State>();
  try {
    state->pdf.setSuppressWarnings(true);
    state->pdf.processFile(QFile::encodeName(path).constData(),
                           password.isEmpty() ? nullptr : password.constData());
    // A page that is no dictionary (a null object in the page tree) has nothing to copy.
    for (Handle page : state->pdf.getAllPages()) {
      if (!page.isDictionary()) return nullptr;
    }
  } catch (const QPDFExc& error) {
    if (status && error.getErrorCode() == qpdf_e_password) *status = OpenStatus::WrongPassword;
    return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  if (status) *status = OpenStatus::Ok;
  return std::unique_ptr<PdfBuilder>(new PdfBuilder(std::move(state)));
}

bool PdfBuilder::isEncrypted() const { return state_->pdf.isEncrypted(); }

bool PdfBuilder::allowsPrinting() const {
  try {
    return state_->pdf.allowPrintLowRes();
  } catch (const std::exception&) {
    return false;
  }
}

int PdfBuilder::pageCount() const {
  try {
    return int(state_->pdf.getAllPages().size());
  } catch (const std::exception&) {
    return 0;
  }
}

QRectF PdfBuilder::cropBox(int index) const {
  const auto pages = state_->pages();
  if (index < 0 || index >= int(pages.size())) return {};
  auto page = pages[size_t(index)];
  QRectF box = QRectOf(page.getCropBox(false));
  if (box.isEmpty()) box = QRectOf(page.getMediaBox(false));
  return box;
}

int PdfBuilder::pageRotation(int index) const {
  auto pages = state_->pages();
  if (index < 0 || index >= int(pages.size())) return 0;
  Handle rotate = pages[size_t(index)].getAttribute("/Rotate", false);
  return rotate.isInteger() ? rotate.getIntValueAsInt() : 0;
}

void PdfBuilder::rotatePages(int angle) {
  for (auto& page : state_->pages()) {
    Handle current = page.getAttribute("/Rotate", false);
    int rotation = (current.isInteger() ? current.getIntValueAsInt() : 0) + angle;
    if (rotation >= 360) rotation -= 360;
    if (rotation < -359) rotation += 360;
    page.getObjectHandle().replaceKey("/Rotate", Handle::newInteger(rotation));
  }
}

bool PdfBuilder::insertImagePage(int index, const QByteArray& encoded, const PdfImageInfo& info,
                                 const QRectF& mediaBox, const QRectF& cropBox,
                                 QPointF imageOrigin) {
  try {
    QPDF& pdf = state_->pdf;
    Handle image = ImageXObject(pdf, encoded);
    if (image.isNull()) return false;
    const QRectF placed(imageOrigin, info.pointSize());
    const std::string content = "q " + PlacementMatrix(info.orientation, placed) + " /Im0 Do Q\n";
    Handle xobjects = Handle::newDictionary();
    xobjects.replaceKey("/Im0", pdf.makeIndirectObject(image));
    Handle resources = Handle::newDictionary();
    resources.replaceKey("/XObject", xobjects);
    Handle dict = Handle::newDictionary();
    dict.replaceKey("/Type", Handle::newName("/Page"));
    dict.replaceKey("/MediaBox", RectangleOf(mediaBox));
    if (cropBox != mediaBox) dict.replaceKey("/CropBox", RectangleOf(cropBox));
    dict.replaceKey("/Resources", resources);
    dict.replaceKey("/Contents", pdf.newStream(content));
    QPDFPageObjectHelper page(pdf.makeIndirectObject(dict));
    QPDFPageDocumentHelper helper(pdf);
    const auto pages = helper.getAllPages();
    if (index >= 0 && index < int(pages.size())) {
      helper.addPageAt(page, true, pages[size_t(index)]);
    } else {
      helper.addPage(page, false);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int PdfBuilder::appendPages(PdfBuilder& source, int first, int count) {
  const int start = pageCount();
  try {
    const auto pages = source.state_->pages();
    QPDFPageDocumentHelper helper(state_->pdf);
    for (int i = first; i < first + count && i < int(pages.size()); ++i) {
      if (i >= 0) helper.addPage(pages[size_t(i)], false);
    }
  } catch (const std::exception&) {
  }
  return start;
}

void PdfBuilder::addOutlineEntry(const QString& title, int pageIndex, PdfBuilder* childrenOf) {
  try {
    QPDF& pdf = state_->pdf;
    const auto pages = state_->pages();
    if (pageIndex < 0 || pageIndex >= int(pages.size())) return;
    const QRectF box = cropBox(pageIndex);
    if (!state_->outlineRoot.isInitialized()) {
      Handle root = Handle::newDictionary();
      root.replaceKey("/Type", Handle::newName("/Outlines"));
      state_->outlineRoot = pdf.makeIndirectObject(root);
    }
    Handle root = state_->outlineRoot;

    Handle entry;
    if (childrenOf) {
      Handle theirs = childrenOf->state_->pdf.getRoot().getKey("/Outlines");
      if (theirs.isDictionary() && theirs.getKey("/First").isDictionary()) {
        // The source's root becomes the entry; its items come along and keep their parent.
        entry = pdf.copyForeignObject(theirs);
        ResolveNamedDestinations(pdf, childrenOf->state_->pdf, entry.getKey("/First"));
        entry.removeKey("/Type");
        Handle count = entry.getKey("/Count");
        entry.replaceKey(
            "/Count", Handle::newInteger(-std::abs(count.isInteger() ? count.getIntValue() : 0)));
      }
    }
    if (!entry.isInitialized()) entry = pdf.makeIndirectObject(Handle::newDictionary());
    entry.replaceKey("/Title", Text(title));
    entry.replaceKey("/Parent", root);
    entry.replaceKey(
        "/Dest", Handle::newArray({pages[size_t(pageIndex)].getObjectHandle(),
                                   Handle::newName("/XYZ"), Handle::newReal(0.0, 0),
                                   Handle::newReal(box.y() + box.height(), 2), Handle::newNull()}));
    entry.removeKey("/Next");
    entry.removeKey("/Prev");
    entry.removeKey("/A");
    Handle last = root.getKey("/Last");
    if (last.isDictionary()) {
      last.replaceKey("/Next", entry);
      entry.replaceKey("/Prev", last);
    } else {
      root.replaceKey("/First", entry);
    }
    root.replaceKey("/Last", entry);
    root.replaceKey("/Count", Handle::newInteger(++state_->outlineCount));
    pdf.getRoot().replaceKey("/Outlines", root);
  } catch (const std::exception&) {
  }
}

int PdfBuilder::outlineEntryCount() const { return state_->outlineCount; }

bool PdfBuilder::write(const QString& path, const QVariantMap& attributes) {
  try {
    QPDF& pdf = state_->pdf;
    Handle info = pdf.getTrailer().getKey("/Info");
    if (!info.isDictionary()) {
      info = pdf.makeIndirectObject(Handle::newDictionary());
      pdf.getTrailer().replaceKey("/Info", info);
    }
    for (const char* key :
         {kPdfTitleKey, kPdfAuthorKey, kPdfSubjectKey, kPdfCreatorKey, kPdfKeywordsKey}) {
      const QVariant value = attributes.value(QString::fromLatin1(key));
      if (value.isValid()) info.replaceKey(std::string("/") + key, Text(value.toString()));
    }

    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setPreserveEncryption(false);
    const QString user = attributes.value(QString::fromLatin1(kPdfUserPasswordKey)).toString();
    const QString owner = attributes.value(QString::fromLatin1(kPdfOwnerPasswordKey)).toString();
    if (!user.isEmpty() || !owner.isEmpty()) {
      const bool print =
          attributes.value(QString::fromLatin1(kPdfAllowsPrintingKey), true).toBool();
      const bool copy = attributes.value(QString::fromLatin1(kPdfAllowsCopyingKey), true).toBool();
      writer.setR6EncryptionParameters(
          Utf8(user).c_str(), Utf8(owner.isEmpty() ? user : owner).c_str(), true, copy, true, true,
          true, true, print ? qpdf_r3p_full : qpdf_r3p_none, true);
    }
    writer.write();
    const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return WriteFileAtomically(path, reinterpret_cast<const char*>(buffer->getBuffer()),
                               qint64(buffer->getSize()));
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace glimbrik
