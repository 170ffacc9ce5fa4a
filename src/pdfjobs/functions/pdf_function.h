#pragma once

// PDF function objects (sampled, exponential, stitching and PostScript calculator), read from
// qpdf object handles and evaluated once per pixel or lookup-table entry. The tint transforms of
// Separation and DeviceN colour spaces run through them.

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <vector>

#include "pdfjobs/functions/postscript_calculator.h"

class QPDFObjectHandle;

namespace glimbrik {

class PDFFunction {
 public:
  PDFFunction() = default;
  PDFFunction(const PDFFunction&) = delete;
  PDFFunction& operator=(const PDFFunction&) = delete;

  // Reads the function's dictionary (or stream, data included). False for an object that is no
  // usable function: unknown type, a sampled or calculator function without a Range, sampled
  // data shorter than its table, or sub-functions nested deeper than a few levels.
  bool parse(QPDFObjectHandle object);
  bool loadStream(QPDFObjectHandle stream);
  // Parses streamData as a calculator program; an erroneous program is left empty.
  void compilePostScript();

  // Evaluates by kind and returns outputs (outputCount values).
  const std::vector<double>& evaluate(const double* inputs, int count);
  void evaluateSampled(const double* inputs, int count);
  void evaluateExponential(double input);
  void evaluateStitching(double input);
  void evaluatePostScript(const double* inputs, int count);
  static void runPostScript(const std::vector<PostScriptNode>& nodes, PostScriptStack& stack);

  // Checks the fields after they were set (by parse or by hand): what parse refuses, this
  // refuses. Sets outputCount where the kind gives it without a Range.
  bool validate();

  QByteArray streamData;
  uint32_t functionKind = UINT32_MAX;  // 0 sampled, 1 exponential, 2 stitching, 3 calculator
  uint32_t bitsPerSample = 0;
  std::vector<double> domain;
  std::vector<double> range;
  std::vector<double> size;
  std::vector<double> encode;
  std::vector<double> decode;
  std::vector<double> c0;
  std::vector<double> c1;
  double exponent = 1.0;
  std::vector<double> bounds;
  std::vector<std::unique_ptr<PDFFunction>> subFunctions;
  uint16_t outputCount = 0;
  std::vector<double> outputs;
  PostScriptProgram program;

 private:
  bool parseAtDepth(QPDFObjectHandle object, int depth);
  bool readStreamData(QPDFObjectHandle stream);
  void clipToRange();
};

// Pushes every pixel of samples (inputsPerPixel bytes each, read as fractions of 255) through
// the function; the result holds outputCount bytes per pixel, each trunc(y x 255) held to 0..255.
QByteArray ConvertSamplesThroughFunction(PDFFunction& function, int inputsPerPixel,
                                         const QByteArray& samples);

// The same for the function at element 3 of a Separation or DeviceN colour-space array; empty
// when the function cannot be read.
QByteArray ConvertSeparationSamples(QPDFObjectHandle colorSpace, const QByteArray& samples);
QByteArray ConvertDeviceNSamples(QPDFObjectHandle colorSpace, const QByteArray& samples);

}  // namespace glimbrik
