#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/codecs/webp_internal.h"

namespace glimbrik {
namespace {

// Frees everything the encoder allocated, whatever path the call took.
struct EncodeResources {
  WebPPicture picture;
  WebPMemoryWriter writer;
  webp::ImageMetadata metadata;
  bool pictureReady = false;

  EncodeResources() {
    webp::ImageMetadataInit(&metadata);
    WebPMemoryWriterInit(&writer);
  }
  ~EncodeResources() {
    WebPMemoryWriterClear(&writer);
    webp::ImageMetadataFree(&metadata);
    if (pictureReady) WebPPictureFree(&picture);
  }
};

// Removes a partial output; only a regular file, so that a device path given as output survives.
void RemovePartialOutput(const char* path) {
  struct stat info;
  if (path && ::lstat(path, &info) == 0 && S_ISREG(info.st_mode)) std::remove(path);
}

// Frees the decoder's output buffer, whatever path the call took.
struct DecodedBufferGuard {
  WebPDecBuffer* buffer;
  ~DecodedBufferGuard() { WebPFreeDecBuffer(buffer); }
};

}  // namespace

void webp::ImageMetadataInit(webp::ImageMetadata* metadata) {
  if (metadata) *metadata = webp::ImageMetadata{};
}

void webp::ImageMetadataFree(webp::ImageMetadata* metadata) {
  if (!metadata) return;
  std::free(metadata->exif.bytes);
  std::free(metadata->iccp.bytes);
  std::free(metadata->xmp.bytes);
  *metadata = webp::ImageMetadata{};
}

int webp::ImageMetadataCopy(const uint8_t* data, size_t size, webp::MetadataPayload* payload) {
  if (!data || size == 0 || !payload) return 0;
  auto* copy = static_cast<uint8_t*>(std::malloc(size));
  if (!copy) return 0;
  std::memcpy(copy, data, size);
  std::free(payload->bytes);
  payload->bytes = copy;
  payload->size = size;
  return 1;
}

WebPEncodeSettings WebPSettingsForQuality(double quality) {
  WebPEncodeSettings settings;
  if (quality == 1.0) {
    settings.lossless = true;
    settings.alphaCompression = true;
  } else {
    const float scaled = static_cast<float>(quality) * 100.0f;
    settings.quality = scaled;
    settings.alphaQuality = static_cast<int>(scaled);
  }
  return settings;
}

int EncodeImageFileToWebP(const char* inputPath, const char* outputPath,
                          const WebPEncodeSettings& settings, int metadataFlags) {
  WebPConfig config;
  if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, 75.0f)) return kWebPConfigInvalid;
  config.quality = settings.quality;
  config.alpha_quality = settings.alphaQuality;
  config.lossless = settings.lossless ? 1 : 0;
  config.alpha_compression = settings.alphaCompression ? 1 : 0;
  return EncodeImageFileToWebP(inputPath, outputPath, &config, metadataFlags);
}

int EncodeImageFileToWebP(const char* inputPath, const char* outputPath, const WebPConfig* config,
                          int metadataFlags) {
  EncodeResources res;
  if (!WebPPictureInit(&res.picture)) return kWebPPictureInitFailed;
  res.pictureReady = true;
  res.picture.writer = WebPMemoryWrite;
  res.picture.custom_ptr = &res.writer;
  // ARGB import keeps lossless output exact; lossy encoding converts to YUV itself.
  res.picture.use_argb = 1;
  if (!config || !WebPValidateConfig(config)) return kWebPConfigInvalid;
  if (!inputPath || !ReadInputPicture(inputPath, &res.picture, 1, &res.metadata)) {
    return kWebPInputUnreadable;
  }
  FilePtr out;
  if (outputPath) {
    out.reset(std::fopen(outputPath, "wb"));
    if (!out) return kWebPOutputUnopenable;
  }
  // A failed encode must not leave a partial file that looks like output.
  auto failWith = [&](int code) {
    if (out) {
      out.reset();
      RemovePartialOutput(outputPath);
    }
    return code;
  };
  if (!WebPEncode(config, &res.picture)) {
    std::fprintf(stderr, "Error! Cannot encode picture as WebP (error code %d)\n",
                 static_cast<int>(res.picture.error_code));
    return failWith(kWebPEncodeFailed);
  }
  if (out) {
    int written = 0;
    if (!WriteWebPFileWithMetadata(out.get(), res.picture, res.writer, res.metadata, metadataFlags,
                                   &written)) {
      return failWith(kWebPWriteFailed);
    }
    if (std::fflush(out.get()) != 0 || std::ferror(out.get())) return failWith(kWebPWriteFailed);
    FILE* raw = out.release();
    if (std::fclose(raw) != 0) {
      RemovePartialOutput(outputPath);
      return kWebPWriteFailed;
    }
  }
  return kWebPEncodeOk;
}

int DecodeWebPToTIFFFile(const uint8_t* data, size_t size, WebPDecoderConfig* config,
                         const char* outputPath) {
  if (!data || !config || WebPGetFeatures(data, size, &config->input) != VP8_STATUS_OK) {
    return kWebPFeaturesUnreadable;
  }
  if (config->input.has_animation) {
    std::fprintf(stderr, "Error! Decoding of an animated WebP file is not supported.\n");
  }
  config->output.colorspace = config->input.has_alpha ? MODE_rgbA : MODE_RGB;
  DecodedBufferGuard guard{&config->output};
  if (WebPDecode(data, size, config) != VP8_STATUS_OK) return kWebPDecodeFailed;
  if (outputPath && !SaveDecodedImage(config->output, kDecodedTIFF, outputPath)) {
    RemovePartialOutput(outputPath);
    return kWebPTIFFWriteFailed;
  }
  return kWebPDecodeOk;
}

int DecodeWebPToTIFFFile(const uint8_t* data, size_t size, const char* outputPath) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return kWebPDecoderConfigFailed;
  return DecodeWebPToTIFFFile(data, size, &config, outputPath);
}

int GetWebPImageSize(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return kWebPDecoderConfigFailed;
  if (!data || WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) {
    return kWebPFeaturesUnreadable;
  }
  if (width) *width = config.input.width;
  if (height) *height = config.input.height;
  return kWebPDecodeOk;
}

int DecodeWebPToConfig(const uint8_t* data, size_t size, WebPDecoderConfig* config) {
  if (!data || !config || WebPGetFeatures(data, size, &config->input) != VP8_STATUS_OK) {
    return kWebPFeaturesUnreadable;
  }
  config->output.colorspace = MODE_RGBA;
  if (WebPDecode(data, size, config) != VP8_STATUS_OK) {
    WebPFreeDecBuffer(&config->output);
    return kWebPDecodeFailed;
  }
  return kWebPDecodeOk;
}

int DecodeWebPToRGBA(const uint8_t* data, size_t size, uint8_t* pixels, size_t capacity,
                     int stride) {
  WebPBitstreamFeatures features;
  if (!data || WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) {
    return kWebPFeaturesUnreadable;
  }
  if (!pixels || !WebPDecodeRGBAInto(data, size, pixels, capacity, stride)) {
    return kWebPDecodeFailed;
  }
  return kWebPDecodeOk;
}

}  // namespace glimbrik
