// The framework's random numbers: the MT19937 Mersenne Twister with its reference seedings, so a
// given seed always gives the same sequence. A default-constructed generator has a fixed seed.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

class TRandom {
 public:
  // Seeds with InitByArray of four fixed words.
  TRandom();

  // The reference seeding by one word.
  void InitGenrand(uint32_t seed);
  // The reference seeding by an array of words. No words (count 0) seeds as the single word 0.
  void InitByArray(const uint32_t* words, std::size_t count);
  // The next 32-bit output.
  uint32_t Next();
  // A double in [0, 1) with 53 random bits, made from two draws.
  double RandomReal53();

 private:
  static constexpr int kN = 624;
  void Regenerate();

  std::array<uint32_t, kN> mState{};
  uint32_t mIndex = kN + 1;
};
