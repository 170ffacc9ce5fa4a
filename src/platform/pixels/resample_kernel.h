#pragma once

// The separable Lanczos-3 filter shared by the engine's whole-image resampler and the decoders'
// row-fed reduce: per-axis taps, the horizontal pass of one row and the write-back of one
// accumulated row. Samples are premultiplied, alpha last (or none).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace glimbrik::resample {

// For each output sample along one axis, the first input sample it reads and its normalised
// weights. Shrinking widens the kernel by the scale so that it filters below the new Nyquist.
struct Taps {
  std::vector<int> first;
  std::vector<float> weights;  // `width` weights per output sample, zero-padded
  int width = 0;
  // The same weights in 2.14 fixed point summing to exactly 1 << 14, over a window padded to a
  // multiple of eight (zeros at whichever end keeps the window inside the row), laid out for the
  // 8-bit vector pass: per eight taps, the pairs (0, 1) and (4, 5), then (2, 3) and (6, 7), each
  // pair as two int16 in one int32 repeated for four channels. Empty when the row is narrower
  // than the padded window.
  std::vector<int> first16;
  std::vector<int32_t> pairs16;
  int width16 = 0;
  // For one channel: the same fixed-point weights as plain int16, over a window padded to a
  // multiple of sixteen. Empty when the row is narrower than that window.
  std::vector<int> firstGray;
  std::vector<int16_t> weightsGray;
  int widthGray = 0;
};

Taps ComputeTaps(int inSize, int outSize);
// The same, shared with earlier callers that asked for the same sizes.
std::shared_ptr<const Taps> SharedTaps(int inSize, int outSize);

// One input row filtered horizontally into outW x C floats.
template <typename T, int C>
void FilterRow(const T* src, const Taps& h, int outW, float* dst) {
  const int taps = h.width;
  for (int x = 0; x < outW; ++x) {
    const float* wt = &h.weights[size_t(x) * taps];
    const T* s = src + size_t(h.first[x]) * C;
    float sum[C] = {};
    for (int k = 0; k < taps; ++k) {
      const float w = wt[k];
      for (int c = 0; c < C; ++c) sum[c] += w * float(s[k * C + c]);
    }
    for (int c = 0; c < C; ++c) dst[x * C + c] = sum[c];
  }
}

// 8-bit colour, the common case, with the vector units of the machine (row_resampler.cpp).
void FilterRowArgb32(const uint8_t* src, const Taps& h, int outW, float* dst);

template <>
inline void FilterRow<uint8_t, 4>(const uint8_t* src, const Taps& h, int outW, float* dst) {
  FilterRowArgb32(src, h, outW, dst);
}

// acc += weight x row, over n floats.
void Accumulate(float* acc, const float* row, float weight, size_t n);

// out = the sum of weights[k] x rows[k] over count rows of n floats, added in the order of k
// exactly as repeated Accumulate calls on a zeroed out would, but in one pass over out.
void WeightedSum(float* out, const float* const* rows, const float* weights, int count, size_t n);

// Rounds an accumulated row back to samples. Lanczos rings; premultiplied colour may not exceed
// its alpha.
template <typename T, int C>
void WriteRow(const float* acc, int outW, int alphaChannel, float maxValue, T* dst) {
  for (int x = 0; x < outW; ++x) {
    const float* a = &acc[size_t(x) * C];
    const float alpha =
        alphaChannel >= 0 ? std::clamp(std::nearbyint(a[alphaChannel]), 0.0f, maxValue) : maxValue;
    for (int c = 0; c < C; ++c) {
      const float limit = c == alphaChannel ? maxValue : alpha;
      dst[x * C + c] = T(std::clamp(std::nearbyint(a[c]), 0.0f, limit));
    }
  }
}

void WriteRowArgb32(const float* acc, int outW, uint8_t* dst);

template <>
inline void WriteRow<uint8_t, 4>(const float* acc, int outW, int alphaChannel, float maxValue,
                                 uint8_t* dst) {
  if (alphaChannel == 3 && maxValue == 255.0f) {
    WriteRowArgb32(acc, outW, dst);
    return;
  }
  for (int x = 0; x < outW; ++x) {
    const float* a = &acc[size_t(x) * 4];
    const float alpha =
        alphaChannel >= 0 ? std::clamp(std::nearbyint(a[alphaChannel]), 0.0f, maxValue) : maxValue;
    for (int c = 0; c < 4; ++c) {
      const float limit = c == alphaChannel ? maxValue : alpha;
      dst[x * 4 + c] = uint8_t(std::clamp(std::nearbyint(a[c]), 0.0f, limit));
    }
  }
}

}  // namespace glimbrik::resample
