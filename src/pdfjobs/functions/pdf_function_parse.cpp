#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDFObjectHandle.hh>

#include "pdfjobs/functions/pdf_function.h"
#include "pdfjobs/pdf_object_reading.h"

namespace glimbrik {

namespace {

// Function graphs can refer back to themselves; deeper nesting than this is refused.
constexpr int kMaxFunctionDepth = 8;

}  // namespace

bool PDFFunction::parse(QPDFObjectHandle object) { return parseAtDepth(object, 0); }

bool PDFFunction::loadStream(QPDFObjectHandle stream) { return parseAtDepth(stream, 0); }

bool PDFFunction::readStreamData(QPDFObjectHandle stream) {
  std::string filter;
  QByteArray data;
  if (!ReadStreamData(stream, &data, &filter, nullptr) || !filter.empty()) return false;
  streamData = data;
  return true;
}

bool PDFFunction::parseAtDepth(QPDFObjectHandle object, int depth) {
  if (depth > kMaxFunctionDepth) return false;
  try {
    QPDFObjectHandle dict = object;
    if (object.isStream()) {
      if (!readStreamData(object)) return false;
      dict = object.getDict();
    }
    if (!dict.isDictionary()) return false;
    QPDFObjectHandle type = dict.getKey("/FunctionType");
    if (!type.isInteger()) return false;
    switch (type.getIntValue()) {
      case 0:
        functionKind = 0;
        break;
      case 2:
        functionKind = 1;
        break;
      case 3:
        functionKind = 2;
        break;
      case 4:
        functionKind = 3;
        break;
      default:
        return false;
    }
    domain = ReadNumberArray(dict.getKey("/Domain"));
    range = ReadNumberArray(dict.getKey("/Range"));
    if (range.size() >= 2) outputCount = uint16_t(std::min<size_t>(range.size() / 2, 4096));
    const double bits = ReadNumber(dict.getKey("/BitsPerSample"));
    bitsPerSample = bits >= 1 && bits <= 32 ? uint32_t(bits) : 0;
    encode = ReadNumberArray(dict.getKey("/Encode"));
    decode = ReadNumberArray(dict.getKey("/Decode"));
    size = ReadNumberArray(dict.getKey("/Size"));
    c0 = ReadNumberArray(dict.getKey("/C0"));
    c1 = ReadNumberArray(dict.getKey("/C1"));
    if (outputCount == 0 && !c1.empty()) outputCount = uint16_t(std::min<size_t>(c1.size(), 4096));
    bounds = ReadNumberArray(dict.getKey("/Bounds"));
    QPDFObjectHandle functions = dict.getKey("/Functions");
    if (functionKind == 2 && functions.isArray()) {
      for (QPDFObjectHandle item : functions.getArrayAsVector()) {
        auto sub = std::make_unique<PDFFunction>();
        if (!sub->parseAtDepth(item, depth + 1)) return false;
        subFunctions.push_back(std::move(sub));
      }
    }
    exponent = ReadNumber(dict.getKey("/N"), 1.0);
    if (functionKind == 3) compilePostScript();
    return validate();
  } catch (...) {
    return false;
  }
}

namespace {

QByteArray ConvertThroughTint(QPDFObjectHandle colorSpace, const QByteArray& samples,
                              int inputsPerPixel) {
  try {
    if (!colorSpace.isArray() || colorSpace.getArrayNItems() < 4) return QByteArray();
    PDFFunction function;
    if (!function.parse(colorSpace.getArrayItem(3))) return QByteArray();
    return ConvertSamplesThroughFunction(function, inputsPerPixel, samples);
  } catch (...) {
    return QByteArray();
  }
}

}  // namespace

QByteArray ConvertSeparationSamples(QPDFObjectHandle colorSpace, const QByteArray& samples) {
  return ConvertThroughTint(colorSpace, samples, 1);
}

QByteArray ConvertDeviceNSamples(QPDFObjectHandle colorSpace, const QByteArray& samples) {
  int inputs = 1;
  try {
    QPDFObjectHandle names = colorSpace.isArray() && colorSpace.getArrayNItems() > 1
                                 ? colorSpace.getArrayItem(1)
                                 : QPDFObjectHandle::newNull();
    if (names.isArray() && names.getArrayNItems() > 0) inputs = names.getArrayNItems();
  } catch (...) {
    return QByteArray();
  }
  return ConvertThroughTint(colorSpace, samples, inputs);
}

}  // namespace glimbrik
