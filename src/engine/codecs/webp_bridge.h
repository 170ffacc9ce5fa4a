#pragma once

// Bridge between the engine and libwebp: WebP output is encoded from a TIFF (or PNG/JPEG) file
// that the engine wrote first, and WebP input is decoded into a TIFF file that the engine then
// loads like any other source. Callers outside the bridge need no libwebp header: the settings
// overloads below build the libwebp configurations themselves.

#include <cstddef>
#include <cstdint>

struct WebPConfig;
struct WebPDecoderConfig;
struct WebPPicture;

namespace glimbrik {

// Result codes of EncodeImageFileToWebP.
inline constexpr int kWebPEncodeOk = 0;
inline constexpr int kWebPPictureInitFailed = -301;
inline constexpr int kWebPConfigInvalid = -302;
inline constexpr int kWebPInputUnreadable = -303;
inline constexpr int kWebPOutputUnopenable = -304;
inline constexpr int kWebPEncodeFailed = -305;
inline constexpr int kWebPWriteFailed = -306;

// Result codes of DecodeWebPToTIFFFile and GetWebPImageSize.
inline constexpr int kWebPDecodeOk = 0;
inline constexpr int kWebPDecoderConfigFailed = -233;
inline constexpr int kWebPFeaturesUnreadable = -234;
// The bitstream's features were read but its pixels could not be decoded.
inline constexpr int kWebPDecodeFailed = -235;
// The decoded pixels could not be written to the output file.
inline constexpr int kWebPTIFFWriteFailed = -236;

// Metadata selection flags (any combination).
inline constexpr int kWebPMetadataEXIF = 1;
inline constexpr int kWebPMetadataICC = 2;
inline constexpr int kWebPMetadataXMP = 4;

// The flags the engine passes for an output: an embedded colour profile always travels with the
// pixels; EXIF and XMP only when the user keeps metadata.
constexpr int WebPMetadataFlags(bool keepMetadata) {
  return kWebPMetadataICC | (keepMetadata ? kWebPMetadataEXIF | kWebPMetadataXMP : 0);
}

namespace webp {

// Metadata payloads collected by the input readers; each pointer is malloc'ed. (Its own
// namespace: the platform layer has an ImageMetadata of its own.)
struct MetadataPayload {
  uint8_t* bytes = nullptr;
  size_t size = 0;
};
struct ImageMetadata {
  MetadataPayload exif;
  MetadataPayload iccp;
  MetadataPayload xmp;
};
void ImageMetadataInit(ImageMetadata* metadata);
void ImageMetadataFree(ImageMetadata* metadata);
// Copies size bytes into the payload; 0 when data is null, size is 0, payload is null or memory
// runs out, else 1.
int ImageMetadataCopy(const uint8_t* data, size_t size, MetadataPayload* payload);

}  // namespace webp

// Encoder settings in engine terms. WebPSettingsForQuality applies the engine's rule: quality
// exactly 1.0 is lossless with compressed alpha; otherwise lossy at quality x 100 with alpha
// quality quality x 100 truncated. The default preset and quality 75 are the starting point.
struct WebPEncodeSettings {
  float quality = 75.0f;
  int alphaQuality = 100;
  bool lossless = false;
  bool alphaCompression = true;
};
WebPEncodeSettings WebPSettingsForQuality(double quality);

// Reads the PNG, JPEG or TIFF file at inputPath and writes it as WebP to outputPath (null: encode
// only). Returns 0 or one of the negative codes above; on failure no partial output is left.
int EncodeImageFileToWebP(const char* inputPath, const char* outputPath, const WebPConfig* config,
                          int metadataFlags);
int EncodeImageFileToWebP(const char* inputPath, const char* outputPath,
                          const WebPEncodeSettings& settings, int metadataFlags);

// Decodes WebP bytes into a TIFF file at outputPath (null: decode only). Returns 0 on success,
// -234 when the features cannot be read, -235 when decoding fails, -236 when the TIFF cannot be
// written; a failed call leaves no file. The overload without a configuration makes its own
// (-233 when that fails).
int DecodeWebPToTIFFFile(const uint8_t* data, size_t size, WebPDecoderConfig* config,
                         const char* outputPath);
int DecodeWebPToTIFFFile(const uint8_t* data, size_t size, const char* outputPath);

// The pixel size of WebP bytes: 0, -233 or -234.
int GetWebPImageSize(const uint8_t* data, size_t size, int32_t* width, int32_t* height);

// Decodes into the configuration's own buffer as straight RGBA; 0 or -234 (-235 when the
// pixels cannot be decoded).
int DecodeWebPToConfig(const uint8_t* data, size_t size, WebPDecoderConfig* config);

// Decodes WebP bytes as straight RGBA into the caller's buffer of `capacity` bytes with rows of
// `stride` bytes (size it with GetWebPImageSize). 0, -234 or -235.
int DecodeWebPToRGBA(const uint8_t* data, size_t size, uint8_t* pixels, size_t capacity,
                     int stride);

}  // namespace glimbrik
