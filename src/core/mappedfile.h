// Read-only memory mappings of pack files and the file object that reads a pack entry from one.
// TFileMapData holds the three platform handles of a mapping; TFileMapHandler shares it between
// copies (the last owner unmaps); TFlatFileMap reads an entry "@<pack>:<offset>,<size>" straight
// from the mapped bytes. The pack table (one handler per mounted pack) lives in the file layer.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/filedata.h"
#include "core/string.h"

class TFileMapData {
public:
  TFileMapData() = default;
  ~TFileMapData() { Close(); }
  TFileMapData(const TFileMapData&) = delete;
  TFileMapData& operator=(const TFileMapData&) = delete;

  // Maps the whole file read-only ("::" is dropped, the path made absolute); false on failure.
  bool Open(const TString& path);
  // Unmaps the view, then closes the mapping handle, then the file handle.
  void Close();
  const uint8_t* GetBase() const { return static_cast<const uint8_t*>(mView); }
  // Bytes mapped; entries are checked against it before they are read.
  uint64_t GetSize() const { return mSize; }

private:
  void* mFile = nullptr;     // file handle
  void* mMapping = nullptr;  // file-mapping handle
  void* mView = nullptr;     // base address of the view
  uint64_t mSize = 0;
};

class TFileMapHandler {
public:
  TFileMapHandler() : mData(std::make_shared<TFileMapData>()) {}
  virtual ~TFileMapHandler() = default;

  // Stores the path and maps the file; false on failure.
  bool Open(const TString& path);
  const uint8_t* GetBase() const { return mData ? mData->GetBase() : nullptr; }
  uint64_t GetSize() const { return mData ? mData->GetSize() : 0; }
  // Lets go of the mapping (it closes once no open entry reads from it); the handler stays.
  void Unmap() { mData = std::make_shared<TFileMapData>(); }
  // The shared mapping, which open entries hold so that their bytes stay mapped.
  const std::shared_ptr<TFileMapData>& GetShared() const { return mData; }
  const TString& GetPath() const { return mPath; }

private:
  std::shared_ptr<TFileMapData> mData;
  TString mPath;
};

// The mounted packs; a pack's number is its position here.
std::vector<TFileMapHandler>& GetPackTable();

class TFlatFileMap : public TFileData {
public:
  bool Open(const TString& locator, int mode) override;
  void Close() override;
  void Unget() override;
  void Seek(long offset, int whence) override;
  long GetSize() override { return mSize; }
  long Tell() override { return mPosition; }
  // Cut at the entry's end (which sets the end-of-file flag); mode 1 drops carriage returns.
  long Read(void* buffer, long count) override;
  long Write(const void* buffer, long count) override { return 0; }
  bool IsEof() override { return mEof; }

private:
  int32_t mMode = 0;
  std::shared_ptr<TFileMapData> mMapping;  // keeps the bytes mapped while the entry is open
  const uint8_t* mData = nullptr;
  int32_t mSize = 0;
  int32_t mPosition = 0;  // always within 0..mSize
  bool mEof = true;
};
