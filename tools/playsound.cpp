// Plays a sound file through the framework's whole sound path (data source, streaming buffer,
// streaming thread, mixer, SDL audio device) until it ends. With SDL's disk driver the output goes
// to a file:  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=out.raw playsound tone.ogg  (16-bit stereo 44.1 kHz).
//   playsound FILE [VOLUME]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "sound/sound.h"
#include "sound/sounddatasource.h"
#include "sound/soundmanager.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s FILE [VOLUME 0..1]\n", argv[0]);
    return 2;
  }
  std::error_code ec;
  std::string path = std::filesystem::absolute(argv[1], ec).string();
  TSoundManager manager;
  SetPlatformSoundManager(&manager);
  if (!manager.Init(nullptr)) std::fprintf(stderr, "%s: no audio device; the sound is only timed\n", argv[0]);
  if (argc == 3) manager.SetVolume(static_cast<float>(std::atof(argv[2])));
  RegisterOggDataSource();
  int status = 0;
  {
    // "::" reaches a disk path directly through the file layer.
    std::shared_ptr<TSound> sound = TSound::Get(TString(("::" + path).c_str()), false, 0);
    std::shared_ptr<TSoundInstance> play = sound ? sound->Play(false) : nullptr;
    if (!play) {
      std::fprintf(stderr, "%s: cannot play %s\n", argv[0], argv[1]);
      status = 1;
    } else {
      std::printf("playing %s (%.2f s)\n", argv[1], sound->GetLength());
      while (play->GetStream()) {  // the stream is released on this thread once it has ended
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        manager.Update();
      }
    }
  }
  SoundDataSourceRegistry::Clear();
  SetPlatformSoundManager(nullptr);
  return status;
}
