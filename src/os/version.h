// The executable's version resource (VERSION calls of the stand-in). The build embeds the product
// name, internal name and file version (cmake/targets/oswin.cmake); any path naming our own
// executable answers with that block. Tests can replace or remove it.
#pragma once
#include <string>

#include "os/handles.h"
#include "os/windowerrors.h"

struct VS_FIXEDFILEINFO {        // "\" of the version block
  DWORD dwSignature;             // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;         // major << 16 | minor
  DWORD dwFileVersionLS;         // patch << 16 | build
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

// Size of the version block of a file (0 with ERROR_RESOURCE_TYPE_NOT_FOUND when it has none).
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle);
// Copies the version block into data (len bytes at least GetFileVersionInfoSizeA's answer).
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD len, LPVOID data);
// Looks up "\" (VS_FIXEDFILEINFO), "\VarFileInfo\Translation" or "\StringFileInfo\040904b0\<Name>"
// (ProductName, InternalName, FileVersion, ProductVersion, CompanyName, FileDescription,
// OriginalFilename); the result points into the caller's block.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len);

namespace os {
struct VersionInfo {
  std::string productName;
  std::string internalName;
  std::string companyName;
  WORD version[4];  // major, minor, patch, build
};
// The block the build embedded.
VersionInfo BuiltInVersionInfo();
// Test control: answer with `info` from now on; null removes the resource.
void TestSetVersionInfo(const VersionInfo* info);
void TestResetVersionInfo();
}  // namespace os
