// TSoundInstance: one play of a sound, bound to its stream until the stream ends and is destroyed.
// It keeps its sound alive; the sound keeps it in its playing set until stopped.
#pragma once
#include <memory>

class TSound;
class TSoundStream;

class TSoundInstance : public std::enable_shared_from_this<TSoundInstance> {
 public:
  TSoundInstance(TSoundStream* stream, std::shared_ptr<TSound> sound);
  virtual ~TSoundInstance();
  // The stream, or null once it has ended and been destroyed.
  TSoundStream* GetStream() const { return mStream; }
  void SetStream(TSoundStream* stream) { mStream = stream; }
  // Called by the stream's destructor.
  void ClearStream() { mStream = nullptr; }
  const std::shared_ptr<TSound>& GetSound() const { return mSound; }

 private:
  TSoundStream* mStream;
  std::shared_ptr<TSound> mSound;
};
