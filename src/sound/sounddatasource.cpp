// Ogg Vorbis and in-memory sound data, and the registry of builders by file extension. Damaged
// files are refused when they open, or end early with a log line when their data breaks off.
#include "sound/sounddatasource.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "sound/soundmanager.h"

// The decoder and the data its callbacks read: the open file when streaming, else the compressed
// file in memory. The decoder's close callback gives either back.
struct TOggDecoder {
  OggVorbis_File file{};
  bool open = false;
  TFile* source = nullptr;       // streaming from the file
  std::vector<uint8_t> bytes;    // the compressed file in memory
  size_t position = 0;

  ~TOggDecoder() {
    if (open) ov_clear(&file);   // calls the close callback
    FileClose(source);
  }
};

namespace {

constexpr int kMaxDecodeErrors = 8;  // consecutive recoverable errors before the data counts as ended

// ---- callbacks over the framework's file ----
size_t FileReadCallback(void* dst, size_t size, size_t count, void* data) {
  auto* d = static_cast<TOggDecoder*>(data);
  if (size == 0 || count == 0) return 0;
  long want = static_cast<long>(std::min<size_t>(size * count, LONG_MAX / 2));
  long got = FileRead(d->source, dst, want);
  if (got <= 0) return 0;
  long partial = got % static_cast<long>(size);
  if (partial) FileSeek(d->source, -partial, kSeekCurrent);  // un-read a partial element
  return static_cast<size_t>(got) / size;
}

int FileSeekCallback(void* data, ogg_int64_t offset, int origin) {
  auto* d = static_cast<TOggDecoder*>(data);
  int whence;
  switch (origin) {
    case SEEK_SET: whence = kSeekStart; break;
    case SEEK_CUR: whence = kSeekCurrent; break;
    case SEEK_END: whence = kSeekEnd; break;
    default: return -1;
  }
  FileSeek(d->source, static_cast<long>(offset), whence);
  return 0;
}

int FileCloseCallback(void* data) {
  auto* d = static_cast<TOggDecoder*>(data);
  FileClose(d->source);
  d->source = nullptr;
  return 0;
}

long FileTellCallback(void* data) { return FileTell(static_cast<TOggDecoder*>(data)->source); }

// ---- callbacks over the file held in memory ----
size_t MemReadCallback(void* dst, size_t size, size_t count, void* data) {
  auto* d = static_cast<TOggDecoder*>(data);
  if (size == 0) return 0;
  size_t left = d->bytes.size() - d->position;
  size_t n = std::min(size * count, left) / size;
  if (n == 0) return 0;
  std::memcpy(dst, d->bytes.data() + d->position, n * size);
  d->position += n * size;
  return n;
}

int MemSeekCallback(void* data, ogg_int64_t offset, int origin) {
  auto* d = static_cast<TOggDecoder*>(data);
  ogg_int64_t base;
  switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<ogg_int64_t>(d->position); break;
    case SEEK_END: base = static_cast<ogg_int64_t>(d->bytes.size()); break;
    default: return -1;
  }
  ogg_int64_t to = std::clamp<ogg_int64_t>(base + offset, 0, static_cast<ogg_int64_t>(d->bytes.size()));
  d->position = static_cast<size_t>(to);
  return 0;
}

int MemCloseCallback(void* data) {
  auto* d = static_cast<TOggDecoder*>(data);
  std::vector<uint8_t>().swap(d->bytes);
  d->position = 0;
  return 0;
}

long MemTellCallback(void* data) { return static_cast<long>(static_cast<TOggDecoder*>(data)->position); }

std::map<TString, std::shared_ptr<TSoundDataSourceBuilder>>& Builders() {
  static std::map<TString, std::shared_ptr<TSoundDataSourceBuilder>> builders;
  return builders;
}

}  // namespace

TSoundDataSource::~TSoundDataSource() = default;
TSoundDataSourceBuilder::~TSoundDataSourceBuilder() = default;

TOggDataSource::TOggDataSource() = default;
TOggDataSource::~TOggDataSource() {
  TSoundLock lock;  // the streaming thread may be reading
  mDecoder.reset();
}

bool TOggDataSource::Open(const TString& name, bool streamFromFile) {
  TFile* file = FileOpen(name, kFileReadBinary);
  if (!file) file = FileOpen(name + ".ogg", kFileReadBinary);
  if (!file) return false;
  if (streamFromFile) {
    auto decoder = std::make_unique<TOggDecoder>();
    decoder->source = file;
    return StartDecoder(std::move(decoder));
  }
  FileSeek(file, 0, kSeekEnd);
  long size = FileTell(file);
  FileSeek(file, 0, kSeekStart);
  std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
  long got = bytes.empty() ? 0 : FileRead(file, bytes.data(), size);
  FileClose(file);
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return OpenMemory(std::move(bytes));
}

bool TOggDataSource::OpenMemory(std::vector<uint8_t> bytes) {
  auto decoder = std::make_unique<TOggDecoder>();
  decoder->bytes = std::move(bytes);
  return StartDecoder(std::move(decoder));
}

bool TOggDataSource::StartDecoder(std::unique_ptr<TOggDecoder> d) {
  TSoundLock lock;
  mDecoder.reset();
  const bool fromFile = d->source != nullptr;
  ov_callbacks callbacks;
  if (fromFile)
    callbacks = {FileReadCallback, FileSeekCallback, FileCloseCallback, FileTellCallback};
  else
    callbacks = {MemReadCallback, MemSeekCallback, MemCloseCallback, MemTellCallback};
  if (ov_open_callbacks(d.get(), &d->file, nullptr, 0, callbacks) != 0) {
    LogPrintf("OGG file could not be opened");
    return false;  // the decoder record closes the file or frees the block
  }
  d->open = true;
  vorbis_info* info = ov_info(&d->file, -1);
  ogg_int64_t samples = ov_pcm_total(&d->file, -1);
  if (!info || info->channels < 1 || info->rate < 1 || samples < 0) {
    LogPrintf("OGG file could not be opened");
    return false;
  }
  uint64_t total = static_cast<uint64_t>(samples) * static_cast<uint64_t>(info->channels) * 2;
  if (total > kMaxSoundBytes) {
    LogPrintf("OGG file is too long to play (%llu bytes of samples)", static_cast<unsigned long long>(total));
    return false;
  }
  mRate = static_cast<uint32_t>(info->rate);
  mChannels = static_cast<uint32_t>(info->channels);
  mLength = ov_time_total(&d->file, -1);
  if (mLength < 0) mLength = 0;
  mTotalBytes = total;
  ov_pcm_seek(&d->file, 0);
  mPosition = 0;
  mDecoder = std::move(d);
  return true;
}

uint32_t TOggDataSource::Read(void* dest, uint32_t offset, uint32_t count) {
  TSoundLock lock;
  // Never past the announced end: a damaged file may decode more than its last page tells.
  if (offset >= mTotalBytes) return 0;
  count = static_cast<uint32_t>(std::min<uint64_t>(count, mTotalBytes - offset));
  if (!mDecoder || count == 0) return 0;
  OggVorbis_File* vf = &mDecoder->file;
  const uint32_t frameBytes = mChannels * 2;
  if (offset != mPosition) {
    // Only rewinds happen in practice; other offsets go to the frame that holds them.
    ogg_int64_t frame = offset / frameBytes;
    if (ov_pcm_seek(vf, frame) != 0) {
      LogPrintf("OGG file could not be repositioned to byte %u", offset);
      return 0;
    }
    mPosition = static_cast<uint32_t>(frame * frameBytes);
  }
  auto* out = static_cast<char*>(dest);
  uint32_t delivered = 0;
  int errors = 0;
  while (delivered < count) {
    int want = static_cast<int>(std::min<uint32_t>(count - delivered, 1u << 20));
    int section = 0;
    long n = ov_read(vf, out + delivered, want, 0, 2, 1, &section);
    if (n == 0) break;  // end of the data
    if (n < 0) {
      // A hole (lost or damaged pages) is skipped; anything else, or too many holes, ends the data.
      if (n == OV_HOLE && ++errors < kMaxDecodeErrors) continue;
      LogPrintf("OGG data damaged (error %ld) after byte %u: the sound ends there", n, mPosition + delivered);
      break;
    }
    vorbis_info* info = ov_info(vf, section);
    if (!info || static_cast<uint32_t>(info->channels) != mChannels || static_cast<uint32_t>(info->rate) != mRate) {
      LogPrintf("OGG stream changes its format after byte %u: the sound ends there", mPosition + delivered);
      break;
    }
    errors = 0;
    delivered += static_cast<uint32_t>(n);
  }
  mPosition += delivered;
  return delivered;
}

TMemDataSource::TMemDataSource(TSoundDataSource& source)
    : mChannels(source.GetChannels()), mRate(source.GetRate()), mLength(source.GetLength()) {
  uint64_t total = std::min<uint64_t>(source.GetTotalBytes(), kMaxSoundBytes);
  mData.assign(static_cast<size_t>(total), 0);
  mSize = static_cast<uint32_t>(total);
  uint32_t done = 0;
  while (done < mSize) {
    uint32_t n = source.Read(mData.data() + done, done, mSize - done);
    if (n == 0) break;  // short data: the rest stays silent
    done += n;
  }
}

uint32_t TMemDataSource::Read(void* dest, uint32_t offset, uint32_t count) {
  TSoundLock lock;
  if (offset >= mSize) return 0;
  uint32_t n = std::min(count, mSize - offset);
  std::memcpy(dest, mData.data() + offset, n);
  return n;
}

std::shared_ptr<TSoundDataSource> TOggDataSourceBuilder::Build(const TString& name, bool streamFromFile) {
  auto ogg = std::make_shared<TOggDataSource>();
  if (!ogg->Open(name, streamFromFile)) return nullptr;
  if (streamFromFile) return ogg;
  bool decode = ogg->GetLength() < 2.0 || GetSettingFlag("keepogguncompressed");
  if (decode && ogg->GetTotalBytes() <= kMaxMemorySoundBytes) return std::make_shared<TMemDataSource>(*ogg);
  return ogg;
}

namespace SoundDataSourceRegistry {
void Add(const TString& extension, std::shared_ptr<TSoundDataSourceBuilder> builder) {
  Builders()[extension] = std::move(builder);
}

std::shared_ptr<TSoundDataSource> Find(const TString& name, bool streamFromFile) {
  auto& builders = Builders();
  int dot = name.FindChar('.', kStringBackwards);
  if (dot >= 0) {
    auto it = builders.find(name.SubString(dot + 1));
    if (it != builders.end()) return it->second->Build(name, streamFromFile);
  }
  for (auto& [extension, builder] : builders) {
    if (FileExists(name + "." + extension)) return builder->Build(name, streamFromFile);
  }
  return nullptr;
}

void Clear() { Builders().clear(); }
}  // namespace SoundDataSourceRegistry

void RegisterOggDataSource() {
  SoundDataSourceRegistry::Add("ogg", std::make_shared<TOggDataSourceBuilder>());
}
