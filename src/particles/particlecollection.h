// TParticleCollection: the particles of one scripted particle system. One storage block is cut into
// equal particle blocks; births and deaths only move block pointers between the free and the live
// list (list splices, so nothing is allocated once the storage exists).
#pragma once
#include <cstdint>
#include <list>
#include <memory>

using TParticleList = std::list<float*>;

class TParticleCollection {
 public:
  // Largest float count a storage block may have.
  static constexpr int64_t kMaxFloats = int64_t(1) << 30;
  // Most particles: every particle costs a list node, so a script's count is bounded as well.
  static constexpr int64_t kMaxParticles = int64_t(1) << 20;

  TParticleCollection() = default;
  ~TParticleCollection() { Clear(); }
  TParticleCollection(const TParticleCollection&) = delete;
  TParticleCollection& operator=(const TParticleCollection&) = delete;

  // Live particles.
  int32_t GetCount() const { return mLiveCount; }
  int32_t GetCapacity() const { return mCapacity; }
  // Floats per particle.
  int32_t GetStride() const { return mBytesPerParticle / 4; }
  // Frees the storage unless it is borrowed; both lists empty, capacity and count 0.
  void Clear();
  // Replaces the storage: `block` (borrowed, count x stride floats) or, when null, a block of its
  // own. The count blocks go on the free list in address order; no particle is live. False (and
  // an empty collection) when the float count is out of range or cannot be allocated.
  bool SetStorage(int64_t count, int32_t stride, float* block);

  // The first free block moved to the end of the live list, or null when none is free.
  float* Birth();
  // Moves a live particle to the end of the free list; answers the live entry after it.
  TParticleList::iterator Kill(TParticleList::iterator live);

  TParticleList& GetLiveList() { return mLive; }
  const TParticleList& GetLiveList() const { return mLive; }
  int32_t GetFreeCount() const { return static_cast<int32_t>(mFree.size()); }

 private:
  std::unique_ptr<float[]> mOwned;
  float* mStorage = nullptr;
  int32_t mCapacity = 0;
  int32_t mBytesPerParticle = 0;
  bool mBorrowed = false;
  TParticleList mLive;
  TParticleList mFree;
  int32_t mLiveCount = 0;
};
