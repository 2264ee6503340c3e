// Image files mapped from disk and locked from module resources, through the Win32 interfaces.
#include "file_mapping.h"

#include <d3dx9.h>

#include <vector>

namespace d3dx {
namespace {

// The narrow and wide forms of the calls, so that each open is written once.
HANDLE OpenForReading(LPCSTR name) {
  return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS,
                     nullptr);
}

bool IsWindowsNt() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Systems without wide file names get the name in UTF-8.
HANDLE OpenForReading(LPCWSTR name) {
  if (IsWindowsNt())
    return CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS,
                       nullptr);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return INVALID_HANDLE_VALUE;
  std::vector<char> narrow(static_cast<size_t>(bytes));
  if (WideCharToMultiByte(CP_UTF8, 0, name, -1, narrow.data(), bytes, nullptr, nullptr) != bytes)
    return INVALID_HANDLE_VALUE;
  return OpenForReading(narrow.data());
}

HRSRC FindOfType(HMODULE module, LPCSTR name, bool bitmap) {
  return FindResourceA(module, name, bitmap ? RT_BITMAP : RT_RCDATA);
}
HRSRC FindOfType(HMODULE module, LPCWSTR name, bool bitmap) {
  return FindResourceW(module, name, MAKEINTRESOURCEW(bitmap ? 2 : 10));  // RT_BITMAP, RT_RCDATA
}

template <typename Name>
HRSRC FindImageResource(HMODULE module, Name name, bool tryBitmap) {
  const HRSRC bitmap = tryBitmap ? FindOfType(module, name, true) : nullptr;
  return bitmap ? bitmap : FindOfType(module, name, false);
}

}  // namespace

template <typename Name>
HRESULT MappedFile::OpenNamed(Name name) {
  Close();
  if (!name) return D3DERR_INVALIDCALL;
  file_ = OpenForReading(name);
  return Map();
}

HRESULT MappedFile::Open(LPCSTR name) { return OpenNamed(name); }
HRESULT MappedFile::Open(LPCWSTR name) { return OpenNamed(name); }

HRESULT MappedFile::Map() {
  if (file_ == INVALID_HANDLE_VALUE) return D3DXERR_INVALIDDATA;
  DWORD high = 0;
  const DWORD size = GetFileSize(file_, &high);
  // Sizes are 32-bit counts for the decoders; larger files are not image files we can take.
  if (size == INVALID_FILE_SIZE || high != 0) {
    Close();
    return D3DXERR_INVALIDDATA;
  }
  if (size == 0) return D3D_OK;
  mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
  if (!view_) {
    Close();
    return D3DXERR_INVALIDDATA;
  }
  size_ = size;
  return D3D_OK;
}

void MappedFile::Close() {
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  view_ = nullptr;
  mapping_ = nullptr;
  file_ = INVALID_HANDLE_VALUE;
  size_ = 0;
}

HRESULT ResourceBlock::Open(HMODULE module, LPCSTR name, bool tryBitmap) {
  Close();
  return Lock(module, FindImageResource(module, name, tryBitmap));
}

HRESULT ResourceBlock::Open(HMODULE module, LPCWSTR name, bool tryBitmap) {
  Close();
  return Lock(module, FindImageResource(module, name, tryBitmap));
}

HRESULT ResourceBlock::Lock(HMODULE module, HRSRC resource) {
  if (!resource) return D3DXERR_INVALIDDATA;
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return D3DXERR_INVALIDDATA;
  resource_ = LoadResource(module, resource);
  data_ = resource_ ? LockResource(resource_) : nullptr;
  if (!data_) {
    Close();
    return D3DXERR_INVALIDDATA;
  }
  size_ = size;
  return D3D_OK;
}

void ResourceBlock::Close() {
  // Loaded resources live as long as their module; there is nothing to release.
  resource_ = nullptr;
  data_ = nullptr;
  size_ = 0;
}

}  // namespace d3dx
