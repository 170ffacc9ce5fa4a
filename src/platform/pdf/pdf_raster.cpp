#include "platform/pdf/pdf_raster.h"

#include <ghostscript/gserrors.h>
#include <ghostscript/iapi.h>
#include <tiffio.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace glimbrik {

namespace {

// Older interpreters allow one instance per process; one at a time is safe for every version.
std::mutex& InterpreterMutex() {
  static std::mutex mutex;
  return mutex;
}

int Discard(void*, const char*, int length) { return length; }
int NoInput(void*, char*, int) { return 0; }

class Interpreter {
 public:
  Interpreter() {
    if (gsapi_new_instance(&instance_, nullptr) < 0) instance_ = nullptr;
    if (!instance_) return;
    gsapi_set_stdio(instance_, NoInput, Discard, Discard);
    gsapi_set_arg_encoding(instance_, GS_ARG_ENCODING_UTF8);
  }
  ~Interpreter() {
    if (!instance_) return;
    if (started_) gsapi_exit(instance_);
    gsapi_delete_instance(instance_);
  }
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  bool run(std::vector<std::string> arguments) {
    if (!instance_) return false;
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    const int code = gsapi_init_with_args(instance_, int(argv.size()), argv.data());
    started_ = code != gs_error_Info;
    if (started_ && gsapi_exit(instance_) < 0) {
      started_ = false;
      return false;
    }
    started_ = false;
    return code == 0 || code == gs_error_Quit;
  }

 private:
  void* instance_ = nullptr;
  bool started_ = false;
};

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};

PdfRaster ReadRasterTiff(const QString& path, int components) {
  PdfRaster raster;
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(QFile::encodeName(path).constData(), "r"));
  if (!tiff) return raster;
  uint32_t width = 0, height = 0;
  uint16_t samples = 0, bits = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  if (width == 0 || height == 0 || samples != components || bits != 8) return raster;
  const qsizetype row = qsizetype(width) * components;
  if (TIFFScanlineSize(tiff.get()) != row) return raster;
  QByteArray samplesOut(row * qsizetype(height), Qt::Uninitialized);
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff.get(), samplesOut.data() + row * y, y, 0) < 0) return raster;
  }
  raster.samples = std::move(samplesOut);
  raster.size = QSize(int(width), int(height));
  raster.components = components;
  return raster;
}

}  // namespace

PdfRaster RenderPdfPageRaster(const QString& path, const QByteArray& password, int pageNumber,
                              double dpi, PdfRasterColour colour, const QByteArray& cmykProfile) {
  if (pageNumber < 1 || !(dpi > 0)) return {};
  const QTemporaryDir folder;
  if (!folder.isValid()) return {};
  const QString output = folder.filePath(QStringLiteral("page.tif"));
  const bool cmyk = colour == PdfRasterColour::CMYK;
  std::vector<std::string> arguments = {
      "glimbrik",
      "-q",
      "-dSAFER",
      "-dBATCH",
      "-dNOPAUSE",
      "-dNOPROMPT",
      "-dUseCropBox",
      "-dTextAlphaBits=4",
      "-dGraphicsAlphaBits=4",
      cmyk ? "-sDEVICE=tiff32nc" : "-sDEVICE=tiff24nc",
      "-r" + std::to_string(dpi),
      "-dFirstPage=" + std::to_string(pageNumber),
      "-dLastPage=" + std::to_string(pageNumber),
      "-sOutputFile=" + output.toStdString(),
  };
  if (!password.isEmpty()) arguments.push_back("-sPDFPassword=" + password.toStdString());
  if (cmyk && !cmykProfile.isEmpty()) {
    const QString profile = folder.filePath(QStringLiteral("device.icc"));
    QFile file(profile);
    if (!file.open(QIODevice::WriteOnly) || file.write(cmykProfile) != cmykProfile.size()) {
      return {};
    }
    file.close();
    // The same profile for DeviceCMYK sources makes their inks pass through unchanged.
    arguments.push_back("-sOutputICCProfile=" + profile.toStdString());
    arguments.push_back("-sDefaultCMYKProfile=" + profile.toStdString());
  }
  arguments.insert(arguments.end(), {"-f", path.toStdString()});
  {
    std::lock_guard<std::mutex> lock(InterpreterMutex());
    Interpreter interpreter;
    if (!interpreter.run(std::move(arguments))) return {};
  }
  return ReadRasterTiff(output, cmyk ? 4 : 3);
}

PdfRaster FitPdfRaster(const PdfRaster& raster, QSize pixels) {
  if (raster.isNull() || pixels.isEmpty()) return {};
  if (raster.size == pixels) return raster;
  const int n = raster.components;
  PdfRaster fitted;
  fitted.size = pixels;
  fitted.components = n;
  // Paper: white for RGB, no ink for CMYK.
  fitted.samples =
      QByteArray(qsizetype(pixels.width()) * pixels.height() * n, n == 4 ? '\0' : '\xff');
  const int w = std::min(raster.size.width(), pixels.width());
  for (int y = 0; y < std::min(raster.size.height(), pixels.height()); ++y) {
    std::memcpy(fitted.samples.data() + qsizetype(y) * pixels.width() * n,
                raster.samples.constData() + qsizetype(y) * raster.size.width() * n, size_t(w) * n);
  }
  return fitted;
}

}  // namespace glimbrik
