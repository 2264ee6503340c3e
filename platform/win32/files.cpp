// Read-only files and whole-file read-only mappings over POSIX descriptors and mmap. Handles are
// objects of this file, checked against the live set, so a stale or foreign handle is refused.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <set>

#include "platform.h"

namespace {

struct FileObject {
  int fd = -1;
  bool isMapping = false;
  size_t size = 0;
};

struct Files {
  std::set<FileObject*> handles;
  std::map<const void*, size_t> views;  // address -> mapped length
};

Files& State() {
  static Files files;
  return files;
}

FileObject* Known(HANDLE handle) {
  auto* object = static_cast<FileObject*>(handle);
  return State().handles.count(object) ? object : nullptr;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

HANDLE OpenForReading(std::string path, DWORD access, DWORD disposition) {
  if (access != GENERIC_READ || disposition != OPEN_EXISTING) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  for (char& c : path)
    if (c == '\\') c = '/';
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (fd >= 0 && (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))) {
    ::close(fd);
    fd = -1;
    errno = EISDIR;
  }
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new FileObject;
  file->fd = fd;
  file->size = static_cast<size_t>(info.st_size);
  State().handles.insert(file);
  return file;
}

// Wide names hold UTF-32 code points here; the file system takes UTF-8.
std::string Utf8(LPCWSTR text) {
  std::string out;
  for (const WCHAR* p = text; *p; ++p) {
    uint32_t c = static_cast<uint32_t>(*p);
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                   HANDLE) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return OpenForReading(fileName, access, disposition);
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD,
                   HANDLE) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return OpenForReading(Utf8(fileName), access, disposition);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  FileObject* f = Known(file);
  if (!f || f->isMapping) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(f->size) >> 32);
  return static_cast<DWORD>(f->size);
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCSTR) {
  FileObject* f = Known(file);
  if (!f || f->isMapping) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (protect != PAGE_READONLY || sizeHigh || sizeLow || f->size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int fd = ::dup(f->fd);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return nullptr;
  }
  auto* mapping = new FileObject;
  mapping->fd = fd;
  mapping->isMapping = true;
  mapping->size = f->size;
  State().handles.insert(mapping);
  return mapping;
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  FileObject* m = Known(mapping);
  if (!m || !m->isMapping) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (access != FILE_MAP_READ || offsetHigh || offsetLow || (bytes && bytes != m->size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* view = ::mmap(nullptr, m->size, PROT_READ, MAP_PRIVATE, m->fd, 0);
  if (view == MAP_FAILED) {
    SetLastError(ErrorFromErrno(errno));
    return nullptr;
  }
  State().views[view] = m->size;
  return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
  auto it = State().views.find(view);
  if (it == State().views.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::munmap(const_cast<void*>(view), it->second);
  State().views.erase(it);
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  FileObject* f = Known(object);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ::close(f->fd);
  State().handles.erase(f);
  delete f;
  return TRUE;
}
