// Feeds calculator programs to the parser and the interpreter; the first input byte chooses the
// function's input value.
#include <cstddef>
#include <cstdint>

#include "pdfjobs/functions/pdf_function.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 65536) return 0;
  glimbrik::PDFFunction function;
  function.functionKind = 3;
  function.domain = {0, 1, 0, 1};
  function.range = {-1e6, 1e6, -1e6, 1e6, 0, 1};
  function.streamData = QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  function.compilePostScript();
  if (!function.validate()) return 0;
  const double inputs[2] = {data[0] / 255.0, 1.0 - data[0] / 255.0};
  function.evaluate(inputs, 2);
  glimbrik::ConvertSamplesThroughFunction(function, 2, function.streamData.left(64));
  return 0;
}
