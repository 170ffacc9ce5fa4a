// HEIC/HEIF photos through libheif: the primary image as libheif shows it, its transformations
// applied, so that its EXIF orientation (a copy for other readers) is never applied again.
#include <libheif/heif.h>

#include <QColorSpace>
#include <QPointF>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"

namespace glimbrik::codec {

namespace {

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct NclxFree {
  void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

// libheif words damage as end of data or invalid input; "corrupt" marks it as the file's fault.
QString HeifError(const heif_error& error) {
  const QString text = QString::fromUtf8(error.message ? error.message : "");
  if (error.code == heif_error_Invalid_input || error.code == heif_error_Decoder_plugin_error) {
    return QStringLiteral("corrupt HEIF file (%1)").arg(text);
  }
  return QStringLiteral("HEIF file not read (%1)").arg(text);
}

// The context and primary image of the bytes, which must outlive both.
QString OpenPrimary(const QByteArray& data, Context* context, Handle* handle) {
  InitOnce();
  context->reset(heif_context_alloc());
  if (!*context) return QStringLiteral("out of memory");
  heif_context_set_maximum_image_size_limit(context->get(), kMaxImageSide);
  heif_error error = heif_context_read_from_memory_without_copy(context->get(), data.constData(),
                                                                size_t(data.size()), nullptr);
  if (error.code != heif_error_Ok) return HeifError(error);
  heif_image_handle* primary = nullptr;
  error = heif_context_get_primary_image_handle(context->get(), &primary);
  if (error.code != heif_error_Ok) return HeifError(error);
  handle->reset(primary);
  return {};
}

// An ICC profile for the colour an nclx box states; empty for plain sRGB, the default.
QByteArray ProfileForNclx(const heif_color_profile_nclx& nclx) {
  QColorSpace::TransferFunction transfer = QColorSpace::TransferFunction::SRgb;
  float gamma = 0.0f;
  switch (nclx.transfer_characteristics) {
    case heif_transfer_characteristic_linear:
      transfer = QColorSpace::TransferFunction::Linear;
      break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
      transfer = QColorSpace::TransferFunction::Gamma;
      gamma = 2.2f;
      break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
      transfer = QColorSpace::TransferFunction::Gamma;
      gamma = 2.8f;
      break;
    default:  // sRGB, and the BT.709 family that displays show with it
      break;
  }
  if (nclx.color_primaries == heif_color_primaries_ITU_R_BT_709_5 &&
      transfer == QColorSpace::TransferFunction::SRgb) {
    return {};
  }
  const QColorSpace space(QPointF(nclx.color_primary_white_x, nclx.color_primary_white_y),
                          QPointF(nclx.color_primary_red_x, nclx.color_primary_red_y),
                          QPointF(nclx.color_primary_green_x, nclx.color_primary_green_y),
                          QPointF(nclx.color_primary_blue_x, nclx.color_primary_blue_y), transfer,
                          gamma);
  return space.isValid() ? space.iccProfile() : QByteArray();
}

QByteArray ColourProfile(heif_image_handle* handle) {
  switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
      QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), '\0');
      if (icc.isEmpty() ||
          heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) {
        return {};
      }
      return icc;
    }
    case heif_color_profile_type_nclx: {
      heif_color_profile_nclx* read = nullptr;
      if (heif_image_handle_get_nclx_color_profile(handle, &read).code != heif_error_Ok) return {};
      const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(read);
      return ProfileForNclx(*nclx);
    }
    default:
      return {};
  }
}

QByteArray MetadataBlock(heif_image_handle* handle, const char* type, const char* contentType) {
  const int count = heif_image_handle_get_number_of_metadata_blocks(handle, type);
  if (count <= 0) return {};
  std::vector<heif_item_id> ids(static_cast<size_t>(count));
  heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(), count);
  for (const heif_item_id id : ids) {
    const char* type = heif_image_handle_get_metadata_content_type(handle, id);
    if (contentType && (!type || std::strcmp(type, contentType) != 0)) continue;
    QByteArray block(qsizetype(heif_image_handle_get_metadata_size(handle, id)), '\0');
    if (!block.isEmpty() &&
        heif_image_handle_get_metadata(handle, id, block.data()).code == heif_error_Ok) {
      return block;
    }
  }
  return {};
}

}  // namespace

bool IsHeifFile(const QByteArray& head) {
  if (head.size() < 12 || head.mid(4, 4) != "ftyp") return false;
  const QByteArray brand = head.mid(8, 4);
  return brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" ||
         brand == "hevc" || brand == "hevx" || brand == "mif1" || brand == "msf1";
}

QString ProbeHeif(const QByteArray& data, Representations* out) {
  Context context;
  Handle handle;
  if (QString error = OpenPrimary(data, &context, &handle); !error.isEmpty()) return error;
  ImageRepresentation rep;
  rep.pixelWidth = heif_image_handle_get_width(handle.get());
  rep.pixelHeight = heif_image_handle_get_height(handle.get());
  rep.hasAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  rep.bitsPerComponent = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8 ? 16 : 8;
  rep.iccProfile = ColourProfile(handle.get());
  out->push_back(rep);
  return {};
}

ImageResult<QImage> DecodeHeif(const QByteArray& data, const ImageRepresentation& rep) {
  Context context;
  Handle handle;
  if (QString error = OpenPrimary(data, &context, &handle); !error.isEmpty()) {
    return ImageResult<QImage>::Fail(error);
  }
  const bool deep = rep.bitsPerComponent > 8;
  const heif_chroma chroma =
      deep
          ? (rep.hasAlpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
          : (rep.hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  heif_image* decodedImage = nullptr;
  const heif_error error =
      heif_decode_image(handle.get(), &decodedImage, heif_colorspace_RGB, chroma, options.get());
  const std::unique_ptr<heif_image, ImageRelease> decoded(decodedImage);
  if (error.code != heif_error_Ok || !decoded) return ImageResult<QImage>::Fail(HeifError(error));
  const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
  int stride = 0;
  const uint8_t* plane =
      heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
  if (!plane || !IsImageSizeAllowed(w, h)) {
    return ImageResult<QImage>::Fail(QStringLiteral("corrupt HEIF file (no picture)"));
  }
  const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
  QImage image;
  if (deep) {
    const int bits = std::clamp(
        heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved), 9, 16);
    const uint32_t top = (1u << bits) - 1;
    image = QImage(w, h,
                   !rep.hasAlpha   ? QImage::Format_RGBX64
                   : premultiplied ? QImage::Format_RGBA64_Premultiplied
                                   : QImage::Format_RGBA64);
    if (image.isNull()) return ImageResult<QImage>::Fail(QStringLiteral("out of memory"));
    const int channels = rep.hasAlpha ? 4 : 3;
    auto widen = [&](uint16_t v) {
      return uint16_t((std::min<uint32_t>(v, top) * 65535u + top / 2) / top);
    };
    for (int y = 0; y < h; ++y) {
      const auto* in = reinterpret_cast<const uint16_t*>(plane + size_t(y) * stride);
      auto* line = reinterpret_cast<QRgba64*>(image.scanLine(y));
      for (int x = 0; x < w; ++x, in += channels) {
        line[x] =
            qRgba64(widen(in[0]), widen(in[1]), widen(in[2]), rep.hasAlpha ? widen(in[3]) : 0xFFFF);
      }
    }
  } else {
    const QImage::Format format = !rep.hasAlpha   ? QImage::Format_RGB888
                                  : premultiplied ? QImage::Format_RGBA8888_Premultiplied
                                                  : QImage::Format_RGBA8888;
    // The plane belongs to the decoded image: the copy makes the picture our own.
    image = QImage(plane, w, h, stride, format).copy();
    if (image.isNull()) return ImageResult<QImage>::Fail(QStringLiteral("out of memory"));
  }
  image = FinishDecodedImage(std::move(image), rep);
  if (rep.iccProfile.isEmpty()) image.setColorSpace(QColorSpace::SRgb);
  return {std::move(image), QString()};
}

MetadataBlocks ReadHeifMetadata(const QByteArray& data) {
  MetadataBlocks blocks;
  Context context;
  Handle handle;
  if (!OpenPrimary(data, &context, &handle).isEmpty()) return blocks;
  // The EXIF item starts with the offset of its TIFF header.
  const QByteArray exif = MetadataBlock(handle.get(), "Exif", nullptr);
  if (exif.size() > 4) {
    const uint32_t offset = uint32_t(uchar(exif[0])) << 24 | uint32_t(uchar(exif[1])) << 16 |
                            uint32_t(uchar(exif[2])) << 8 | uint32_t(uchar(exif[3]));
    if (offset < uint32_t(exif.size() - 4)) blocks.exif = exif.mid(4 + qsizetype(offset));
  }
  blocks.xmp = MetadataBlock(handle.get(), "mime", "application/rdf+xml");
  return blocks;
}

}  // namespace glimbrik::codec
