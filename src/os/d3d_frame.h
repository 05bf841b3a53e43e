// A frame's draws held back until the frame is presented, so that a frame that repeats the one on
// screen (the same primitives under the same states, reading textures of the same generations) is
// neither drawn nor shown again. The device logs each gathered batch with the state it is drawn
// under; anything that needs the pixels (a lock, a copy, another target, a clear) has the log drawn
// first, in order. Internal to src/os.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "os/d3d.h"

namespace os::dd {

class Surface;

// The device state one batch is drawn under, and the batch.
struct LoggedBatch {
  static constexpr int kStates = 256, kStages = 8, kStageStates = 32;
  DWORD rs[kStates];
  DWORD tss[kStages][kStageStates];
  D3DMATRIX world, view, projection;
  D3DVIEWPORT7 viewport;
  D3DMATERIAL7 material;
  Surface* textures[kStages];   // each holds a reference while logged
  DWORD fvf = 0, count = 0;
  unsigned mode = 0;            // the GL primitive of the list
  std::vector<uint8_t> vertices;
};

// A 64-bit digest folded over the bytes of everything a batch's pixels depend on, eight bytes at a
// step (a frame's batches are some kilobytes each).
class FrameDigest {
 public:
  void Add(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      Mix(w);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p + i, size - i);
    Mix(tail ^ (uint64_t(size - i) << 56));
  }
  template <class T>
  void AddValue(const T& v) { Add(&v, sizeof v); }
  uint64_t Value() const { return mValue; }
  void Reset() { mValue = kBasis; }

 private:
  void Mix(uint64_t w) {
    mValue = (mValue ^ w) * 0x9E3779B97F4A7C15ull;
    mValue ^= mValue >> 29;
  }
  static constexpr uint64_t kBasis = 0xCBF29CE484222325ull;
  uint64_t mValue = kBasis;
};

// Folds everything the batch's pixels depend on into the digest.
void AddToDigest(const LoggedBatch& batch, FrameDigest* digest);
// Lets go of the batch's textures.
void ReleaseTextures(LoggedBatch& batch);

// The device holding logged draws for `target`: the digest of everything drawn into it since its
// last present, when all of that is still in the log (0 otherwise: part of it was drawn already).
uint64_t LoggedFrameDigest(Surface* target);
// Drops the logged draws: the target already holds their result.
void DropLoggedFrame();

// Called by presenting before the frame of `from` is drawn and shown (`key` names how it is shown:
// the rectangles and the way). When the frame repeats the one shown last, with nothing else
// drawn into `from` since, its draws are dropped. Afterwards, FramePresented notes what was shown.
void SkipRepeatedFrame(Surface* from, uint64_t key);
void FramePresented(Surface* from, uint64_t key);
// Forgets the frame shown (the surfaces go, or a test starts afresh).
void ForgetShownFrameDigest();
// Test interface counts: frames whose draws were dropped as repeats.
int RepeatedFramesSkipped();

}  // namespace os::dd
