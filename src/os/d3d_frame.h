// A frame's draws held back until the frame is presented, so that a frame that repeats the one on
// screen (the same primitives under the same states, reading textures of the same generations) is
// neither drawn nor shown again. The device logs each gathered batch with the state it is drawn
// under; anything that needs the pixels (a lock, a copy, another target, a clear) has the log drawn
// first, in order. Internal to src/os.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "os/d3d.h"
#include "os/d3d_vertex.h"
#include "os/gl.h"

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
  VertexBytes vertices;
  uint64_t vertexDigest = 0;    // of `vertices`, folded while they were gathered (StreamDigest)
};

// A 64-bit digest folded over the bytes of everything a batch's pixels depend on (a frame's batches
// are some kilobytes each). Four lanes take 32 bytes a step, so that the multiplies overlap; each
// step is a bijection of its lane, so a single changed word always changes the value.
class FrameDigest {
 public:
  void Add(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t i = 0;
    // The lanes stay in registers (folded as scalars: a vector 64-bit multiply costs more).
    uint64_t a = mLane[0], b = mLane[1], c = mLane[2], e = mLane[3];
    for (; i + 32 <= size; i += 32) {
      uint64_t w[4];
      std::memcpy(w, p + i, 32);
      a = Mix(a, w[0]);
      b = Mix(b, w[1]);
      c = Mix(c, w[2]);
      e = Mix(e, w[3]);
    }
    mLane[0] = a;
    mLane[1] = b;
    mLane[2] = c;
    mLane[3] = e;
    for (; i + 8 <= size; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      mLane[0] = Mix(mLane[0], w);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p + i, size - i);
    mLane[0] = Mix(mLane[0], tail ^ (uint64_t(size - i) << 56));
  }
  template <class T>
  void AddValue(const T& v) { Add(&v, sizeof v); }
  uint64_t Value() const {
    uint64_t v = mLane[0];
    for (int k = 1; k < 4; ++k) v = Mix(v, mLane[k]);
    return v;
  }
  void Reset() {
    for (int k = 0; k < 4; ++k) mLane[k] = kBasis + uint64_t(k);
  }

 private:
  static uint64_t Mix(uint64_t lane, uint64_t w) {
    lane = (lane ^ w) * 0x9E3779B97F4A7C15ull;
    return lane ^ (lane >> 29);
  }
  static constexpr uint64_t kBasis = 0xCBF29CE484222325ull;
  uint64_t mLane[4] = {kBasis, kBasis + 1, kBasis + 2, kBasis + 3};
};

// A digest of bytes that come in pieces, the same however they are cut: a batch gathered from many
// small draws and the same batch drawn at once have one value. Whole 32-byte blocks are folded as
// they come, in four lanes as FrameDigest's; a piece's remainder waits for the next piece.
class StreamDigest {
 public:
  void Add(const uint8_t* from, size_t size) { Feed<false>(nullptr, from, size); }
  // Copies the bytes to `to` as it folds them, reading them once.
  void CopyAndAdd(uint8_t* to, const uint8_t* from, size_t size) { Feed<true>(to, from, size); }
  uint64_t Value() const {
    FrameDigest d;
    d.Add(mLane, sizeof mLane);
    d.Add(mPending, mPendingSize);
    d.AddValue(mSize);
    return d.Value();
  }
  void Reset() { *this = StreamDigest(); }

 private:
  template <bool kCopy>
  void Feed(uint8_t* to, const uint8_t* from, size_t size) {
    if (size == 0) return;
    mSize += size;
    if (mPendingSize > 0) {
      const size_t n = size < 32 - mPendingSize ? size : 32 - mPendingSize;
      std::memcpy(mPending + mPendingSize, from, n);
      if constexpr (kCopy) std::memcpy(to, from, n), to += n;
      from += n, size -= n, mPendingSize += n;
      if (mPendingSize < 32) return;
      Fold(mPending);
      mPendingSize = 0;
    }
    uint64_t a = mLane[0], b = mLane[1], c = mLane[2], e = mLane[3];
    for (; size >= 32; size -= 32, from += 32) {
      uint64_t w[4];
      std::memcpy(w, from, 32);
      if constexpr (kCopy) std::memcpy(to, w, 32), to += 32;
      a = Mix(a, w[0]);
      b = Mix(b, w[1]);
      c = Mix(c, w[2]);
      e = Mix(e, w[3]);
    }
    mLane[0] = a, mLane[1] = b, mLane[2] = c, mLane[3] = e;
    std::memcpy(mPending, from, size);
    if constexpr (kCopy) std::memcpy(to, from, size);
    mPendingSize = size;
  }
  void Fold(const uint8_t* block) {
    uint64_t w[4];
    std::memcpy(w, block, 32);
    for (int k = 0; k < 4; ++k) mLane[k] = Mix(mLane[k], w[k]);
  }
  static uint64_t Mix(uint64_t lane, uint64_t w) {
    lane = (lane ^ w) * 0x9E3779B97F4A7C15ull;
    return lane ^ (lane >> 29);
  }
  uint64_t mLane[4] = {1, 2, 3, 4};
  uint8_t mPending[32] = {};
  size_t mPendingSize = 0;
  uint64_t mSize = 0;
};

// Folds everything the batch's pixels depend on into the digest. Drawn under the same state as
// `previous` (the batch before it in the frame), only that sameness is folded in for its state.
void AddToDigest(const LoggedBatch& batch, const LoggedBatch* previous, FrameDigest* digest);
// Whether two batches are drawn under the same device state.
bool SameState(const LoggedBatch& a, const LoggedBatch& b);
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
bool SkipRepeatedFrame(Surface* from, uint64_t key);
// Whether the frame logged for `from` repeats the draws of the one shown (how it is shown too), the
// pixels of `from` aside; with the generation `from` had when that one was shown.
bool RepeatsShownDraws(Surface* from, uint64_t key, uint64_t* shownGeneration);
// A repeated frame was kept (see Surface::KeepRepeatedFrame): it counts as skipped.
void NoteRepeatKept();
void FramePresented(Surface* from, uint64_t key);
// Forgets the frame shown (the surfaces go, or a test starts afresh).
void ForgetShownFrameDigest();
// Test interface counts: frames whose draws were dropped as repeats.
int RepeatedFramesSkipped();

// ---- frames drawn straight into the window --------------------------------------------------------
// A frame that owes nothing to the pixels under it (it starts with a fill of its whole target, or
// with a batch that paints every pixel opaque) is drawn at its present straight into the window,
// without a copy. Its draws are kept as a deferred frame: the surfaces that hold it (the back buffer
// it was drawn for, the primary showing it) draw it into their own pixels only when those are next
// read or partly drawn over. Most frames are simply replaced whole by the next one. A texture the
// kept draws read is about to change: each holder draws the frame first (ResolveFramesReading).
struct DeferredFrame {
  DeferredFrame() = default;
  DeferredFrame(const DeferredFrame&) = delete;
  DeferredFrame& operator=(const DeferredFrame&) = delete;
  ~DeferredFrame();
  bool Reads(const Surface* texture) const;
  void Unhold(const Surface* holder);   // that surface's pixels are no longer this frame

  bool filled = false;    // the frame starts with a fill of `argb` over all of its target
  uint32_t argb = 0;
  int width = 0, height = 0;
  std::vector<LoggedBatch> batches;   // each holds its textures
  std::vector<Surface*> textures;     // every texture the batches read, once
  IDirect3DDevice7* device = nullptr; // draws the batches again (see ResolveFramesDrawnBy)
  std::vector<Surface*> holders;      // the surfaces whose pixels it is (no reference)
  bool drawing = false;               // being drawn into a holder now
};

// Takes the frame logged for `target` when it can be drawn straight into the window: the log
// holds all of it, it draws no depth and reads neither `target` nor `shownIn`, and it owes nothing
// to the pixels under it (`fill`, when given, is a fill of the whole target that comes first). Null
// otherwise, with the log left as it was.
std::shared_ptr<DeferredFrame> TakeLoggedFrame(Surface* target, Surface* shownIn, const uint32_t* fill);
// Draws a deferred frame's batches (not its fill): into `target`'s framebuffer object, or, with a
// null target, into the framebuffer bound now, which has `framebuffer` (0: the window, rows
// mirrored) of the frame's size.
void DrawDeferredFrame(DeferredFrame& frame, Surface* target, GLuint framebuffer = 0);
// The deferred frames alive, for ResolveFramesReading.
void NoteDeferredFrame(DeferredFrame* frame, bool alive);
// Called before `texture`'s pixels change: every holder of a frame that reads it draws the frame.
void ResolveFramesReading(Surface* texture);
// Called as a device goes: the holders of the frames it kept draw them, which no one could later.
void ResolveFramesDrawnBy(IDirect3DDevice7* device);
// Test interface counts: frames drawn straight into the window; deferred frames drawn afterwards.
int DirectFramesPresented();
int DeferredFramesResolved();
// Tests start afresh: frames may be drawn straight into the window again at once.
void ResetDirectPresent();

}  // namespace os::dd
