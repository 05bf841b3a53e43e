// Blowfish against published known answers, base64 against the standard vectors, and the data
// cipher's sizes, key handling and refusal of data that was not enciphered under its key.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/blowfish.h"
#include "core/datacipher.h"

namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string ToHex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string EncryptOneBlock(const std::vector<uint8_t>& key, const std::vector<uint8_t>& plain) {
  Blowfish bf;
  bf.SetKey(key.data(), int(key.size()));
  uint32_t l = (uint32_t(plain[0]) << 24) | (uint32_t(plain[1]) << 16) | (uint32_t(plain[2]) << 8) | plain[3];
  uint32_t r = (uint32_t(plain[4]) << 24) | (uint32_t(plain[5]) << 16) | (uint32_t(plain[6]) << 8) | plain[7];
  const uint32_t l0 = l, r0 = r;
  bf.EncryptBlock(l, r);
  uint8_t out[8] = {uint8_t(l >> 24), uint8_t(l >> 16), uint8_t(l >> 8), uint8_t(l),
                    uint8_t(r >> 24), uint8_t(r >> 16), uint8_t(r >> 8), uint8_t(r)};
  bf.DecryptBlock(l, r);
  EXPECT_EQ(l, l0);
  EXPECT_EQ(r, r0);
  return ToHex(out, 8);
}

struct BlockVector {
  std::string key, plain, cipher;
};

TEST(Blowfish, MatchesPublishedKnownAnswers) {
  const BlockVector vectors[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
      {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
      {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
      {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
      {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
      {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
      {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
      {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
  };
  for (const BlockVector& v : vectors) {
    EXPECT_EQ(EncryptOneBlock(Hex(v.key), Hex(v.plain)), v.cipher) << "key " << v.key;
  }
}

// Keys of other lengths than 8 bytes reuse their bytes cyclically through the P-array.
TEST(Blowfish, KeysOfAnyLengthMatchKnownAnswers) {
  const std::vector<uint8_t> longKey = Hex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
  const struct {
    int length;
    std::string cipher;
  } prefixes[] = {
      {1, "F9AD597C49DB005E"}, {2, "E91D21C1D961A6D6"}, {3, "E9C2B70A1BC65CF3"},
      {8, "E87A244E2CC85E82"}, {9, "15750E7A4F4EC577"},
  };
  for (const auto& p : prefixes) {
    std::vector<uint8_t> key(longKey.begin(), longKey.begin() + p.length);
    EXPECT_EQ(EncryptOneBlock(key, Hex("FEDCBA9876543210")), p.cipher) << "key length " << p.length;
  }
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
  const std::string plain = "BLOWFISH";
  EXPECT_EQ(EncryptOneBlock(std::vector<uint8_t>(alphabet.begin(), alphabet.end()),
                            std::vector<uint8_t>(plain.begin(), plain.end())),
            "324ED0FEF413A203");
  const std::string galt = "Who is John Galt?";
  EXPECT_EQ(EncryptOneBlock(std::vector<uint8_t>(galt.begin(), galt.end()), Hex("FEDCBA9876543210")),
            "CC91732B8022F684");
}

TEST(Blowfish, DecryptBufferRefusesBadPaddingAndOddLengths) {
  Blowfish bf;
  const uint8_t key[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  bf.SetKey(key, 9);
  std::vector<uint8_t> out;
  // Encipher blocks whose last byte looks like a pad count but whose other pad bytes disagree.
  const struct {
    std::vector<uint8_t> block;
    bool valid;
  } blocks[] = {
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 1}, true},
      {{'a', 'b', 'c', 'd', 'e', 'f', 2, 2}, true},
      {{8, 8, 8, 8, 8, 8, 8, 8}, true},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 0}, false},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 9}, false},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 0x85}, false},
      {{'a', 'b', 'c', 'd', 'e', 'f', 'g', 2}, false},
      {{'a', 8, 8, 8, 8, 8, 8, 8}, false},
  };
  for (const auto& b : blocks) {
    std::vector<uint8_t> raw = b.block;
    uint32_t l = (uint32_t(raw[0]) << 24) | (uint32_t(raw[1]) << 16) | (uint32_t(raw[2]) << 8) | raw[3];
    uint32_t r = (uint32_t(raw[4]) << 24) | (uint32_t(raw[5]) << 16) | (uint32_t(raw[6]) << 8) | raw[7];
    bf.EncryptBlock(l, r);
    const uint8_t cipher[8] = {uint8_t(l >> 24), uint8_t(l >> 16), uint8_t(l >> 8), uint8_t(l),
                               uint8_t(r >> 24), uint8_t(r >> 16), uint8_t(r >> 8), uint8_t(r)};
    EXPECT_EQ(bf.DecryptBuffer(cipher, 8, out), b.valid) << ToHex(raw.data(), 8);
    if (b.valid) {
      EXPECT_EQ(out.size(), size_t(8 - raw[7]));
    }
  }
  const std::vector<uint8_t> good = bf.EncryptBuffer(reinterpret_cast<const uint8_t*>("hello"), 5);
  EXPECT_FALSE(bf.DecryptBuffer(good.data(), 7, out));
  EXPECT_FALSE(bf.DecryptBuffer(good.data(), 0, out));
  ASSERT_TRUE(bf.DecryptBuffer(good.data(), 8, out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
}

TEST(Base64, MatchesStandardVectors) {
  const struct {
    std::string plain, text;
  } vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const auto& v : vectors) {
    std::vector<char> text(size_t(Base64EncodedLength(int(v.plain.size()))) + 1, 0);
    const int written = Base64Encode(text.data(), reinterpret_cast<const uint8_t*>(v.plain.data()), int(v.plain.size()));
    EXPECT_EQ(written, int(v.text.size()));
    EXPECT_EQ(std::string(text.data(), size_t(written)), v.text);

    std::vector<uint8_t> bytes(size_t(Base64DecodedLength(int(v.text.size()))) + 1);
    const int count = Base64Decode(bytes.data(), v.text.data(), int(v.text.size()));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + count), v.plain) << v.text;
  }
}

TEST(Base64, ShortLastGroupIsReadWithoutTouchingTheText) {
  // Exactly sized heap copies: reading or writing past them is caught by the address sanitizer.
  const struct {
    std::string text, plain;
  } cases[] = {{"Zg", "f"}, {"Zm8", "fo"}, {"Zm9vYg", "foob"}, {"Zm9vYmE", "fooba"}};
  for (const auto& c : cases) {
    std::unique_ptr<char[]> text(new char[c.text.size()]);
    std::memcpy(text.get(), c.text.data(), c.text.size());
    std::vector<uint8_t> bytes(size_t(Base64DecodedLength(int(c.text.size()))));
    const int count = Base64Decode(bytes.data(), text.get(), int(c.text.size()));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + count), c.plain) << c.text;
    EXPECT_EQ(std::memcmp(text.get(), c.text.data(), c.text.size()), 0);
  }
  // A character outside the alphabet reads as 63, like "/".
  uint8_t slash[3], other[3];
  EXPECT_EQ(Base64Decode(slash, "////", 4), 3);
  EXPECT_EQ(Base64Decode(other, "!*~\x80", 4), 3);
  EXPECT_EQ(std::memcmp(slash, other, 3), 0);
  EXPECT_EQ(Base64DecodedLength(5), 6);
  EXPECT_EQ(Base64EncodedLength(7), 12);
}

TEST(DataCipher, KeyTextIsFilledAndEndsInTheFixedTail) {
  const TString twelve = TDataCipher::NormaliseKeyText("abcdefghijkl");
  EXPECT_EQ(twelve.Length(), 12);
  EXPECT_TRUE(twelve.SubString(0, 9) == "abcdefghi");
  const TString tail = twelve.SubString(9);
  // A text that already ends in the tail is used unchanged; every other text only keeps 9 characters.
  const TString fixedText = TString("abcdefghi") + tail;
  EXPECT_TRUE(TDataCipher::NormaliseKeyText(fixedText) == fixedText);
  EXPECT_TRUE(TDataCipher::NormaliseKeyText("abcdefghij") == fixedText);
  EXPECT_TRUE(TDataCipher::NormaliseKeyText("abcdefghijklmnopq") == fixedText);
  const TString shortKey = TDataCipher::NormaliseKeyText("abc");
  EXPECT_EQ(shortKey.Length(), 12);
  EXPECT_TRUE(shortKey.SubString(0, 3) == "abc");
  EXPECT_EQ(TDataCipher::NormaliseKeyText("").Length(), 12);

  // Texts that normalise alike key alike.
  TDataCipher a("abcdefghij"), b("abcdefghijXYZ");
  EXPECT_TRUE(a.EncryptString("same") == b.EncryptString("same"));
}

// Stored values must stay readable: the fill and tail texts of the key and the padding are part of
// every preference file and score store already written.
TEST(DataCipher, EncipheredFormIsStableAcrossBuilds) {
  EXPECT_TRUE(TDataCipher("Pr3fsK3yText").EncryptString("hello") == "rrTvmvJ+SmQ=");
  EXPECT_TRUE(TDataCipher("").EncryptString("unknown") == "mbVm7HD+sHwWSFJdu6Ocrg==");
  EXPECT_TRUE(TDataCipher("Pr3fsK3yText").DecryptString("rrTvmvJ+SmQ=") == "hello");
}

TEST(DataCipher, SizesFollowThePaddingAndTheTwoPassConvention) {
  TDataCipher cipher("K3yText0fGam");
  uint8_t out[64];
  const struct {
    int length;
    bool base64;
    int needed;
  } cases[] = {{0, false, 8}, {1, false, 8}, {7, false, 8}, {8, false, 16}, {9, false, 16},
               {0, true, 13}, {8, true, 25}, {16, true, 33}};
  const char plain[] = "0123456789abcdef";
  for (const auto& c : cases) {
    EXPECT_EQ(cipher.Encrypt(plain, c.length, nullptr, 0, c.base64), c.needed) << c.length;
    EXPECT_EQ(cipher.Encrypt(plain, c.length, out, c.needed - 1, c.base64), c.needed) << c.length;
    EXPECT_EQ(cipher.Encrypt(plain, c.length, out, c.needed, c.base64), 0);
    EXPECT_EQ(cipher.GetLastLength(), c.needed);
    if (c.base64) {
      EXPECT_EQ(std::strlen(reinterpret_cast<char*>(out)), size_t(c.needed - 1));
    }
  }
  // A size query leaves the last length alone.
  EXPECT_EQ(cipher.Encrypt(plain, 3, nullptr, 0, false), 8);
  EXPECT_EQ(cipher.GetLastLength(), 33);

  // A 7-character text: 8 bytes with its NUL, 16 enciphered, 24 base64 characters.
  const TString text = cipher.EncryptString("abcdefg");
  EXPECT_EQ(text.Length(), 24);
  EXPECT_TRUE(cipher.DecryptString(text) == "abcdefg");
}

TEST(DataCipher, RoundTripsBytesAndText) {
  TDataCipher cipher("K3yText0fGam");
  std::vector<uint8_t> plain(300);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 7);
  for (bool base64 : {false, true}) {
    for (int length : {0, 1, 8, 15, 300}) {
      const int needed = cipher.Encrypt(plain.data(), length, nullptr, 0, base64);
      std::vector<uint8_t> cipherText(static_cast<size_t>(needed));
      ASSERT_EQ(cipher.Encrypt(plain.data(), length, cipherText.data(), needed, base64), 0);
      const int cipherLength = base64 ? needed - 1 : needed;
      const int plainNeeded = cipher.Decrypt(cipherText.data(), cipherLength, nullptr, 0, base64);
      EXPECT_EQ(plainNeeded, length);
      std::vector<uint8_t> back(size_t(length) + 1);
      ASSERT_EQ(cipher.Decrypt(cipherText.data(), cipherLength, back.data(), length, base64), 0);
      EXPECT_EQ(cipher.GetLastLength(), length);
      EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + length, back.begin())) << length;
    }
  }
  EXPECT_TRUE(cipher.DecryptString(cipher.EncryptString("")) == "");
  EXPECT_TRUE(cipher.DecryptString(cipher.EncryptString("caf\xc3\xa9 au lait")) == "caf\xc3\xa9 au lait");
}

TEST(DataCipher, WrongKeyOrDamagedDataIsRefusedNotReadAsAValue) {
  TDataCipher writer("K3yText0fGam");
  TDataCipher reader("0therKeyText");
  uint8_t buffer[64];
  int refusedByWrongKey = 0;
  for (int i = 0; i < 32; ++i) {
    const TString value = TString::Format("value number %d", i);
    const TString stored = writer.EncryptString(value);
    bool ok = true;
    const TString read = reader.DecryptString(stored, &ok);
    if (!ok) {
      ++refusedByWrongKey;
      EXPECT_TRUE(read.IsEmpty());
    }
  }
  // A garbage block passes the full padding check about once in 256 tries.
  EXPECT_GE(refusedByWrongKey, 30);

  // One flipped bit in the last block spoils its padding.
  uint8_t cipherText[16];
  ASSERT_EQ(writer.Encrypt("abcdefghij", 10, cipherText, 16, false), 0);
  cipherText[12] ^= 0x10;
  EXPECT_EQ(writer.Decrypt(cipherText, 16, buffer, sizeof buffer, false), kCipherUndecipherable);
  EXPECT_EQ(writer.GetLastLength(), 0);
  EXPECT_EQ(writer.Decrypt(cipherText, 13, nullptr, 0, false), kCipherUndecipherable);
  bool ok = true;
  EXPECT_TRUE(writer.DecryptString("not base64 at all!", &ok).IsEmpty());
  EXPECT_FALSE(ok);
  ok = false;
  writer.DecryptString(writer.EncryptString(""), &ok);
  EXPECT_TRUE(ok);
}

TEST(DataCipher, EmptyPlaintextSetsTheLastLengthToZero) {
  TDataCipher cipher("K3yText0fGam");
  uint8_t big[64], out[64];
  ASSERT_EQ(cipher.Encrypt("0123456789abcdefghij", 20, big, sizeof big, false), 0);
  ASSERT_EQ(cipher.Decrypt(big, 24, out, sizeof out, false), 0);
  ASSERT_EQ(cipher.GetLastLength(), 20);
  uint8_t empty[8];
  ASSERT_EQ(cipher.Encrypt("", 0, empty, sizeof empty, false), 0);
  EXPECT_EQ(cipher.Decrypt(empty, 8, nullptr, 0, false), 0);
  EXPECT_EQ(cipher.GetLastLength(), 0);
}

}  // namespace
