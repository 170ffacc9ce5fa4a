#include "pdfjobs/pdf_object_reading.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDFObjectHandle.hh>
#include <string>

namespace glimbrik {

std::vector<double> ReadNumberArray(QPDFObjectHandle array) {
  std::vector<double> numbers;
  try {
    if (!array.isArray()) return numbers;
    const int n = array.getArrayNItems();
    numbers.reserve(size_t(n));
    for (int i = 0; i < n; ++i) numbers.push_back(ReadNumber(array.getArrayItem(i)));
  } catch (...) {
    numbers.clear();
  }
  return numbers;
}

double ReadNumber(QPDFObjectHandle object, double fallback) {
  try {
    double value = fallback;
    if (object.getValueAsNumber(value)) return value;
  } catch (...) {
  }
  return fallback;
}

bool ReadStreamData(QPDFObjectHandle stream, QByteArray* data, std::string* filter,
                    QPDFObjectHandle* parameters) {
  try {
    if (!stream.isStream()) return false;
    QPDFObjectHandle dict = stream.getDict();
    QPDFObjectHandle filters = dict.getKey("/Filter");
    QPDFObjectHandle params = dict.getKey("/DecodeParms");
    if (params.isNull()) params = dict.getKey("/DP");
    std::vector<QPDFObjectHandle> names;
    std::vector<QPDFObjectHandle> paramList;
    if (filters.isArray()) {
      names = filters.getArrayAsVector();
      if (params.isArray()) paramList = params.getArrayAsVector();
    } else if (filters.isName()) {
      names.push_back(filters);
      paramList.push_back(params);
    }
    // Image filters are the last of the chain; what precedes them qpdf removes.
    std::string special;
    QPDFObjectHandle specialParams = QPDFObjectHandle::newNull();
    if (!names.empty() && names.back().isName()) {
      const std::string last = names.back().getName();
      if (last == "/DCTDecode" || last == "/DCT" || last == "/JPXDecode" ||
          last == "/CCITTFaxDecode" || last == "/CCF" || last == "/JBIG2Decode") {
        special = last == "/DCT" ? "DCTDecode" : last == "/CCF" ? "CCITTFaxDecode" : last.substr(1);
        if (paramList.size() == names.size()) specialParams = paramList.back();
      }
    }
    std::shared_ptr<Buffer> buffer;
    if (special.empty()) {
      buffer = stream.getStreamData(qpdf_dl_specialized);
    } else if (names.size() == 1) {
      buffer = stream.getRawStreamData();
    } else {
      // Decode the general filters in front by rebuilding the stream without the last filter.
      QPDFObjectHandle copy =
          QPDFObjectHandle::newStream(stream.getOwningQPDF(), stream.getRawStreamData());
      names.pop_back();
      copy.replaceDict(dict.shallowCopy());
      copy.getDict().replaceKey("/Filter", QPDFObjectHandle::newArray(names));
      if (!paramList.empty()) {
        // A parameter list shorter than the filters has nothing for the last ones.
        paramList.resize(names.size(), QPDFObjectHandle::newNull());
        copy.getDict().replaceKey("/DecodeParms", QPDFObjectHandle::newArray(paramList));
      } else {
        copy.getDict().removeKey("/DecodeParms");
      }
      copy.getDict().removeKey("/DP");
      buffer = copy.getStreamData(qpdf_dl_specialized);
    }
    if (!buffer) return false;
    *data = QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()),
                       qsizetype(buffer->getSize()));
    if (filter) *filter = special;
    if (parameters) *parameters = specialParams;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace glimbrik
