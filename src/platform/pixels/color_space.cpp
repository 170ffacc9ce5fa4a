#include "platform/pixels/color_space.h"

#include <lcms2.h>

#include <QColorSpace>
#include <QFile>
#include <algorithm>
#include <array>
#include <mutex>

#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

namespace {

void QuietLcmsErrors(cmsContext, cmsUInt32Number, const char*) {}

struct ContextDeleter {
  void operator()(cmsContext c) const { cmsDeleteContext(c); }
};
struct ProfileDeleter {
  void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDeleter {
  void operator()(void* t) const { cmsDeleteTransform(t); }
};
using ContextPtr = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextDeleter>;
using ProfilePtr = std::unique_ptr<void, ProfileDeleter>;
using TransformPtr = std::unique_ptr<void, TransformDeleter>;

// One context per call, so that errors of concurrent jobs never mix.
ContextPtr NewContext() {
  cmsContext context = cmsCreateContext(nullptr, nullptr);
  if (context) cmsSetLogErrorHandlerTHR(context, QuietLcmsErrors);
  return ContextPtr(context);
}

ProfilePtr OpenProfile(cmsContext context, const QByteArray& icc) {
  if (icc.isEmpty()) return ProfilePtr(cmsCreate_sRGBProfileTHR(context));
  return ProfilePtr(
      cmsOpenProfileFromMemTHR(context, icc.constData(), cmsUInt32Number(icc.size())));
}

// The profile of an image's own colour space, sRGB when it has none.
QByteArray ImageProfile(const QImage& image) {
  const QColorSpace space = image.colorSpace();
  return space.isValid() ? space.iccProfile() : QByteArray();
}

TransformPtr MakeTransform(cmsContext context, const QByteArray& from, cmsUInt32Number inFormat,
                           const QByteArray& to, cmsUInt32Number outFormat, cmsUInt32Number flags) {
  ProfilePtr source = OpenProfile(context, from);
  ProfilePtr target = OpenProfile(context, to);
  if (!source || !target) return TransformPtr();
  return TransformPtr(cmsCreateTransformTHR(context, source.get(), inFormat, target.get(),
                                            outFormat, INTENT_PERCEPTUAL, flags));
}

// A profile made here, as bytes. lcms stamps a new profile with the time it was made; a fixed
// date instead lets the same input and settings give the same output bytes from run to run.
QByteArray SavedProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  if (!profile || !cmsSaveProfileToMem(profile, nullptr, &size) || size < 128) return QByteArray();
  QByteArray icc(qsizetype(size), '\0');
  if (!cmsSaveProfileToMem(profile, icc.data(), &size)) return QByteArray();
  // Header bytes 24-35: year, month, day, hours, minutes, seconds, 16 bits each, big-endian.
  constexpr std::array<uint16_t, 6> kFixedDate = {2000, 1, 1, 0, 0, 0};
  for (size_t i = 0; i < kFixedDate.size(); ++i) {
    icc[qsizetype(24 + 2 * i)] = char(kFixedDate[i] >> 8);
    icc[qsizetype(25 + 2 * i)] = char(kFixedDate[i] & 0xFF);
  }
  // An MD5 identifier would no longer match the header; zero means none was computed.
  std::fill(icc.begin() + 84, icc.begin() + 100, '\0');
  return icc;
}

ColorModel ModelOfProfile(cmsHPROFILE profile) {
  switch (cmsGetColorSpace(profile)) {
    case cmsSigRgbData:
      return ColorModel::RGB;
    case cmsSigGrayData:
      return ColorModel::Gray;
    case cmsSigCmykData:
      return ColorModel::CMYK;
    case cmsSigLabData:
      return ColorModel::Lab;
    default:
      return ColorModel::Indexed;  // an input-only space we do not convert into
  }
}

QImage NaiveCmykToRgb(const uchar* cmyk, int width, int height, qsizetype bytesPerLine) {
  QImage rgb(width, height, QImage::Format_RGB888);
  if (rgb.isNull()) return rgb;
  for (int y = 0; y < height; ++y) {
    const uchar* in = cmyk + y * bytesPerLine;
    uchar* o = rgb.scanLine(y);
    for (int x = 0; x < width; ++x, in += 4, o += 3) {
      const int k = 255 - in[3];
      o[0] = uchar((255 - in[0]) * k / 255);
      o[1] = uchar((255 - in[1]) * k / 255);
      o[2] = uchar((255 - in[2]) * k / 255);
    }
  }
  return rgb;
}

}  // namespace

ColorSpace::ColorSpace(ColorModel model, QByteArray icc, QString description)
    : model_(model), icc_(std::move(icc)), description_(std::move(description)) {}

std::shared_ptr<const ColorSpace> ColorSpace::FromIccProfile(const QByteArray& icc) {
  if (icc.size() < 132) return nullptr;
  ContextPtr context = NewContext();
  ProfilePtr profile(
      cmsOpenProfileFromMemTHR(context.get(), icc.constData(), cmsUInt32Number(icc.size())));
  if (!profile) return nullptr;
  const ColorModel model = ModelOfProfile(profile.get());
  if (model == ColorModel::Indexed) return nullptr;
  return std::make_shared<ColorSpace>(model, icc, IccProfileDescription(icc));
}

std::shared_ptr<const ColorSpace> ColorSpace::FromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024 * 1024) return nullptr;
  return FromIccProfile(file.readAll());
}

std::shared_ptr<const ColorSpace> ColorSpace::SRGB() {
  static const auto space = [] {
    ContextPtr context = NewContext();
    ProfilePtr profile(cmsCreate_sRGBProfileTHR(context.get()));
    return std::make_shared<const ColorSpace>(ColorModel::RGB, SavedProfile(profile.get()),
                                              QStringLiteral("sRGB"));
  }();
  return space;
}

std::shared_ptr<const ColorSpace> ColorSpace::DeviceGray() {
  static const auto space = [] {
    ContextPtr context = NewContext();
    // Grey with the sRGB tone curve, so that grey and RGB device spaces agree on mid-tones.
    cmsToneCurve* curve = cmsBuildParametricToneCurve(
        context.get(), 4,
        std::array<double, 5>{2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}.data());
    QByteArray icc;
    if (curve) {
      ProfilePtr profile(cmsCreateGrayProfileTHR(context.get(), cmsD50_xyY(), curve));
      cmsFreeToneCurve(curve);
      icc = SavedProfile(profile.get());
    }
    return std::make_shared<const ColorSpace>(ColorModel::Gray, icc, QStringLiteral("Gray"));
  }();
  return space;
}

std::shared_ptr<const ColorSpace> ColorSpace::DeviceCMYK() {
  static const auto space =
      std::make_shared<const ColorSpace>(ColorModel::CMYK, QByteArray(), QStringLiteral("CMYK"));
  return space;
}

int ColorSpace::componentCount() const {
  switch (model_) {
    case ColorModel::Gray:
      return 1;
    case ColorModel::CMYK:
      return 4;
    default:
      return 3;
  }
}

QByteArray ColorSpace::rgbToCmyk(const QImage& image) const {
  if (model_ != ColorModel::CMYK || image.isNull()) return QByteArray();
  const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);
  const int w = rgb.width(), h = rgb.height();
  QByteArray out(qsizetype(w) * h * 4, '\0');
  if (icc_.isEmpty()) {
    for (int y = 0; y < h; ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
      uchar* o = reinterpret_cast<uchar*>(out.data()) + qsizetype(y) * w * 4;
      for (int x = 0; x < w; ++x, o += 4) {
        const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
        const int k = 255 - std::max({r, g, b});
        const int d = 255 - k;
        o[0] = uchar(d ? (d - r) * 255 / d : 0);
        o[1] = uchar(d ? (d - g) * 255 / d : 0);
        o[2] = uchar(d ? (d - b) * 255 / d : 0);
        o[3] = uchar(k);
      }
    }
    return out;
  }
  ContextPtr context = NewContext();
  TransformPtr transform =
      MakeTransform(context.get(), ImageProfile(image), TYPE_BGRA_8, icc_, TYPE_CMYK_8, 0);
  if (!transform) return QByteArray();
  for (int y = 0; y < h; ++y) {
    cmsDoTransform(transform.get(), rgb.constScanLine(y), out.data() + qsizetype(y) * w * 4,
                   cmsUInt32Number(w));
  }
  return out;
}

QImage ColorSpace::cmykToRgb(const uchar* cmyk, int width, int height,
                             qsizetype bytesPerLine) const {
  if (icc_.isEmpty() || model_ != ColorModel::CMYK) {
    return NaiveCmykToRgb(cmyk, width, height, bytesPerLine);
  }
  QImage rgb(width, height, QImage::Format_RGB888);
  if (rgb.isNull()) return rgb;
  ContextPtr context = NewContext();
  TransformPtr transform =
      MakeTransform(context.get(), icc_, TYPE_CMYK_8, QByteArray(), TYPE_RGB_8, 0);
  if (!transform) return NaiveCmykToRgb(cmyk, width, height, bytesPerLine);
  for (int y = 0; y < height; ++y) {
    cmsDoTransform(transform.get(), cmyk + y * bytesPerLine, rgb.scanLine(y),
                   cmsUInt32Number(width));
  }
  return rgb;
}

QImage ColorSpace::convertImage(const QImage& image) const {
  if (image.isNull() || (model_ != ColorModel::RGB && model_ != ColorModel::Gray)) return QImage();
  // 16-bit grey is only 16 bits a pixel, yet as deep as 16-bit colour.
  const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
  const bool gray = model_ == ColorModel::Gray;
  QImage in = ConvertedImage(image, deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
  QImage out(in.size(),
             gray ? (deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8) : in.format());
  if (out.isNull()) return out;
  ContextPtr context = NewContext();
  const cmsUInt32Number inFormat = deep ? TYPE_RGBA_16 : TYPE_BGRA_8;
  const cmsUInt32Number outFormat = gray ? (deep ? TYPE_GRAY_16 : TYPE_GRAY_8) : inFormat;
  TransformPtr transform = MakeTransform(context.get(), ImageProfile(image), inFormat, icc_,
                                         outFormat, gray ? 0 : cmsFLAGS_COPY_ALPHA);
  if (!transform) return QImage();
  for (int y = 0; y < in.height(); ++y) {
    cmsDoTransform(transform.get(), in.constScanLine(y), out.scanLine(y),
                   cmsUInt32Number(in.width()));
  }
  out.setDotsPerMeterX(image.dotsPerMeterX());
  out.setDotsPerMeterY(image.dotsPerMeterY());
  if (!icc_.isEmpty()) out.setColorSpace(QColorSpace::fromIccProfile(icc_));
  return out;
}

struct LinearLightTransform::State {
  ContextPtr context;
  TransformPtr transform;
  bool gray = false;
};

LinearLightTransform::LinearLightTransform(std::unique_ptr<State> state)
    : state_(std::move(state)) {}
LinearLightTransform::~LinearLightTransform() = default;

std::unique_ptr<LinearLightTransform> LinearLightTransform::FromProfile(const QByteArray& icc) {
  auto state = std::make_unique<State>();
  state->context = NewContext();
  cmsContext context = state->context.get();
  ProfilePtr source = OpenProfile(context, icc);
  if (!source) return nullptr;
  const ColorModel model = ModelOfProfile(source.get());
  if (model != ColorModel::RGB && model != ColorModel::Gray) return nullptr;
  state->gray = model == ColorModel::Gray;
  cmsCIExyY d65;
  cmsWhitePointFromTemp(&d65, 6504);
  const cmsCIExyYTRIPLE primaries = {
      {0.6400, 0.3300, 1.0}, {0.3000, 0.6000, 1.0}, {0.1500, 0.0600, 1.0}};
  cmsToneCurve* identity = cmsBuildGamma(context, 1.0);
  if (!identity) return nullptr;
  cmsToneCurve* curves[3] = {identity, identity, identity};
  ProfilePtr linear(cmsCreateRGBProfileTHR(context, &d65, &primaries, curves));
  cmsFreeToneCurve(identity);
  if (!linear) return nullptr;
  // Relative colorimetric keeps a matrix-and-curve source exact; float output is unbounded.
  state->transform.reset(
      cmsCreateTransformTHR(context, source.get(), state->gray ? TYPE_GRAY_16 : TYPE_RGBA_16,
                            linear.get(), TYPE_RGB_FLT, INTENT_RELATIVE_COLORIMETRIC, 0));
  if (!state->transform) return nullptr;
  return std::unique_ptr<LinearLightTransform>(new LinearLightTransform(std::move(state)));
}

QImage::Format LinearLightTransform::rowFormat() const {
  return state_->gray ? QImage::Format_Grayscale16 : QImage::Format_RGBA64;
}

void LinearLightTransform::convertRow(const uchar* row, float* rgb, int width) const {
  cmsDoTransform(state_->transform.get(), row, rgb, cmsUInt32Number(width));
}

QString IccProfileDescription(const QByteArray& icc) {
  if (icc.isEmpty()) return QString();
  ContextPtr context = NewContext();
  ProfilePtr profile = OpenProfile(context.get(), icc);
  if (!profile) return QString();
  wchar_t buffer[256] = {};
  cmsGetProfileInfo(profile.get(), cmsInfoDescription, "en", "US", buffer, 255);
  return QString::fromWCharArray(buffer);
}

namespace {

bool WhitePointXyY(const double whitePoint[3], cmsCIExyY* white) {
  if (!(whitePoint[0] > 0) || !(whitePoint[1] > 0) || !(whitePoint[2] > 0)) return false;
  const cmsCIEXYZ xyz = {whitePoint[0], whitePoint[1], whitePoint[2]};
  cmsXYZ2xyY(white, &xyz);
  return true;
}

using CurvePtr = std::unique_ptr<cmsToneCurve, decltype(&cmsFreeToneCurve)>;

CurvePtr GammaCurve(cmsContext context, double gamma) {
  return CurvePtr(cmsBuildGamma(context, gamma > 0 && gamma < 100 ? gamma : 1.0), cmsFreeToneCurve);
}

}  // namespace

QByteArray CalibratedRGBProfile(const double whitePoint[3], const double gamma[3],
                                const double matrix[9]) {
  cmsCIExyY white;
  if (!WhitePointXyY(whitePoint, &white)) return QByteArray();
  cmsCIExyY primaries[3];
  for (int i = 0; i < 3; ++i) {
    const cmsCIEXYZ xyz = {matrix[3 * i], matrix[3 * i + 1], matrix[3 * i + 2]};
    if (!(xyz.X + xyz.Y + xyz.Z > 0)) return QByteArray();
    cmsXYZ2xyY(&primaries[i], &xyz);
  }
  const cmsCIExyYTRIPLE triple = {primaries[0], primaries[1], primaries[2]};
  ContextPtr context = NewContext();
  CurvePtr r = GammaCurve(context.get(), gamma[0]), g = GammaCurve(context.get(), gamma[1]),
           b = GammaCurve(context.get(), gamma[2]);
  if (!r || !g || !b) return QByteArray();
  cmsToneCurve* curves[3] = {r.get(), g.get(), b.get()};
  ProfilePtr profile(cmsCreateRGBProfileTHR(context.get(), &white, &triple, curves));
  return SavedProfile(profile.get());
}

QByteArray CalibratedGrayProfile(const double whitePoint[3], double gamma) {
  cmsCIExyY white;
  if (!WhitePointXyY(whitePoint, &white)) return QByteArray();
  ContextPtr context = NewContext();
  CurvePtr curve = GammaCurve(context.get(), gamma);
  if (!curve) return QByteArray();
  ProfilePtr profile(cmsCreateGrayProfileTHR(context.get(), &white, curve.get()));
  return SavedProfile(profile.get());
}

}  // namespace glimbrik
