// The WebP container (RIFF) with metadata chunks: "VP8X" with its feature flags, then "ICCP",
// the image chunks, "EXIF" and "XMP ".

#include <cstring>

#include "engine/codecs/webp_internal.h"

namespace glimbrik {
namespace {

constexpr size_t kTagSize = 4;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kRiffHeaderSize = 12;
constexpr size_t kVP8XChunkSize = 10;
constexpr size_t kVP8XTotal = kChunkHeaderSize + kVP8XChunkSize;
constexpr size_t kMinBitstreamSize = kRiffHeaderSize + kChunkHeaderSize;
constexpr uint64_t kMaxRiffSize = 0xFFFFFFF6u;

constexpr uint8_t kFlagICC = 0x20;
constexpr uint8_t kFlagAlpha = 0x10;
constexpr uint8_t kFlagEXIF = 0x08;
constexpr uint8_t kFlagXMP = 0x04;

bool WriteBytes(FILE* out, const void* data, size_t size) {
  return size == 0 || std::fwrite(data, size, 1, out) == 1;
}

bool WriteLE(FILE* out, uint32_t value, int bytes) {
  uint8_t buffer[4];
  for (int i = 0; i < bytes; ++i) buffer[i] = static_cast<uint8_t>(value >> (8 * i));
  return WriteBytes(out, buffer, static_cast<size_t>(bytes));
}

uint32_t ReadLE32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

bool WriteMetadataChunk(FILE* out, const char fourcc[4], const webp::MetadataPayload& payload) {
  static const uint8_t kZero = 0;
  const bool odd = payload.size & 1;
  return WriteBytes(out, fourcc, kTagSize) &&
         WriteLE(out, static_cast<uint32_t>(payload.size), 4) &&
         WriteBytes(out, payload.bytes, payload.size) && (!odd || WriteBytes(out, &kZero, 1));
}

bool Selected(const webp::MetadataPayload& payload, int flags, int flag) {
  return (flags & flag) && payload.bytes && payload.size > 0;
}

uint64_t ChunkSize(const webp::MetadataPayload& payload) {
  return kChunkHeaderSize + payload.size + (payload.size & 1);
}

}  // namespace

int WriteWebPFileWithMetadata(FILE* out, const WebPPicture& picture,
                              const WebPMemoryWriter& bitstream,
                              const webp::ImageMetadata& metadata, int flags, int* flagsWritten) {
  if (flagsWritten) *flagsWritten = 0;
  const uint8_t* webp = bitstream.mem;
  const size_t webpSize = bitstream.size;
  if (!out || !webp || webpSize < kMinBitstreamSize) return 0;

  const bool writeICC = Selected(metadata.iccp, flags, kWebPMetadataICC);
  const bool writeEXIF = Selected(metadata.exif, flags, kWebPMetadataEXIF);
  const bool writeXMP = Selected(metadata.xmp, flags, kWebPMetadataXMP);
  uint64_t extra = 0;
  uint8_t featureFlags = 0;
  if (writeICC) {
    extra += ChunkSize(metadata.iccp);
    featureFlags |= kFlagICC;
  }
  if (writeEXIF) {
    extra += ChunkSize(metadata.exif);
    featureFlags |= kFlagEXIF;
  }
  if (writeXMP) {
    extra += ChunkSize(metadata.xmp);
    featureFlags |= kFlagXMP;
  }
  if (featureFlags == 0) return WriteBytes(out, webp, webpSize) ? 1 : 0;

  const bool hasVP8X = std::memcmp(webp + kRiffHeaderSize, "VP8X", kTagSize) == 0;
  if (hasVP8X && webpSize < kRiffHeaderSize + kVP8XTotal) return 0;
  const uint64_t riffSize =
      uint64_t{ReadLE32(webp + kTagSize)} + extra + (hasVP8X ? 0 : kVP8XTotal);
  if (riffSize > kMaxRiffSize) {
    std::fprintf(stderr, "Error! Addition of metadata would exceed container size limit.\n");
    return 0;
  }

  bool ok = WriteBytes(out, "RIFF", kTagSize) && WriteLE(out, static_cast<uint32_t>(riffSize), 4) &&
            WriteBytes(out, "WEBP", kTagSize);
  size_t rest = kRiffHeaderSize;
  if (!hasVP8X) {
    const bool lossless = std::memcmp(webp + kRiffHeaderSize, "VP8L", kTagSize) == 0;
    // The alpha-is-used bit follows the 14-bit width and height fields of the VP8L header.
    if (lossless && webpSize > 24 && (webp[24] & 0x10)) featureFlags |= kFlagAlpha;
    ok = ok && WriteBytes(out, "VP8X", kTagSize) &&
         WriteLE(out, static_cast<uint32_t>(kVP8XChunkSize), 4) && WriteLE(out, featureFlags, 4) &&
         WriteLE(out, static_cast<uint32_t>(picture.width - 1), 3) &&
         WriteLE(out, static_cast<uint32_t>(picture.height - 1), 3);
  } else {
    uint8_t chunk[kVP8XTotal];
    std::memcpy(chunk, webp + kRiffHeaderSize, kVP8XTotal);
    chunk[kChunkHeaderSize] |= featureFlags;
    ok = ok && WriteBytes(out, chunk, kVP8XTotal);
    rest += kVP8XTotal;
  }
  if (ok && writeICC) ok = WriteMetadataChunk(out, "ICCP", metadata.iccp);
  ok = ok && WriteBytes(out, webp + rest, webpSize - rest);
  if (ok && writeEXIF) ok = WriteMetadataChunk(out, "EXIF", metadata.exif);
  if (ok && writeXMP) ok = WriteMetadataChunk(out, "XMP ", metadata.xmp);
  if (!ok) return 0;
  if (flagsWritten) {
    *flagsWritten = (writeEXIF ? kWebPMetadataEXIF : 0) | (writeICC ? kWebPMetadataICC : 0) |
                    (writeXMP ? kWebPMetadataXMP : 0);
  }
  return 1;
}

}  // namespace glimbrik
