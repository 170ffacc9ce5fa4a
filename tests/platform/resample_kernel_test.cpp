#include "platform/resample_kernel.h"

#include <gtest/gtest.h>

#include <random>

namespace glimbrik {
namespace {

// The 8-bit horizontal pass (fixed point where the machine has the vector units) against the
// float weights in double precision, on noise and on a flat row, including rows too narrow for
// the padded window and enlargements.
TEST(ResampleKernel, EightBitRowPassMatchesTheFloatWeights) {
  const std::pair<int, int> sizes[] = {{6000, 1600}, {4000, 1067}, {1001, 400}, {37, 10},
                                       {7, 3},       {3, 2},       {10, 23},    {1, 5}};
  std::mt19937 random(7);
  for (const auto& [in, out] : sizes) {
    SCOPED_TRACE(std::to_string(in) + " -> " + std::to_string(out));
    const resample::Taps taps = resample::ComputeTaps(in, out);
    ASSERT_LE(taps.width, in);
    std::vector<uint8_t> noise(size_t(in) * 4), flat(size_t(in) * 4, 200);
    for (uint8_t& b : noise) b = uint8_t(random() % 256);
    std::vector<float> got(size_t(out) * 4), level(size_t(out) * 4);
    resample::FilterRow<uint8_t, 4>(noise.data(), taps, out, got.data());
    resample::FilterRow<uint8_t, 4>(flat.data(), taps, out, level.data());
    for (int x = 0; x < out; ++x) {
      ASSERT_GE(taps.first[x], 0);
      ASSERT_LE(taps.first[x] + taps.width, in);
      for (int c = 0; c < 4; ++c) {
        double want = 0.0;
        for (int k = 0; k < taps.width; ++k) {
          want += double(taps.weights[size_t(x) * taps.width + k]) *
                  noise[size_t(taps.first[x] + k) * 4 + c];
        }
        EXPECT_NEAR(got[x * 4 + c], want, 0.1) << "x " << x << " channel " << c;
        EXPECT_NEAR(level[x * 4 + c], 200.0f, 1e-3) << "x " << x << " channel " << c;
      }
    }
  }
}

}  // namespace
}  // namespace glimbrik
