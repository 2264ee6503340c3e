// Module resources: a table of named blocks keyed by (module, name, type). Names and types are
// strings compared without regard to case, or integer identifiers (MAKEINTRESOURCE).
#include <cctype>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "platform.h"

namespace {

// A name or type: an integer identifier, or an upper-cased string.
struct ResourceId {
  WORD number = 0;
  std::string text;
  bool operator<(const ResourceId& o) const { return std::tie(number, text) < std::tie(o.number, o.text); }
  bool operator==(const ResourceId& o) const = default;
};

ResourceId IdOf(LPCSTR name) {
  ResourceId id;
  if (IS_INTRESOURCE(name)) {
    id.number = LOWORD(name);
    return id;
  }
  // A string of the form "#123" names the integer identifier 123.
  if (name[0] == '#') {
    DWORD value = 0;
    const char* p = name + 1;
    while (*p >= '0' && *p <= '9' && value <= 0xFFFF) value = value * 10 + DWORD(*p++ - '0');
    if (*p == 0 && p != name + 1 && value <= 0xFFFF) {
      id.number = WORD(value);
      return id;
    }
  }
  for (const char* p = name; *p; ++p) id.text += (char)std::toupper((unsigned char)*p);
  return id;
}

// A wide name in the ANSI code page, as the narrow entry points receive names; false when a
// character has no form there, so that such a name finds nothing rather than a look-alike.
bool NarrowName(LPCWSTR name, std::string& out) {
  BOOL usedDefault = FALSE;
  int bytes = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  out.assign((size_t)bytes, '\0');
  WideCharToMultiByte(CP_ACP, 0, name, -1, out.data(), bytes, nullptr, nullptr);
  out.resize((size_t)bytes - 1);
  return true;
}

struct Resource {
  std::vector<BYTE> bytes;
};

using Key = std::tuple<HMODULE, ResourceId, ResourceId>;

std::map<Key, std::unique_ptr<Resource>>& Table() {
  static std::map<Key, std::unique_ptr<Resource>> table;
  return table;
}

// Handles are the table's entries; anything else is refused.
Resource* Known(HRSRC handle) {
  for (auto& [key, resource] : Table())
    if (reinterpret_cast<HRSRC>(resource.get()) == handle) return resource.get();
  return nullptr;
}

}  // namespace

void SkyvaleRegisterResource(HMODULE module, LPCSTR name, LPCSTR type, const void* data, DWORD size) {
  if (!name || !type) return;
  Key key{module, IdOf(name), IdOf(type)};
  if (!data) {
    Table().erase(key);
    return;
  }
  auto resource = std::make_unique<Resource>();
  resource->bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  Table()[key] = std::move(resource);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ResourceId typeId = IdOf(type);
  auto it = Table().find(Key{module, IdOf(name), typeId});
  if (it != Table().end()) return reinterpret_cast<HRSRC>(it->second.get());
  bool typeKnown = false;
  for (auto& [key, resource] : Table()) typeKnown |= std::get<0>(key) == module && std::get<2>(key) == typeId;
  SetLastError(typeKnown ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string n, t;
  if (!IS_INTRESOURCE(type) && !NarrowName(type, t)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  if (!IS_INTRESOURCE(name) && !NarrowName(name, n)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return FindResourceA(module, IS_INTRESOURCE(name) ? reinterpret_cast<LPCSTR>(name) : n.c_str(),
                       IS_INTRESOURCE(type) ? reinterpret_cast<LPCSTR>(type) : t.c_str());
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  Resource* r = Known(resource);
  if (!r) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
  return r;
}

LPVOID LockResource(HGLOBAL data) {
  Resource* r = Known(static_cast<HRSRC>(data));
  return r ? r->bytes.data() : nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
  Resource* r = Known(resource);
  if (!r) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
  return r ? static_cast<DWORD>(r->bytes.size()) : 0;
}
