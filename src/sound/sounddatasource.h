// Sound data sources: the PCM bytes of one sound (16-bit signed little-endian, channels interleaved)
// by byte offset, with its rate, channels, length and size. Sources come from builders chosen by
// file extension (Ogg Vorbis registered at start-up); short sounds are decoded once into memory.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/string.h"

class TSoundDataSource {
 public:
  virtual ~TSoundDataSource();
  // Copies up to count PCM bytes from the byte offset into dest; answers the bytes delivered.
  virtual uint32_t Read(void* dest, uint32_t offset, uint32_t count) = 0;
  virtual uint64_t GetTotalBytes() = 0;
  virtual uint32_t GetRate() = 0;
  virtual uint32_t GetChannels() = 0;
  virtual double GetLength() = 0;  // seconds
};

struct TOggDecoder;  // the decoder state and what its callbacks read from

// Decodes an Ogg Vorbis file, streamed from the file or from the compressed file held in memory.
class TOggDataSource : public TSoundDataSource {
 public:
  TOggDataSource();
  ~TOggDataSource() override;
  uint32_t Read(void* dest, uint32_t offset, uint32_t count) override;
  uint64_t GetTotalBytes() override { return mTotalBytes; }
  uint32_t GetRate() override { return mRate; }
  uint32_t GetChannels() override { return mChannels; }
  double GetLength() override { return mLength; }
  // Opens the named file through the framework's file layer (trying name + ".ogg" as well); the
  // decoder reads the open file when streaming, else the whole file read into memory.
  virtual bool Open(const TString& name, bool streamFromFile);
  // Opens compressed bytes held in memory (what Open does after reading the file).
  bool OpenMemory(std::vector<uint8_t> bytes);

 private:
  bool StartDecoder(std::unique_ptr<TOggDecoder> decoder);

  uint32_t mRate = 0;
  uint32_t mChannels = 0;
  double mLength = 0;
  uint64_t mTotalBytes = 0;
  std::unique_ptr<TOggDecoder> mDecoder;
  uint32_t mPosition = 0;  // byte offset the decoder stands at
};

// The whole PCM data of a source, decoded once.
class TMemDataSource : public TSoundDataSource {
 public:
  explicit TMemDataSource(TSoundDataSource& source);
  uint32_t Read(void* dest, uint32_t offset, uint32_t count) override;
  uint64_t GetTotalBytes() override { return mSize; }
  uint32_t GetRate() override { return mRate; }
  uint32_t GetChannels() override { return mChannels; }
  double GetLength() override { return mLength; }

 private:
  std::vector<uint8_t> mData;
  uint32_t mSize = 0;
  uint32_t mChannels = 0;
  uint32_t mRate = 0;
  double mLength = 0;
};

class TSoundDataSourceBuilder {
 public:
  virtual ~TSoundDataSourceBuilder();
  // A source for the file, empty on failure.
  virtual std::shared_ptr<TSoundDataSource> Build(const TString& name, bool streamFromFile) = 0;
};

class TOggDataSourceBuilder : public TSoundDataSourceBuilder {
 public:
  std::shared_ptr<TSoundDataSource> Build(const TString& name, bool streamFromFile) override;
};

// Builders by file extension (without the dot).
namespace SoundDataSourceRegistry {
void Add(const TString& extension, std::shared_ptr<TSoundDataSourceBuilder> builder);
// The source for a file name: by its extension, or by trying every registered extension in turn.
std::shared_ptr<TSoundDataSource> Find(const TString& name, bool streamFromFile);
// Forgets every builder (shutdown and tests).
void Clear();
}  // namespace SoundDataSourceRegistry

// Registers the Ogg Vorbis builder under "ogg".
void RegisterOggDataSource();

// Largest PCM size a source may have: positions in the data are 32-bit byte offsets.
inline constexpr uint64_t kMaxSoundBytes = 0xFFFFFFFFu;
// Largest PCM size decoded into memory; longer sounds stay compressed.
inline constexpr uint64_t kMaxMemorySoundBytes = 256u << 20;
