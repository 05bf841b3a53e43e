// Plays an animated texture in a scene: its script is run once to learn the timeline it describes
// (delay(ms) sets how long each following frame shows, frames{...} lists frames by number from 1),
// and the timeline then loops on the scene's clock, choosing the texture's current frame.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/string.h"

class TAnimatedTexture;

class TAnimationPlayer {
 public:
  struct Step {
    int32_t frame;  // index into the texture's frames
    uint32_t ms;    // how long it shows
  };

  explicit TAnimationPlayer(std::shared_ptr<TAnimatedTexture> texture);

  // The steps a script describes for a texture of `frameCount` frames. Frame numbers outside the
  // frames are left out; a script that fails to run (its error is logged) describes nothing.
  static std::vector<Step> ReadTimeline(const TString& script, int32_t frameCount);

  // Shows the frame due `ms` after the animation began. A texture without a timeline keeps its frame.
  void Update(uint32_t ms);

  const std::vector<Step>& GetTimeline() const { return mTimeline; }
  const std::shared_ptr<TAnimatedTexture>& GetTexture() const { return mTexture; }

 private:
  std::shared_ptr<TAnimatedTexture> mTexture;
  std::vector<Step> mTimeline;
  uint32_t mLength = 0;  // sum of the steps' times
};
