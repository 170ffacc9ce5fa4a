#include "platform/pixels/row_resampler.h"

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "platform/pixels/resample_kernel.h"

namespace glimbrik {

namespace resample {

namespace {

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = M_PI * x;
  return std::sin(px) / px;
}

constexpr double kLobes = 3.0;

double Lanczos3(double x) {
  x = std::abs(x);
  return x < kLobes ? Sinc(x) * Sinc(x / kLobes) : 0.0;
}

}  // namespace

Taps ComputeTaps(int inSize, int outSize) {
  const double scale = double(inSize) / outSize;
  const double stretch = std::max(1.0, scale);
  const double support = kLobes * stretch;
  Taps taps;
  // Sample centres j + 0.5 strictly within the support of any centre: at most ceil(2 support).
  taps.width = std::min(inSize, int(std::ceil(2.0 * support)));
  taps.first.resize(outSize);
  taps.weights.assign(size_t(outSize) * taps.width, 0.0f);
  std::vector<double> w(taps.width);
  for (int i = 0; i < outSize; ++i) {
    const double centre = (i + 0.5) * scale;  // in input coordinates, samples at j + 0.5
    int lo = int(std::floor(centre - support - 0.5)) + 1;
    lo = std::clamp(lo, 0, inSize - taps.width);
    double sum = 0.0;
    for (int k = 0; k < taps.width; ++k) {
      w[k] = Lanczos3((lo + k + 0.5 - centre) / stretch);
      sum += w[k];
    }
    taps.first[i] = lo;
    float* out = &taps.weights[size_t(i) * taps.width];
    for (int k = 0; k < taps.width; ++k) out[k] = float(sum != 0.0 ? w[k] / sum : 0.0);
  }

  // Fixed-point weights over a window of `padded` taps that stays inside the row.
  constexpr double kOne = 1 << 14;
  std::vector<int> q;
  const auto quantise = [&](int i, int padded) {
    const int first = std::min(taps.first[i], inSize - padded);
    const int shift = taps.first[i] - first;
    const float* wt = &taps.weights[size_t(i) * taps.width];
    q.assign(size_t(padded), 0);
    int total = 0, largest = shift;
    for (int k = 0; k < taps.width; ++k) {
      q[shift + k] = int(std::lround(wt[k] * kOne));
      total += q[shift + k];
      if (q[shift + k] > q[largest]) largest = shift + k;
    }
    // Rounding must not brighten or darken flat areas.
    q[largest] += int(kOne) - total;
    return first;
  };

  const int grayPadded = (taps.width + 15) / 16 * 16;
  if (grayPadded <= inSize) {
    taps.widthGray = grayPadded;
    taps.firstGray.resize(outSize);
    taps.weightsGray.resize(size_t(outSize) * grayPadded);
    for (int i = 0; i < outSize; ++i) {
      taps.firstGray[i] = quantise(i, grayPadded);
      std::copy(q.begin(), q.end(), &taps.weightsGray[size_t(i) * grayPadded]);
    }
  }

  const int padded = (taps.width + 7) / 8 * 8;
  if (padded > inSize) return taps;
  taps.width16 = padded;
  taps.first16.resize(outSize);
  taps.pairs16.resize(size_t(outSize) * padded * 2);
  for (int i = 0; i < outSize; ++i) {
    taps.first16[i] = quantise(i, padded);
    int32_t* out = &taps.pairs16[size_t(i) * padded * 2];
    auto pair = [&](int k) { return int32_t(uint16_t(q[k]) | uint32_t(uint16_t(q[k + 1])) << 16); };
    for (int g = 0; g < padded; g += 8, out += 16) {
      std::fill_n(out, 4, pair(g));
      std::fill_n(out + 4, 4, pair(g + 4));
      std::fill_n(out + 8, 4, pair(g + 2));
      std::fill_n(out + 12, 4, pair(g + 6));
    }
  }
  return taps;
}

std::shared_ptr<const Taps> SharedTaps(int inSize, int outSize) {
  // A batch resizes file after file of one camera to one size: the same few pairs recur.
  struct Entry {
    int in, out;
    std::shared_ptr<const Taps> taps;
  };
  static std::mutex mutex;
  static std::deque<Entry> recent;
  {
    const std::lock_guard lock(mutex);
    for (const Entry& e : recent) {
      if (e.in == inSize && e.out == outSize) return e.taps;
    }
  }
  auto taps = std::make_shared<const Taps>(ComputeTaps(inSize, outSize));
  const std::lock_guard lock(mutex);
  recent.push_front({inSize, outSize, taps});
  if (recent.size() > 16) recent.pop_back();
  return taps;
}

namespace {

#if defined(__x86_64__) || defined(__i386__)
// Eight taps a step in 16-bit fixed point: the bytes of two pixels interleaved per channel, so
// that one multiply-add of pairs weighs both taps of each channel at once. Gives the four
// channels of output pixel x times 1 << 14.
__attribute__((target("avx2,fma"))) inline __m128i FilterPixelArgb32Avx2(const uint8_t* src,
                                                                         const Taps& h, int x) {
  const int taps = h.width16;
  constexpr char z = -128;  // a zero byte
  const __m256i pairsA = _mm256_setr_epi8(0, z, 4, z, 1, z, 5, z, 2, z, 6, z, 3, z, 7, z,  //
                                          0, z, 4, z, 1, z, 5, z, 2, z, 6, z, 3, z, 7, z);
  const __m256i pairsB = _mm256_setr_epi8(8, z, 12, z, 9, z, 13, z, 10, z, 14, z, 11, z, 15, z,  //
                                          8, z, 12, z, 9, z, 13, z, 10, z, 14, z, 11, z, 15, z);
  const __m256i* w = reinterpret_cast<const __m256i*>(&h.pairs16[size_t(x) * taps * 2]);
  const uint8_t* s = src + size_t(h.first16[x]) * 4;
  __m256i a = _mm256_setzero_si256();
  __m256i b = _mm256_setzero_si256();
  for (int k = 0; k < taps; k += 8, w += 2) {
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + k * 4));
    a = _mm256_add_epi32(a,
                         _mm256_madd_epi16(_mm256_shuffle_epi8(p, pairsA), _mm256_loadu_si256(w)));
    b = _mm256_add_epi32(
        b, _mm256_madd_epi16(_mm256_shuffle_epi8(p, pairsB), _mm256_loadu_si256(w + 1)));
  }
  a = _mm256_add_epi32(a, b);
  return _mm_add_epi32(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
}

__attribute__((target("avx2,fma"))) void FilterRowArgb32Avx2(const uint8_t* src, const Taps& h,
                                                             int outW, float* dst) {
  const __m128 unit = _mm_set1_ps(1.0f / (1 << 14));
  for (int x = 0; x < outW; ++x) {
    const __m128i sum = FilterPixelArgb32Avx2(src, h, x);
    _mm_storeu_ps(dst + size_t(x) * 4, _mm_mul_ps(_mm_cvtepi32_ps(sum), unit));
  }
}

__attribute__((target("avx2,fma"))) void FilterRowArgb32FixedAvx2(const uint8_t* src, const Taps& h,
                                                                  int outW, int16_t* dst) {
  const __m128i half = _mm_set1_epi32(1 << 7);
  for (int x = 0; x < outW; ++x) {
    const __m128i sum = _mm_srai_epi32(_mm_add_epi32(FilterPixelArgb32Avx2(src, h, x), half), 8);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + size_t(x) * 4), _mm_packs_epi32(sum, sum));
  }
}

// The same for two rows at once, which share the taps: their weights, the larger part of the
// pass's memory traffic, are loaded once for both. Gives the same samples as two single rows.
__attribute__((target("avx2,fma"))) void FilterTwoRowsArgb32FixedAvx2(const uint8_t* src0,
                                                                      const uint8_t* src1,
                                                                      const Taps& h, int outW,
                                                                      int16_t* dst0,
                                                                      int16_t* dst1) {
  const int taps = h.width16;
  constexpr char z = -128;
  const __m256i pairsA = _mm256_setr_epi8(0, z, 4, z, 1, z, 5, z, 2, z, 6, z, 3, z, 7, z,  //
                                          0, z, 4, z, 1, z, 5, z, 2, z, 6, z, 3, z, 7, z);
  const __m256i pairsB = _mm256_setr_epi8(8, z, 12, z, 9, z, 13, z, 10, z, 14, z, 11, z, 15, z,  //
                                          8, z, 12, z, 9, z, 13, z, 10, z, 14, z, 11, z, 15, z);
  const __m128i half = _mm_set1_epi32(1 << 7);
  for (int x = 0; x < outW; ++x) {
    const __m256i* w = reinterpret_cast<const __m256i*>(&h.pairs16[size_t(x) * taps * 2]);
    const size_t first = size_t(h.first16[x]) * 4;
    const uint8_t* s0 = src0 + first;
    const uint8_t* s1 = src1 + first;
    __m256i a0 = _mm256_setzero_si256(), b0 = a0, a1 = a0, b1 = a0;
    for (int k = 0; k < taps; k += 8, w += 2) {
      const __m256i wa = _mm256_loadu_si256(w);
      const __m256i wb = _mm256_loadu_si256(w + 1);
      const __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s0 + k * 4));
      const __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s1 + k * 4));
      a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_shuffle_epi8(p0, pairsA), wa));
      b0 = _mm256_add_epi32(b0, _mm256_madd_epi16(_mm256_shuffle_epi8(p0, pairsB), wb));
      a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(_mm256_shuffle_epi8(p1, pairsA), wa));
      b1 = _mm256_add_epi32(b1, _mm256_madd_epi16(_mm256_shuffle_epi8(p1, pairsB), wb));
    }
    a0 = _mm256_add_epi32(a0, b0);
    a1 = _mm256_add_epi32(a1, b1);
    const __m128i sum0 = _mm_add_epi32(_mm256_castsi256_si128(a0), _mm256_extracti128_si256(a0, 1));
    const __m128i sum1 = _mm_add_epi32(_mm256_castsi256_si128(a1), _mm256_extracti128_si256(a1, 1));
    const __m128i both = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(sum0, half), 8),
                                         _mm_srai_epi32(_mm_add_epi32(sum1, half), 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst0 + size_t(x) * 4), both);
    _mm_storeh_pd(reinterpret_cast<double*>(dst1 + size_t(x) * 4), _mm_castsi128_pd(both));
  }
}

// One channel: sixteen taps a multiply-add, over kRows rows that share the weights; kTaps is the
// window, or any when 0. Leaves eight partial sums of output sample x per row.
template <int kTaps, int kRows>
__attribute__((target("avx2,fma"))) inline void SumGray8Avx2(const uint8_t* const* src,
                                                             const Taps& h, int x, __m256i* acc) {
  const int taps = kTaps > 0 ? kTaps : h.widthGray;
  const int16_t* w = &h.weightsGray[size_t(x) * taps];
  const int first = h.firstGray[x];
  for (int r = 0; r < kRows; ++r) acc[r] = _mm256_setzero_si256();
  for (int k = 0; k < taps; k += 16) {
    const __m256i wk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + k));
    for (int r = 0; r < kRows; ++r) {
      const __m256i p = _mm256_cvtepu8_epi16(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[r] + first + k)));
      acc[r] = _mm256_add_epi32(acc[r], _mm256_madd_epi16(p, wk));
    }
  }
}

// The partial sums of four output samples, added up, rounded from 1 << 14 to 64 and stored.
__attribute__((target("avx2,fma"))) inline void StoreFourGray(__m256i s0, __m256i s1, __m256i s2,
                                                              __m256i s3, int16_t* dst) {
  const __m256i all = _mm256_hadd_epi32(_mm256_hadd_epi32(s0, s1), _mm256_hadd_epi32(s2, s3));
  __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(all), _mm256_extracti128_si256(all, 1));
  sum = _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << 7)), 8);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packs_epi32(sum, sum));
}

template <int kTaps, int kRows>
__attribute__((target("avx2,fma"))) void FilterRowsGray8(const uint8_t* const* src, const Taps& h,
                                                         int outW, int16_t* const* dst) {
  int x = 0;
  for (; x + 4 <= outW; x += 4) {
    __m256i s[4][kRows];
    for (int i = 0; i < 4; ++i) SumGray8Avx2<kTaps, kRows>(src, h, x + i, s[i]);
    for (int r = 0; r < kRows; ++r) StoreFourGray(s[0][r], s[1][r], s[2][r], s[3][r], dst[r] + x);
  }
  for (; x < outW; ++x) {
    __m256i s[kRows];
    SumGray8Avx2<kTaps, kRows>(src, h, x, s);
    for (int r = 0; r < kRows; ++r) {
      __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(s[r]), _mm256_extracti128_si256(s[r], 1));
      sum = _mm_hadd_epi32(sum, sum);
      sum = _mm_hadd_epi32(sum, sum);
      dst[r][x] = int16_t((_mm_cvtsi128_si32(sum) + (1 << 7)) >> 8);
    }
  }
}

// kRows rows filtered horizontally into samples times 64, as the four-channel pass gives them.
template <int kRows>
__attribute__((target("avx2,fma"))) void FilterRowsGray8FixedAvx2(const uint8_t* const* src,
                                                                  const Taps& h, int outW,
                                                                  int16_t* const* dst) {
  switch (h.widthGray) {
    case 16:
      return FilterRowsGray8<16, kRows>(src, h, outW, dst);
    case 32:
      return FilterRowsGray8<32, kRows>(src, h, outW, dst);
    case 48:
      return FilterRowsGray8<48, kRows>(src, h, outW, dst);
    default:
      return FilterRowsGray8<0, kRows>(src, h, outW, dst);
  }
}

// Sums 16 samples from i of every row pair times its two packed 16-bit weights into lo and hi
// (samples 0-3 and 8-11 in lo, 4-7 and 12-15 in hi, as the unpacking orders them).
__attribute__((always_inline, target("avx2,fma"))) inline void SumRowPairsAvx2(
    const int16_t* const* rows, const int32_t* pairs, int pairCount, size_t i, __m256i* lo,
    __m256i* hi) {
  for (int k = 0; k < pairCount; ++k) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * k] + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * k + 1] + i));
    const __m256i w = _mm256_set1_epi32(pairs[k]);
    *lo = _mm256_add_epi32(*lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w));
    *hi = _mm256_add_epi32(*hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w));
  }
}

// Sixteen samples (four pixels) a step, two rows a multiply-add; the sum is the sample times
// 1 << 20, rounded back, held to [0, alpha] for colour and [0, 255] for alpha.
__attribute__((target("avx2,fma"))) void WeightedSumArgb32FixedAvx2(const int16_t* const* rows,
                                                                    const int32_t* pairs,
                                                                    int pairCount, int outW,
                                                                    uint8_t* dst) {
  const size_t n = size_t(outW) * 4;
  const __m256i half = _mm256_set1_epi32(1 << 19);
  const __m256i top = _mm256_set1_epi16(255);
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256i lo = half, hi = half;
    SumRowPairsAvx2(rows, pairs, pairCount, i, &lo, &hi);
    __m256i v = _mm256_packs_epi32(_mm256_srai_epi32(lo, 20), _mm256_srai_epi32(hi, 20));
    v = _mm256_max_epi16(v, _mm256_setzero_si256());
    const __m256i alpha =
        _mm256_min_epi16(_mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xFF), 0xFF), top);
    v = _mm256_min_epi16(v, _mm256_blend_epi16(alpha, top, 0x88));
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm256_castsi256_si128(bytes));
  }
  for (; i < n; i += 4) {
    int v[4];
    for (int c = 0; c < 4; ++c) {
      int sum = 1 << 19;
      for (int k = 0; k < pairCount; ++k) {
        sum += int16_t(pairs[k]) * rows[2 * k][i + c] + (pairs[k] >> 16) * rows[2 * k + 1][i + c];
      }
      v[c] = std::max(sum >> 20, 0);
    }
    const int alpha = std::min(v[3], 255);
    for (int c = 0; c < 4; ++c) dst[i + c] = uint8_t(std::min(v[c], c == 3 ? 255 : alpha));
  }
}

// One channel to 16 bits: the sum (the sample times 1 << 20) rounded to the sample times 256 and
// held to [0, 255 x 256].
__attribute__((target("avx2,fma"))) void WeightedSumWideFixedAvx2(const int16_t* const* rows,
                                                                  const int32_t* pairs,
                                                                  int pairCount, size_t n,
                                                                  uint16_t* dst) {
  const __m256i half = _mm256_set1_epi32(1 << 11);
  const __m256i top = _mm256_set1_epi32(255 << 8);
  size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256i lo = half, hi = half;
    SumRowPairsAvx2(rows, pairs, pairCount, i, &lo, &hi);
    lo = _mm256_min_epi32(_mm256_srai_epi32(lo, 12), top);
    hi = _mm256_min_epi32(_mm256_srai_epi32(hi, 12), top);
    // Unpacking paired samples 0-3 with 8-11 and 4-7 with 12-15: the pack puts them back in order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi32(lo, hi));
  }
  for (; i < n; ++i) {
    int sum = 1 << 11;
    for (int k = 0; k < pairCount; ++k) {
      sum += int16_t(pairs[k]) * rows[2 * k][i] + (pairs[k] >> 16) * rows[2 * k + 1][i];
    }
    dst[i] = uint16_t(std::clamp(sum >> 12, 0, 255 << 8));
  }
}

__attribute__((target("avx2,fma"))) void AccumulateAvx2(float* acc, const float* row, float weight,
                                                        size_t n) {
  const __m256 w = _mm256_set1_ps(weight);
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    _mm256_storeu_ps(acc + i,
                     _mm256_fmadd_ps(w, _mm256_loadu_ps(row + i), _mm256_loadu_ps(acc + i)));
  }
  for (; i < n; ++i) acc[i] += weight * row[i];
}

// Two pixels a step: rounded to the nearest (halves to even, as nearbyint), colour held to
// [0, alpha] and alpha to [0, 255].
__attribute__((target("avx2,fma"))) void WriteRowArgb32Avx2(const float* acc, int outW,
                                                            uint8_t* dst) {
  const __m256 zero = _mm256_setzero_ps();
  const __m256 top = _mm256_set1_ps(255.0f);
  int x = 0;
  for (; x + 1 < outW; x += 2) {
    const __m256 v = _mm256_round_ps(_mm256_loadu_ps(acc + x * 4),
                                     _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256 alpha = _mm256_min_ps(_mm256_max_ps(_mm256_permute_ps(v, 0xFF), zero), top);
    const __m256 limit = _mm256_blend_ps(alpha, top, 0x88);
    const __m256 clamped = _mm256_min_ps(_mm256_max_ps(v, zero), limit);
    const __m256i ints = _mm256_cvtps_epi32(clamped);
    const __m128i words =
        _mm_packus_epi32(_mm256_castsi256_si128(ints), _mm256_extracti128_si256(ints, 1));
    const __m128i bytes = _mm_packus_epi16(words, words);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x * 4), bytes);
  }
  for (; x < outW; ++x) {
    const float* a = &acc[size_t(x) * 4];
    const float alpha = std::clamp(std::nearbyint(a[3]), 0.0f, 255.0f);
    for (int c = 0; c < 4; ++c) {
      dst[x * 4 + c] = uint8_t(std::clamp(std::nearbyint(a[c]), 0.0f, c == 3 ? 255.0f : alpha));
    }
  }
}

__attribute__((target("avx2,fma"))) void WeightedSumAvx2(float* out, const float* const* rows,
                                                         const float* weights, int count,
                                                         size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256 sum = _mm256_setzero_ps();
    for (int k = 0; k < count; ++k) {
      sum = _mm256_fmadd_ps(_mm256_set1_ps(weights[k]), _mm256_loadu_ps(rows[k] + i), sum);
    }
    _mm256_storeu_ps(out + i, sum);
  }
  for (; i < n; ++i) {
    float sum = 0.0f;
    for (int k = 0; k < count; ++k) sum += weights[k] * rows[k][i];
    out[i] = sum;
  }
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}
#endif

bool HasFixedArgb32(const Taps& h) {
#if defined(__x86_64__) || defined(__i386__)
  return HasAvx2() && h.width16 > 0;
#else
  (void)h;
  return false;
#endif
}

bool HasFixedGray8(const Taps& h) {
#if defined(__x86_64__) || defined(__i386__)
  return HasAvx2() && h.widthGray > 0;
#else
  (void)h;
  return false;
#endif
}

}  // namespace

void Accumulate(float* acc, const float* row, float weight, size_t n) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAvx2()) {
    AccumulateAvx2(acc, row, weight, n);
    return;
  }
#endif
  for (size_t i = 0; i < n; ++i) acc[i] += weight * row[i];
}

void WeightedSum(float* out, const float* const* rows, const float* weights, int count, size_t n) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAvx2()) {
    WeightedSumAvx2(out, rows, weights, count, n);
    return;
  }
#endif
  std::fill(out, out + n, 0.0f);
  for (int k = 0; k < count; ++k) Accumulate(out, rows[k], weights[k], n);
}

void WriteRowArgb32(const float* acc, int outW, uint8_t* dst) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAvx2()) {
    WriteRowArgb32Avx2(acc, outW, dst);
    return;
  }
#endif
  for (int x = 0; x < outW; ++x) {
    const float* a = &acc[size_t(x) * 4];
    const float alpha = std::clamp(std::nearbyint(a[3]), 0.0f, 255.0f);
    for (int c = 0; c < 4; ++c) {
      dst[x * 4 + c] = uint8_t(std::clamp(std::nearbyint(a[c]), 0.0f, c == 3 ? 255.0f : alpha));
    }
  }
}

void FilterRowArgb32(const uint8_t* src, const Taps& h, int outW, float* dst) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAvx2() && h.width16 > 0) {
    FilterRowArgb32Avx2(src, h, outW, dst);
    return;
  }
#endif
  const int taps = h.width;
  for (int x = 0; x < outW; ++x) {
    const float* wt = &h.weights[size_t(x) * taps];
    const uint8_t* s = src + size_t(h.first[x]) * 4;
    float sum[4] = {};
    for (int k = 0; k < taps; ++k) {
      for (int c = 0; c < 4; ++c) sum[c] += wt[k] * float(s[k * 4 + c]);
    }
    for (int c = 0; c < 4; ++c) dst[x * 4 + c] = sum[c];
  }
}

}  // namespace resample

struct RowResampler::Impl {
  QSize in, out;
  int channels = 0;
  std::shared_ptr<const resample::Taps> h, v;
  std::vector<float> ring;  // `ringRows` horizontally filtered rows
  int ringRows = 0;
  std::vector<float> acc;
  std::vector<const float*> rows;  // the ring rows of one output row, and their weights
  std::vector<float> weights;
  size_t rowFloats = 0;
  int pushed = 0;
  int emitted = 0;
  QImage image;
  std::function<void(const uchar*, float*)> filter;
  std::function<void(const float*, uchar*)> write;
  // 8-bit colour, or 8-bit grey to 16 bits, on a machine with the vector units: the ring holds
  // samples times 64 in int16 and the vertical pass weighs pairs of rows in 2.14 fixed point.
  bool valid = false;
  bool fixed = false;
  bool wide = false;  // 8-bit samples in, 16-bit out
  std::function<void(int, const uchar*)> sink;
  std::vector<uint16_t> sinkRow;

  bool makeOutput();
  std::vector<int16_t> ring16;
  std::vector<const int16_t*> rows16;
  std::vector<int32_t> pairs;

  void emitReadyRowsFixed() {
#if defined(__x86_64__) || defined(__i386__)
    const int ringSize = v->width;
    std::vector<int> q(size_t(ringSize) + 1);
    while (emitted < out.height() && v->first[emitted] + ringSize <= pushed) {
      const float* wt = &v->weights[size_t(emitted) * ringSize];
      int count = 0, total = 0, largest = 0;
      for (int k = 0; k < ringSize; ++k) {
        if (wt[k] == 0.0f) continue;
        const int row = v->first[emitted] + k;
        rows16[count] = &ring16[rowFloats * size_t(row % ringRows)];
        q[count] = int(std::lround(wt[k] * (1 << 14)));
        total += q[count];
        if (q[count] > q[largest]) largest = count;
        ++count;
      }
      if (count == 0) {
        rows16[count] = ring16.data();  // no weights: a black row, as the float road gives
        q[count++] = 0;
      } else {
        q[largest] += (1 << 14) - total;  // flat areas stay flat
      }
      if (count % 2 != 0) {
        rows16[count] = rows16[0];
        q[count++] = 0;
      }
      for (int k = 0; k < count; k += 2) {
        pairs[k / 2] = int32_t(uint16_t(q[k]) | uint32_t(uint16_t(q[k + 1])) << 16);
      }
      if (wide) {
        uint16_t* dst =
            sink ? sinkRow.data() : reinterpret_cast<uint16_t*>(image.scanLine(emitted));
        resample::WeightedSumWideFixedAvx2(rows16.data(), pairs.data(), count / 2, rowFloats, dst);
        if (sink) sink(emitted, reinterpret_cast<const uchar*>(dst));
      } else {
        resample::WeightedSumArgb32FixedAvx2(rows16.data(), pairs.data(), count / 2, out.width(),
                                             image.scanLine(emitted));
      }
      ++emitted;
    }
#endif
  }

  void emitReadyRows() {
    if (fixed) {
      emitReadyRowsFixed();
      return;
    }
    const int ringSize = v->width;
    while (emitted < out.height() && v->first[emitted] + ringSize <= pushed) {
      const float* wt = &v->weights[size_t(emitted) * ringSize];
      int count = 0;
      for (int k = 0; k < ringSize; ++k) {
        if (wt[k] == 0.0f) continue;
        const int row = v->first[emitted] + k;
        rows[count] = &ring[rowFloats * size_t(row % ringRows)];
        weights[count] = wt[k];
        ++count;
      }
      resample::WeightedSum(acc.data(), rows.data(), weights.data(), count, rowFloats);
      write(acc.data(), image.scanLine(emitted));
      ++emitted;
    }
  }
};

namespace {

template <typename T, int C>
void Bind(RowResampler::Impl& d, int alphaChannel, float maxValue) {
  d.channels = C;
  d.filter = [&d](const uchar* row, float* dst) {
    resample::FilterRow<T, C>(reinterpret_cast<const T*>(row), *d.h, d.out.width(), dst);
  };
  d.write = [&d, alphaChannel, maxValue](const float* acc, uchar* dst) {
    resample::WriteRow<T, C>(acc, d.out.width(), alphaChannel, maxValue, reinterpret_cast<T*>(dst));
  };
}

}  // namespace

RowResampler::RowResampler(QSize in, QSize out, QImage::Format format, QImage::Format outFormat)
    : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  if (in.isEmpty() || out.isEmpty()) return;
  if (outFormat != QImage::Format_Invalid && outFormat != format) {
    if (format != QImage::Format_Grayscale8 || outFormat != QImage::Format_Grayscale16) return;
    d.wide = true;
  }
  switch (format) {
    case QImage::Format_Grayscale8:
      Bind<uint8_t, 1>(d, -1, 255.0f);
      break;
    case QImage::Format_Grayscale16:
      Bind<uint16_t, 1>(d, -1, 65535.0f);
      break;
    case QImage::Format_ARGB32_Premultiplied:
      Bind<uint8_t, 4>(d, 3, 255.0f);
      break;
    case QImage::Format_RGBA64_Premultiplied:
      Bind<uint16_t, 4>(d, 3, 65535.0f);
      break;
    default:
      return;
  }
  // A 16-bit grey output is made at the first row, unless its rows go to a sink instead.
  if (!d.wide) d.image = QImage(out, format);
  if (!d.wide && d.image.isNull()) return;
  d.in = in;
  d.out = out;
  d.h = resample::SharedTaps(in.width(), out.width());
  d.v = resample::SharedTaps(in.height(), out.height());
  d.rowFloats = size_t(out.width()) * d.channels;
  d.fixed = (format == QImage::Format_ARGB32_Premultiplied && resample::HasFixedArgb32(*d.h)) ||
            (d.wide && resample::HasFixedGray8(*d.h));
  d.ringRows = d.v->width;
  if (d.wide && !d.fixed) return;
  d.valid = true;
  if (d.fixed) {
    // One slot more: two rows are filtered before the ready output rows are taken.
    d.ringRows = d.v->width + 1;
    d.ring16.assign(d.rowFloats * size_t(d.ringRows), 0);
    d.rows16.resize(size_t(d.v->width) + 1);
    d.pairs.resize(size_t(d.v->width) / 2 + 1);
    return;
  }
  d.ring.assign(d.rowFloats * size_t(d.v->width), 0.0f);
  d.acc.assign(d.rowFloats, 0.0f);
  d.rows.resize(size_t(d.v->width));
  d.weights.resize(size_t(d.v->width));
}

RowResampler::~RowResampler() = default;

bool RowResampler::isValid() const { return impl_->valid; }

// The 16-bit grey output comes into being with the first row: false when it cannot.
bool RowResampler::Impl::makeOutput() {
  if (!wide || sink || !image.isNull()) return true;
  image = QImage(out, QImage::Format_Grayscale16);
  valid = !image.isNull();
  return valid;
}

bool RowResampler::setRowSink(std::function<void(int, const uchar*)> sink) {
  Impl& d = *impl_;
  if (!isValid() || !d.wide || d.pushed > 0 || !d.image.isNull() || !sink) return false;
  d.sink = std::move(sink);
  d.sinkRow.resize(d.rowFloats);
  return true;
}

void RowResampler::pushRow(const uchar* row) {
  Impl& d = *impl_;
  if (!isValid() || d.pushed >= d.in.height() || !d.makeOutput()) return;
#if defined(__x86_64__) || defined(__i386__)
  if (d.fixed) {
    int16_t* dst = &d.ring16[d.rowFloats * size_t(d.pushed % d.ringRows)];
    if (d.channels == 4) {
      resample::FilterRowArgb32FixedAvx2(row, *d.h, d.out.width(), dst);
    } else {
      resample::FilterRowsGray8FixedAvx2<1>(&row, *d.h, d.out.width(), &dst);
    }
  } else
#endif
  {
    d.filter(row, &d.ring[d.rowFloats * size_t(d.pushed % d.ringRows)]);
  }
  ++d.pushed;
  d.emitReadyRows();
}

void RowResampler::pushRows(const uchar* first, qsizetype stride, int count) {
  Impl& d = *impl_;
  int i = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (isValid() && d.fixed && d.makeOutput()) {
    for (; i + 1 < count && d.pushed + 1 < d.in.height(); i += 2) {
      const uchar* rows[2] = {first + stride * i, first + stride * (i + 1)};
      int16_t* ring[2] = {&d.ring16[d.rowFloats * size_t(d.pushed % d.ringRows)],
                          &d.ring16[d.rowFloats * size_t((d.pushed + 1) % d.ringRows)]};
      if (d.channels == 4) {
        resample::FilterTwoRowsArgb32FixedAvx2(rows[0], rows[1], *d.h, d.out.width(), ring[0],
                                               ring[1]);
      } else {
        resample::FilterRowsGray8FixedAvx2<2>(rows, *d.h, d.out.width(), ring);
      }
      d.pushed += 2;
      d.emitReadyRows();
    }
  }
#endif
  for (; i < count; ++i) pushRow(first + stride * i);
}

QImage RowResampler::take() {
  Impl& d = *impl_;
  if (!isValid() || d.emitted < d.out.height()) return QImage();
  return std::move(d.image);
}

}  // namespace glimbrik
