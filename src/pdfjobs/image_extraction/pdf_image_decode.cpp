#include "pdfjobs/image_extraction/pdf_image_decode.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QColorSpace>
#include <cmath>
#include <cstdlib>
#include <qpdf/QPDFObjectHandle.hh>

#include "engine/codecs/jpeg2000.h"
#include "engine/codecs/jpeg_memory.h"
#include "pdfjobs/functions/pdf_function.h"
#include "pdfjobs/image_extraction/jbig2_decode.h"
#include "pdfjobs/image_extraction/pdf_image_samples.h"
#include "pdfjobs/pdf_object_reading.h"
#include "platform/codecs/other_formats/ccitt_decode.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

namespace {

constexpr int64_t kMaxSide = 30000;
constexpr int64_t kMaxPixels = 500LL * 1000 * 1000;
constexpr int kMaxColorSpaceDepth = 4;

// A colour space as far as extraction needs it: how many samples a pixel has and what bytes
// they finally become.
struct PDFColorSpace {
  int kind = 0;  // 0 device, 4 CalGray, 5 CalRGB, 6 Lab, 7 ICCBased, 8 Indexed, 10 Sep, 11 DeviceN
  int components = 0;                   // samples per pixel in the image data
  ColorModel model = ColorModel::Gray;  // of the final bytes
  int finalComponents = 0;
  QByteArray icc;      // profile of the final bytes, when ICC-based
  QByteArray palette;  // Indexed: entries already in the final space
  int hival = 0;
  QPDFObjectHandle tint;                        // Separation / DeviceN array
  double labRange[4] = {-100, 100, -100, 100};  // Lab: a and b ranges
  std::vector<double> iccRange;                 // ICCBased: min and max of each component
};

// The profile of a CalRGB or CalGray dictionary; empty without a usable white point.
QByteArray CalibratedProfile(const std::string& family, QPDFObjectHandle dict) {
  const std::vector<double> white = ReadNumberArray(dict.getKey("/WhitePoint"));
  if (white.size() != 3) return QByteArray();
  const std::vector<double> gamma = family == "/CalGray"
                                        ? std::vector<double>{ReadNumber(dict.getKey("/Gamma"), 1)}
                                        : ReadNumberArray(dict.getKey("/Gamma"));
  if (family == "/CalGray") return CalibratedGrayProfile(white.data(), gamma[0]);
  const double gammas[3] = {gamma.size() == 3 ? gamma[0] : 1, gamma.size() == 3 ? gamma[1] : 1,
                            gamma.size() == 3 ? gamma[2] : 1};
  std::vector<double> matrix = ReadNumberArray(dict.getKey("/Matrix"));
  if (matrix.size() != 9) matrix = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  return CalibratedRGBProfile(white.data(), gammas, matrix.data());
}

// Decode ranges in the colour space's own units (Lab's L*, a*, b*, an ICC space's /Range) as
// fractions of each component's range, one pair per component, which is what the sample bytes
// stand for.
std::vector<double> DecodeAsFractions(const std::vector<double>& decode, const PDFColorSpace& cs,
                                      int components) {
  std::vector<double> ranges;
  if (cs.model == ColorModel::Lab && cs.kind == 6 && components == 3) {
    ranges = {0, 100, cs.labRange[0], cs.labRange[1], cs.labRange[2], cs.labRange[3]};
  } else if (cs.kind == 7 && cs.iccRange.size() >= size_t(2 * components)) {
    ranges = cs.iccRange;
  }
  if (ranges.empty() || decode.size() < 2) return decode;
  const size_t pairs = decode.size() / 2;
  std::vector<double> fractions;
  for (int c = 0; c < components; ++c) {
    const double low = ranges[size_t(2 * c)], span = ranges[size_t(2 * c + 1)] - low;
    if (span == 0) return decode;
    for (const double d : {decode[2 * (size_t(c) % pairs)], decode[2 * (size_t(c) % pairs) + 1]}) {
      fractions.push_back((d - low) / span);
    }
  }
  return fractions;
}

bool DeviceSpace(const std::string& name, PDFColorSpace* cs) {
  if (name == "/DeviceRGB" || name == "/RGB") {
    cs->model = ColorModel::RGB;
    cs->components = cs->finalComponents = 3;
  } else if (name == "/DeviceCMYK" || name == "/CMYK") {
    cs->model = ColorModel::CMYK;
    cs->components = cs->finalComponents = 4;
  } else if (name == "/DeviceGray" || name == "/G") {
    cs->model = ColorModel::Gray;
    cs->components = cs->finalComponents = 1;
  } else {
    return false;
  }
  cs->kind = 0;
  return true;
}

bool CreateColorSpaceFromPDF(QPDFObjectHandle object, QPDFObjectHandle resources, PDFColorSpace* cs,
                             int depth);

// A name is a device space or a resource name; an array is read as a family.
bool ResolveSpace(QPDFObjectHandle object, QPDFObjectHandle resources, PDFColorSpace* cs,
                  int depth) {
  if (depth > kMaxColorSpaceDepth) return false;
  if (object.isName()) {
    if (DeviceSpace(object.getName(), cs)) return true;
    if (resources.isDictionary() && resources.hasKey(object.getName())) {
      return ResolveSpace(resources.getKey(object.getName()), resources, cs, depth + 1);
    }
    return false;
  }
  return CreateColorSpaceFromPDF(object, resources, cs, depth + 1);
}

bool CreateColorSpaceFromPDF(QPDFObjectHandle array, QPDFObjectHandle resources, PDFColorSpace* cs,
                             int depth) {
  if (!array.isArray() || array.getArrayNItems() < 1 || depth > kMaxColorSpaceDepth) return false;
  QPDFObjectHandle family = array.getArrayItem(0);
  if (!family.isName()) return false;
  const std::string name = family.getName();
  const int n = array.getArrayNItems();
  if (array.getArrayNItems() == 1) return DeviceSpace(name, cs);
  QPDFObjectHandle second = array.getArrayItem(1);
  if (name == "/ICCBased") {
    if (!second.isStream()) return false;
    QPDFObjectHandle dict = second.getDict();
    QByteArray data;
    std::string filter;
    if (!ReadStreamData(second, &data, &filter, nullptr) || !filter.empty()) return false;
    const int components = int(ReadNumber(dict.getKey("/N")));
    QPDFObjectHandle alternate = dict.getKey("/Alternate");
    if (!alternate.isName() || !DeviceSpace(alternate.getName(), cs)) {
      if (!DeviceSpace(components == 4   ? "/DeviceCMYK"
                       : components == 3 ? "/DeviceRGB"
                                         : "/DeviceGray",
                       cs)) {
        return false;
      }
    }
    cs->kind = 7;
    if (ColorSpace::FromIccProfile(data)) cs->icc = data;
    cs->iccRange = ReadNumberArray(dict.getKey("/Range"));
    return true;
  }
  if (name == "/Indexed" || name == "/I") {
    if (n < 4) return false;
    PDFColorSpace base;
    if (!ResolveSpace(second, resources, &base, depth) && !DeviceSpace("/DeviceGray", &base)) {
      return false;
    }
    if (base.kind == 8) return false;
    QPDFObjectHandle hival = array.getArrayItem(2);
    if (!hival.isNumber()) return false;
    cs->hival = std::clamp(int(ReadNumber(hival)), 0, 255);
    QPDFObjectHandle lookup = array.getArrayItem(3);
    QByteArray table;
    if (lookup.isStream()) {
      std::string filter;
      if (!ReadStreamData(lookup, &table, &filter, nullptr) || !filter.empty()) return false;
    } else if (lookup.isString()) {
      table = QByteArray::fromStdString(lookup.getStringValue());
    } else {
      return false;
    }
    const qsizetype entries = qsizetype(cs->hival) + 1;
    if (base.kind == 10 || base.kind == 11) {
      if (table.size() < entries * base.components) return false;
      table = base.kind == 10
                  ? ConvertSeparationSamples(base.tint, table.left(entries))
                  : ConvertDeviceNSamples(base.tint, table.left(entries * base.components));
    }
    if (table.size() < entries * base.finalComponents) return false;
    cs->palette = table.left(entries * base.finalComponents);
    cs->model = base.model;
    cs->finalComponents = base.finalComponents;
    cs->icc = base.icc;
    cs->components = 1;
    cs->kind = 8;
    return true;
  }
  if (name == "/CalRGB" || name == "/CalGray" || name == "/Lab") {
    DeviceSpace(name == "/CalGray" ? "/DeviceGray" : "/DeviceRGB", cs);
    if (name != "/Lab" && second.isDictionary()) cs->icc = CalibratedProfile(name, second);
    if (name == "/Lab") {
      cs->model = ColorModel::Lab;
      const std::vector<double> range =
          second.isDictionary() ? ReadNumberArray(second.getKey("/Range")) : std::vector<double>();
      if (range.size() == 4) std::copy(range.begin(), range.end(), cs->labRange);
    }
    cs->kind = name == "/CalGray" ? 4 : name == "/CalRGB" ? 5 : 6;
    return true;
  }
  if (name == "/Separation" || name == "/DeviceN") {
    if (n < 4) return false;
    PDFColorSpace alternate;
    if (!ResolveSpace(array.getArrayItem(2), resources, &alternate, depth)) return false;
    if (alternate.kind == 8 || alternate.kind == 10 || alternate.kind == 11) return false;
    *cs = alternate;
    cs->kind = name == "/Separation" ? 10 : 11;
    cs->tint = array;
    cs->components = 1;
    if (cs->kind == 11) cs->components = second.isArray() ? second.getArrayNItems() : 1;
    if (cs->components < 1 || cs->components > 32) return false;
    // A tint function must give exactly the alternate space's components.
    PDFFunction function;
    if (!function.parse(array.getArrayItem(3))) return false;
    return function.outputCount == alternate.finalComponents;
  }
  return false;
}

double LabToSRGBChannel(double linear) {
  const double v = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return std::clamp(v * 255.0, 0.0, 255.0);
}

// Lab bytes (each component's range scaled to 0..255) to sRGB under D65.
QImage LabBytesToImage(const uint8_t* lab, int width, int height, const double* range) {
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) return image;
  const auto f = [](double t) {
    return t > 6.0 / 29 ? t * t * t : 3 * 36.0 / 841 * (t - 4.0 / 29);
  };
  for (int y = 0; y < height; ++y) {
    uint8_t* o = image.scanLine(y);
    for (int x = 0; x < width; ++x, lab += 3, o += 3) {
      const double L = lab[0] * 100.0 / 255.0;
      const double a = range[0] + lab[1] * (range[1] - range[0]) / 255.0;
      const double b = range[2] + lab[2] * (range[3] - range[2]) / 255.0;
      const double fy = (L + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
      const double X = 0.95047 * f(fx), Y = f(fy), Z = 1.08883 * f(fz);
      o[0] = uint8_t(LabToSRGBChannel(3.2406 * X - 1.5372 * Y - 0.4986 * Z));
      o[1] = uint8_t(LabToSRGBChannel(-0.9689 * X + 1.8758 * Y + 0.0415 * Z));
      o[2] = uint8_t(LabToSRGBChannel(0.0557 * X - 0.2040 * Y + 1.0570 * Z));
    }
  }
  return image;
}

// Final bytes (width x height x components, no padding) to an image in memory.
QImage ImageFromBytes(const QByteArray& bytes, int width, int height, const PDFColorSpace& cs) {
  const ColorModel model = cs.model;
  const int components = cs.finalComponents;
  const QByteArray& icc = cs.icc;
  if (bytes.size() < qsizetype(width) * height * components) return QImage();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  if (components == 4 && model == ColorModel::CMYK) {
    std::shared_ptr<const ColorSpace> space =
        icc.isEmpty() ? nullptr : ColorSpace::FromIccProfile(icc);
    if (!space || space->model() != ColorModel::CMYK) space = ColorSpace::DeviceCMYK();
    return space->cmykToRgb(data, width, height, qsizetype(width) * 4);
  }
  if (components == 3 && model == ColorModel::Lab) {
    return LabBytesToImage(data, width, height, cs.labRange);
  }
  QImage::Format format;
  if (components == 1) {
    format = QImage::Format_Grayscale8;
  } else if (components == 3) {
    format = QImage::Format_RGB888;
  } else {
    return QImage();
  }
  QImage image(width, height, format);
  if (image.isNull()) return image;
  for (int y = 0; y < height; ++y) {
    std::copy_n(data + qsizetype(y) * width * components, size_t(width) * components,
                image.scanLine(y));
  }
  if (!icc.isEmpty() && components == 3) image.setColorSpace(QColorSpace::fromIccProfile(icc));
  return image;
}

// CMYK JPEG data with an Adobe marker holds its samples inverted, as other readers expect.
bool HasAdobeMarker(const QByteArray& jpeg) {
  const qsizetype end = std::min<qsizetype>(jpeg.size(), 65536) - 9;
  for (qsizetype i = 2; i < end; ++i) {
    if (uint8_t(jpeg[i]) == 0xFF && uint8_t(jpeg[i + 1]) == 0xEE &&
        jpeg.mid(i + 4, 5) == QByteArrayLiteral("Adobe")) {
      return true;
    }
  }
  return false;
}

int IntegerKey(QPDFObjectHandle dict, const char* key, const char* shortKey, int fallback) {
  QPDFObjectHandle v = dict.getKey(key);
  if (v.isNull()) v = dict.getKey(shortKey);
  return v.isNumber() ? int(std::clamp(ReadNumber(v), -1.0, 1e9)) : fallback;
}

// The fax filter's parameters, with the filter's defaults for absent keys.
CcittParameters FaxParameters(QPDFObjectHandle parameters, int height) {
  CcittParameters fax;
  fax.rows = height;
  if (!parameters.isDictionary()) return fax;
  auto integer = [&](const char* key, int fallback) {
    QPDFObjectHandle v = parameters.getKey(key);
    return v.isNumber() ? int(std::clamp(ReadNumber(v), -1e9, 1e9)) : fallback;
  };
  auto flag = [&](const char* key) {
    QPDFObjectHandle v = parameters.getKey(key);
    return v.isBool() && v.getBoolValue();
  };
  fax.k = integer("/K", 0);
  fax.columns = integer("/Columns", 1728);
  fax.rows = integer("/Rows", height);
  fax.encodedByteAlign = flag("/EncodedByteAlign");
  fax.blackIs1 = flag("/BlackIs1");
  return fax;
}

QPDFObjectHandle Key(QPDFObjectHandle dict, const char* key, const char* shortKey) {
  QPDFObjectHandle v = dict.getKey(key);
  return v.isNull() ? dict.getKey(shortKey) : v;
}

// Applies a soft mask (alpha = grey) or a stencil mask (alpha = 255 - grey) to image.
QImage ApplyMask(const QImage& image, const QImage& mask, bool stencil) {
  if (mask.isNull()) return image;
  QImage grey = mask.convertToFormat(QImage::Format_Grayscale8);
  if (grey.size() != image.size()) {
    grey = grey.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  if (out.isNull() || grey.isNull()) return image;
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    const uint8_t* m = grey.constScanLine(y);
    for (int x = 0; x < out.width(); ++x) {
      const int alpha = stencil ? 255 - m[x] : m[x];
      line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
    }
  }
  return out;
}

// Colour-key masking: pixels whose every raw sample lies in its [min, max] pair vanish.
QImage ApplyColorKey(const QImage& image, const std::vector<uint16_t>& raw, int components,
                     const std::vector<double>& ranges) {
  if (raw.size() != size_t(image.width()) * image.height() * components ||
      ranges.size() < size_t(2 * components)) {
    return image;
  }
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  if (out.isNull()) return image;
  size_t i = 0;
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x, i += components) {
      bool keyed = true;
      for (int c = 0; c < components && keyed; ++c) {
        keyed = raw[i + c] >= ranges[2 * c] && raw[i + c] <= ranges[2 * c + 1];
      }
      if (keyed) line[x] = qRgba(0, 0, 0, 0);
    }
  }
  return out;
}

// Whether a filter of the stream has a PNG or TIFF predictor.
bool HasPredictor(QPDFObjectHandle dict) {
  QPDFObjectHandle parameters = Key(dict, "/DecodeParms", "/DP");
  std::vector<QPDFObjectHandle> list;
  if (parameters.isArray()) {
    list = parameters.getArrayAsVector();
  } else {
    list.push_back(parameters);
  }
  return std::any_of(list.begin(), list.end(), [](QPDFObjectHandle p) {
    return p.isDictionary() && ReadNumber(p.getKey("/Predictor"), 1) > 1;
  });
}

using Result = ImageResult<QImage>;

Result CreateImage(QPDFObjectHandle dict, QPDFObjectHandle stream, QPDFObjectHandle colorSpaces,
                   bool keepAlpha, int depth, PDFImageColour* colour);

Result CreateImageOrNull(QPDFObjectHandle dict, QPDFObjectHandle stream,
                         QPDFObjectHandle colorSpaces, bool keepAlpha, int depth,
                         PDFImageColour* colour = nullptr) {
  try {
    return CreateImage(dict, stream, colorSpaces, keepAlpha, depth, colour);
  } catch (...) {
    return {};
  }
}

Result Undecodable(const char* what) {
  return Result::Fail(QStringLiteral("%1 data cannot be decoded").arg(QLatin1String(what)));
}

Result CreateImage(QPDFObjectHandle dict, QPDFObjectHandle stream, QPDFObjectHandle colorSpaces,
                   bool keepAlpha, int depth, PDFImageColour* colour) {
  if (depth > 1 || !dict.isDictionary()) return {};
  const int64_t width = IntegerKey(dict, "/Width", "/W", 0);
  const int64_t height = IntegerKey(dict, "/Height", "/H", 0);
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      width * height > kMaxPixels) {
    return {};
  }
  int bits = IntegerKey(dict, "/BitsPerComponent", "/BPC", 8);
  const bool stencil =
      Key(dict, "/ImageMask", "/IM").isBool() && Key(dict, "/ImageMask", "/IM").getBoolValue();
  if (stencil) bits = 1;
  QByteArray data;
  std::string filter;
  QPDFObjectHandle parameters;
  if (!ReadStreamData(stream, &data, &filter, &parameters)) return Undecodable("stream");

  PDFColorSpace cs;
  bool haveSpace = false;
  QPDFObjectHandle space = Key(dict, "/ColorSpace", "/CS");
  if (!stencil && !space.isNull()) haveSpace = ResolveSpace(space, colorSpaces, &cs, 0);
  if (!haveSpace) {
    if (!stencil && !space.isNull() && bits != 1 && filter != "JPXDecode") return {};
    if (filter != "JPXDecode" || stencil) DeviceSpace("/DeviceGray", &cs);
  }

  int components = cs.components;
  if (filter == "DCTDecode") {
    uint8_t* pixels = nullptr;
    size_t size = 0;
    uint32_t w = 0, h = 0;
    int code = 0;
    double dx = 0, dy = 0;
    if (DecodeJPEGFromMemory(reinterpret_cast<const uint8_t*>(data.constData()),
                             size_t(data.size()), &code, nullptr, &pixels, &size, &w, &h, &dx,
                             &dy) != 0) {
      return Undecodable("JPEG");
    }
    const bool inverted = code == kJPEGColourCodeCMYK && HasAdobeMarker(data);
    data = QByteArray(reinterpret_cast<const char*>(pixels), qsizetype(size));
    std::free(pixels);
    if (inverted) {
      for (char& byte : data) byte = char(~byte);
    }
    const int decoded = code == kJPEGColourCodeCMYK ? 4 : code == kJPEGColourCodeRGB ? 3 : 1;
    if (int64_t(w) != width || int64_t(h) != height) return {};
    if (!haveSpace || cs.components != decoded) {
      DeviceSpace(decoded == 4 ? "/DeviceCMYK" : decoded == 3 ? "/DeviceRGB" : "/DeviceGray", &cs);
    }
    components = decoded;
    bits = 8;
  } else if (filter == "JPXDecode") {
    QByteArray pixels, icc;
    int code = 0, total = 0;
    if (DecodeJPEG2000Data(data, &pixels, nullptr, nullptr, &code, &total, &icc) != 0) {
      return Undecodable("JPEG 2000");
    }
    const int colour = code == 3 ? 4 : code == 2 ? 3 : 1;
    if (total <= 0 || pixels.size() < width * height * total) return {};
    // Alpha or extra channels of the codestream are dropped.
    QByteArray packed(qsizetype(width * height * colour), '\0');
    for (int64_t p = 0; p < width * height; ++p) {
      std::copy_n(pixels.constData() + p * total, colour, packed.data() + p * colour);
    }
    data = packed;
    if (!haveSpace || cs.components != colour) {
      DeviceSpace(colour == 4 ? "/DeviceCMYK" : colour == 3 ? "/DeviceRGB" : "/DeviceGray", &cs);
      if (!haveSpace && !icc.isEmpty()) cs.icc = icc;
    }
    components = colour;
    bits = 8;
  } else if (filter == "CCITTFaxDecode") {
    if (!DecodeCCITTFax(data, FaxParameters(parameters, int(height)), int(width), int(height),
                        &data)) {
      return Undecodable("fax");
    }
    bits = 1;
    components = 1;
    if (cs.components != 1) DeviceSpace("/DeviceGray", &cs);
  } else if (filter == "JBIG2Decode") {
    QByteArray globals;
    QPDFObjectHandle globalStream = parameters.isDictionary() ? parameters.getKey("/JBIG2Globals")
                                                              : QPDFObjectHandle::newNull();
    std::string globalFilter;
    if (globalStream.isStream() &&
        (!ReadStreamData(globalStream, &globals, &globalFilter, nullptr) ||
         !globalFilter.empty())) {
      return Undecodable("JBIG2");
    }
    if (!DecodeJBIG2(data, globals, int(width), int(height), &data)) return Undecodable("JBIG2");
    bits = 1;
    components = 1;
    if (cs.components != 1) DeviceSpace("/DeviceGray", &cs);
  } else if (!filter.empty()) {
    return {};
  }

  const std::vector<uint16_t> raw = UnpackImageSamples(data, width * components, height, bits);
  // Predicted rows that came out too short (a missing or wrong /Columns) are data we could not
  // decode; other short data is a cut-off file, skipped.
  if (raw.empty()) return HasPredictor(dict) ? Undecodable("predicted") : Result();
  const std::vector<double> decode = ReadNumberArray(Key(dict, "/Decode", "/D"));
  QByteArray bytes;
  if (cs.kind == 8) {
    bytes = ExpandIndexedImage(raw, bits, decode, cs.palette, cs.hival, cs.finalComponents);
  } else {
    bytes = ApplyDecodeArray(raw, components, bits, DecodeAsFractions(decode, cs, components));
    if (cs.kind == 10) bytes = ConvertSeparationSamples(cs.tint, bytes);
    if (cs.kind == 11) bytes = ConvertDeviceNSamples(cs.tint, bytes);
  }
  if (bytes.isEmpty()) return {};
  QImage image = ImageFromBytes(bytes, int(width), int(height), cs);
  if (colour && !image.isNull()) {
    if (cs.model == ColorModel::CMYK && cs.finalComponents == 4) colour->cmyk = bytes;
    if (!cs.icc.isEmpty() && !image.colorSpace().isValid()) colour->profile = cs.icc;
  }
  if (image.isNull() || !keepAlpha) return {image, {}};

  // A soft mask overrides any other mask the image names.
  QPDFObjectHandle mask = dict.getKey("/SMask");
  const bool stencilMask = !mask.isStream();
  if (stencilMask) mask = dict.getKey("/Mask");
  if (mask.isArray()) return {ApplyColorKey(image, raw, components, ReadNumberArray(mask)), {}};
  if (!mask.isStream()) return {image, {}};
  // A mask that cannot be built leaves the image unmasked.
  const QImage maskImage =
      CreateImageOrNull(mask.getDict(), mask, colorSpaces, false, depth + 1).value;
  return {ApplyMask(image, maskImage, stencilMask), {}};
}

}  // namespace

ImageResult<QImage> CreateImageFromXObject(QPDFObjectHandle dict, QPDFObjectHandle stream,
                                           QPDFObjectHandle colorSpaces, bool keepAlpha,
                                           PDFImageColour* colour) {
  return CreateImageOrNull(dict, stream, colorSpaces, keepAlpha, 0, colour);
}

}  // namespace glimbrik
