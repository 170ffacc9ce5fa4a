// A function dictionary in PDF syntax and, after the word "stream", the data of its stream,
// through the PDF function parser (sampled, exponential, stitching and calculator functions) and
// evaluated at a few points in and around its domain. The dictionary may refer to the stream as
// 3 0 R, so functions can contain themselves.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <cstddef>
#include <cstdint>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <string>
#include <vector>

#include "pdfjobs/functions/pdf_function.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find("stream");
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.emptyPDF();  // objects 1 and 2; the stream becomes 3
  QPDFObjectHandle object;
  try {
    // As in a file, one end of line after the keyword belongs to it.
    size_t start = split == std::string::npos ? size : split + 6;
    if (bytes.compare(start, 2, "\r\n") == 0) {
      start += 2;
    } else if (bytes.compare(start, 1, "\n") == 0) {
      start += 1;
    }
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf, bytes.substr(start));
    QPDFObjectHandle dict = QPDFObjectHandle::parse(&pdf, bytes.substr(0, split));
    if (!dict.isDictionary()) return 0;
    stream.replaceDict(dict);
    object = split == std::string::npos ? dict : stream;
  } catch (...) {
    return 0;
  }
  glimbrik::PDFFunction function;
  if (!function.parse(object)) return 0;
  const size_t inputs = std::max<size_t>(1, std::min<size_t>(function.domain.size() / 2, 32));
  for (const double t : {-0.5, 0.0, 0.3, 0.5, 1.0, 1.5}) {
    std::vector<double> x(inputs);
    for (size_t i = 0; i < inputs; ++i) {
      const double lo = 2 * i < function.domain.size() ? function.domain[2 * i] : 0.0;
      const double hi = 2 * i + 1 < function.domain.size() ? function.domain[2 * i + 1] : 1.0;
      x[i] = lo + t * (hi - lo);
    }
    function.evaluate(x.data(), int(inputs));
  }
  glimbrik::ConvertSamplesThroughFunction(function, int(inputs),
                                          QByteArray::fromStdString(bytes.substr(0, 64)));
  return 0;
}
