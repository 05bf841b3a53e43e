// MT19937: state recurrence, tempering and the two reference seedings.
#include "core/random.h"

namespace {
constexpr int kM = 397;
constexpr uint32_t kMatrixA = 0x9908B0DFu;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;
}  // namespace

TRandom::TRandom() {
  static const uint32_t kDefaultSeed[4] = {0xD4C4CF4Bu, 0x3E2019A7u, 0xE6489797u, 0x5746FCB5u};
  InitByArray(kDefaultSeed, 4);
}

void TRandom::InitGenrand(uint32_t seed) {
  mState[0] = seed;
  for (uint32_t i = 1; i < kN; ++i)
    mState[i] = 1812433253u * (mState[i - 1] ^ (mState[i - 1] >> 30)) + i;
  mIndex = kN;
}

void TRandom::InitByArray(const uint32_t* words, std::size_t count) {
  // Without words the key contributes nothing, which is what the single word 0 does.
  static const uint32_t kZero = 0;
  if (words == nullptr || count == 0) {
    words = &kZero;
    count = 1;
  }
  InitGenrand(19650218u);
  uint32_t i = 1;
  std::size_t j = 0;
  for (std::size_t k = count > kN ? count : kN; k > 0; --k) {
    mState[i] = (mState[i] ^ ((mState[i - 1] ^ (mState[i - 1] >> 30)) * 1664525u)) + words[j] +
                uint32_t(j);
    if (++i >= kN) {
      mState[0] = mState[kN - 1];
      i = 1;
    }
    if (++j >= count) j = 0;
  }
  for (int k = kN - 1; k > 0; --k) {
    mState[i] = (mState[i] ^ ((mState[i - 1] ^ (mState[i - 1] >> 30)) * 1566083941u)) - i;
    if (++i >= kN) {
      mState[0] = mState[kN - 1];
      i = 1;
    }
  }
  mState[0] = 0x80000000u;
}

void TRandom::Regenerate() {
  for (int k = 0; k < kN; ++k) {
    uint32_t y = (mState[k] & kUpperMask) | (mState[(k + 1) % kN] & kLowerMask);
    mState[k] = mState[(k + kM) % kN] ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
  }
  mIndex = 0;
}

uint32_t TRandom::Next() {
  if (mIndex >= kN) Regenerate();
  uint32_t y = mState[mIndex++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

double TRandom::RandomReal53() {
  uint32_t a = Next() >> 5;
  uint32_t b = Next() >> 6;
  return (double(a) * 67108864.0 + double(b)) * (1.0 / 9007199254740992.0);
}
