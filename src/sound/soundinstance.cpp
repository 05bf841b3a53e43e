// One play of a sound (see soundinstance.h).
#include "sound/soundinstance.h"

TSoundInstance::TSoundInstance(TSoundStream* stream, std::shared_ptr<TSound> sound)
    : mStream(stream), mSound(std::move(sound)) {}

TSoundInstance::~TSoundInstance() = default;
