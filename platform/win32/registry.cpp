// Registry reads backed by a .reg export file (REGEDIT4 or version 5, ANSI/UTF-8 or UTF-16LE)
// named by SKYVALE_REGISTRY. The file is read at every RegOpenKeyA, so tests may switch files;
// an opened key keeps the values it had when opened.
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <sstream>
#include <vector>

#include "platform.h"

namespace {

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::map<std::string, Value> values;  // lower-case names; "" is the default value
};

std::set<Key*> gOpenKeys;

std::string Lower(std::string s) { return win32::AsciiLower(std::move(s)); }

const char* RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "hkey_local_machine";
  if (root == HKEY_CURRENT_USER) return "hkey_current_user";
  if (root == HKEY_CLASSES_ROOT) return "hkey_classes_root";
  if (root == HKEY_USERS) return "hkey_users";
  return nullptr;
}

std::string CanonicalRoot(const std::string& root) {
  if (root == "hklm") return "hkey_local_machine";
  if (root == "hkcu") return "hkey_current_user";
  if (root == "hkcr") return "hkey_classes_root";
  if (root == "hku") return "hkey_users";
  return root;
}

// Collapses repeated and trailing separators so "Software\\Direct3D\\" names the same key.
std::string NormalisePath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  out = win32::AsciiLower(std::move(out));
  while (!out.empty() && out.back() == '\\') out.pop_back();
  size_t sep = out.find('\\');
  return CanonicalRoot(out.substr(0, sep)) + (sep == std::string::npos ? "" : out.substr(sep));
}

std::string ReadText(const char* path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  f.exceptions(std::ios::badbit);
  std::string raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (raw.size() >= 2 && (unsigned char)raw[0] == 0xFF && (unsigned char)raw[1] == 0xFE) {
    std::string text;  // UTF-16LE: keys and values of interest are ASCII; others become '?'
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
      unsigned u = (unsigned char)raw[i] | ((unsigned char)raw[i + 1] << 8);
      text += u < 0x80 ? (char)u : '?';
    }
    return text;
  }
  if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
  return raw;
}

bool ParseHexBytes(const std::string& s, std::vector<BYTE>& out) {
  std::istringstream in(s);
  in.exceptions(std::ios::badbit);  // a refused allocation is rethrown, not taken for the end
  std::string item;
  while (std::getline(in, item, ',')) {
    size_t a = item.find_first_not_of(" \t"), b = item.find_last_not_of(" \t");
    if (a == std::string::npos) continue;
    item = item.substr(a, b - a + 1);
    if (item.size() > 2) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(item.c_str(), &end, 16);
    if (*end) return false;
    out.push_back((BYTE)v);
  }
  return true;
}

// Parses `"name"=data` or `@=data`; false when the line is not a value line we understand.
bool ParseValueLine(const std::string& line, std::string& name, Value& value) {
  size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else if (line[0] == '"') {
    for (pos = 1; pos < line.size() && line[pos] != '"'; ++pos) {
      if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
      name += line[pos];
    }
    if (pos >= line.size()) return false;
    ++pos;
  } else {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  std::string data = line.substr(pos + 1);
  name = Lower(name);
  if (!data.empty() && data[0] == '"') {
    value.type = REG_SZ;
    for (size_t i = 1; i < data.size() && data[i] != '"'; ++i) {
      if (data[i] == '\\' && i + 1 < data.size()) ++i;
      value.data.push_back((BYTE)data[i]);
    }
    value.data.push_back(0);
    return true;
  }
  std::string lower = Lower(data);
  if (lower.rfind("dword:", 0) == 0) {
    std::string digits = lower.substr(6);
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdef") != std::string::npos)
      return false;
    DWORD v = (DWORD)std::strtoul(digits.c_str(), nullptr, 16);
    value.type = REG_DWORD;
    value.data.assign((BYTE*)&v, (BYTE*)&v + 4);
    return true;
  }
  if (lower.rfind("hex:", 0) == 0) {
    value.type = REG_BINARY;
    return ParseHexBytes(lower.substr(4), value.data);
  }
  if (lower.rfind("hex(", 0) == 0) {
    size_t close = lower.find("):");
    if (close == std::string::npos) return false;
    value.type = (DWORD)std::strtoul(lower.substr(4, close - 4).c_str(), nullptr, 16);
    return ParseHexBytes(lower.substr(close + 2), value.data);
  }
  return false;
}

// Reads the key at `path` (normalised) from the registry file. False when the file or the key
// does not exist; a key exists when it or any key below it has a section.
bool LoadKey(const std::string& path, Key& key) {
  const char* file = std::getenv("SKYVALE_REGISTRY");
  if (!file || !*file) return false;
  std::istringstream in(ReadText(file));
  in.exceptions(std::ios::badbit);  // a refused allocation is rethrown, not taken for the end
  std::string line, pending, section;
  bool found = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos) {
      pending += line.substr(0, line.size() - 1);  // hex data continued on the next line
      continue;
    }
    if (!pending.empty()) {
      size_t a = line.find_first_not_of(" \t");
      line = pending + (a == std::string::npos ? "" : line.substr(a));
      pending.clear();
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      section = close == std::string::npos || line[1] == '-' ? "" : NormalisePath(line.substr(1, close - 1));
      if (!section.empty() && (section == path || section.rfind(path + "\\", 0) == 0)) found = true;
      continue;
    }
    if (section != path) continue;
    std::string name;
    Value value;
    if (ParseValueLine(line, name, value)) key.values[name] = std::move(value);
  }
  return found;
}

}  // namespace

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  const char* root = RootName(key);
  if (!root) return ERROR_INVALID_HANDLE;  // opening below an opened key is not needed by any caller
  // A C caller cannot catch: an allocation refused while reading the file becomes an error code.
  try {
    std::string path = NormalisePath(std::string(root) + "\\" + (subKey ? subKey : ""));
    auto opened = std::make_unique<Key>();
    if (!LoadKey(path, *opened)) return ERROR_FILE_NOT_FOUND;
    gOpenKeys.insert(opened.get());
    *result = (HKEY)opened.release();
    return ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  auto* k = (Key*)key;
  if (!gOpenKeys.count(k)) return ERROR_INVALID_HANDLE;
  auto it = k->values.find(Lower(valueName ? valueName : ""));
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& v = it->second;
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  if (type) *type = v.type;
  DWORD size = (DWORD)v.data.size();
  if (data) {
    if (*dataSize < size) {
      *dataSize = size;
      return ERROR_MORE_DATA;
    }
    std::copy(v.data.begin(), v.data.end(), data);
  }
  if (dataSize) *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (RootName(key)) return ERROR_SUCCESS;
  auto* k = (Key*)key;
  if (!gOpenKeys.erase(k)) return ERROR_INVALID_HANDLE;
  delete k;
  return ERROR_SUCCESS;
}
