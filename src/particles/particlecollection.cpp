// TParticleCollection: storage, live and free lists of one particle system.
#include "particles/particlecollection.h"

#include <new>

#include "core/log.h"

void TParticleCollection::Clear() {
  mOwned.reset();
  mStorage = nullptr;
  mBorrowed = false;
  mLive.clear();
  mFree.clear();
  mCapacity = 0;
  mLiveCount = 0;
}

bool TParticleCollection::SetStorage(int64_t count, int32_t stride, float* block) {
  Clear();
  mBytesPerParticle = stride * 4;
  if (count <= 0 || stride <= 0) return count == 0;
  if (count > kMaxFloats / stride || count > kMaxParticles) {
    LogPrintf("TParticleCollection: %lld particles of %d floats are too many", (long long)count,
              stride);
    return false;
  }
  if (block) {
    mStorage = block;
    mBorrowed = true;
  } else {
    mOwned.reset(new (std::nothrow) float[static_cast<size_t>(count * stride)]);
    if (!mOwned) {
      LogPrintf("TParticleCollection: cannot allocate %lld particles", (long long)count);
      return false;
    }
    mStorage = mOwned.get();
  }
  mCapacity = static_cast<int32_t>(count);
  for (int64_t i = 0; i < count; ++i) mFree.push_back(mStorage + i * stride);
  return true;
}

float* TParticleCollection::Birth() {
  if (mFree.empty()) return nullptr;
  mLive.splice(mLive.end(), mFree, mFree.begin());
  ++mLiveCount;
  return mLive.back();
}

TParticleList::iterator TParticleCollection::Kill(TParticleList::iterator live) {
  auto next = std::next(live);
  mFree.splice(mFree.end(), mLive, live);
  --mLiveCount;
  return next;
}
