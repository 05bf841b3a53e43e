// The 16-round Blowfish block cipher with its standard key schedule, used in ECB mode with 1-8 bytes
// of padding (each holding the pad count) by the data cipher. Blocks are two big-endian 32-bit halves.
#pragma once
#include <cstdint>
#include <vector>

class Blowfish {
public:
  Blowfish();

  // Loads the standard tables and mixes in the key (bytes reused cyclically). An empty key leaves
  // the P-array unmixed but still runs the schedule.
  void SetKey(const uint8_t* key, int keyLength);

  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

  // Pads (1-8 bytes of the pad count) and enciphers every 8-byte block on its own.
  std::vector<uint8_t> EncryptBuffer(const uint8_t* bytes, int length) const;
  // Deciphers and strips the padding. False when the length is no multiple of 8 or the padding is
  // not 1-8 bytes that all hold their count: a wrong key or damaged bytes, not a value.
  bool DecryptBuffer(const uint8_t* bytes, int length, std::vector<uint8_t>& out) const;

  // Length in bytes of the last output the data cipher handed out.
  int32_t mLastLength = 0;

private:
  uint32_t F(uint32_t x) const;

  uint32_t mS[4][256];
  uint32_t mP[18];
};
