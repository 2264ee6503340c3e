// Builders of X-file inputs the test rooms need beyond text: binary token streams and compressed
// bodies (MSZIP blocks deflated with zlib, each block using the output before it as history).
#pragma once
#include <windows.h>
#include <zlib.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

class BinaryX {
 public:
  explicit BinaryX(bool doubles = false) { Raw(doubles ? "xof 0303bin 0064" : "xof 0303bin 0032"); }

  BinaryX& Token(WORD id) {
    Word(id);
    return *this;
  }
  BinaryX& Name(const std::string& name) {
    Word(1);
    Dword(DWORD(name.size()));
    Raw(name);
    return *this;
  }
  BinaryX& String(const std::string& text) {
    Word(2);
    Dword(DWORD(text.size()));
    Raw(text);
    Word(20);
    return *this;
  }
  BinaryX& Integer(DWORD value) {
    Word(3);
    Dword(value);
    return *this;
  }
  BinaryX& Guid(const GUID& id) {
    Word(5);
    Dword(id.Data1);
    Word(id.Data2);
    Word(id.Data3);
    for (BYTE b : id.Data4) bytes.push_back(b);
    return *this;
  }
  BinaryX& Ints(std::initializer_list<DWORD> values) {
    Word(6);
    Dword(DWORD(values.size()));
    for (DWORD v : values) Dword(v);
    return *this;
  }
  // A float list as the header's float size stores it.
  BinaryX& Floats(std::initializer_list<double> values) {
    Word(7);
    Dword(DWORD(values.size()));
    const bool doubles = std::memcmp(bytes.data() + 12, "0064", 4) == 0;
    for (double v : values) {
      if (doubles) {
        Append(&v, 8);
      } else {
        float f = float(v);
        Append(&f, 4);
      }
    }
    return *this;
  }
  BinaryX& OBrace() { return Token(10); }
  BinaryX& CBrace() { return Token(11); }
  BinaryX& OBracket() { return Token(14); }
  BinaryX& CBracket() { return Token(15); }
  BinaryX& Dot() { return Token(18); }
  BinaryX& Comma() { return Token(19); }
  BinaryX& Semicolon() { return Token(20); }
  BinaryX& Template() { return Token(31); }
  BinaryX& Array() { return Token(52); }
  static constexpr WORD kWord = 40, kDword = 41, kFloat = 42, kDouble = 43, kString = 49;

  std::vector<BYTE> bytes;

 private:
  void Raw(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
  void Append(const void* p, size_t n) {
    const BYTE* b = static_cast<const BYTE*>(p);
    bytes.insert(bytes.end(), b, b + n);
  }
  void Word(WORD w) { Append(&w, 2); }
  void Dword(DWORD d) { Append(&d, 4); }
};

// The compressed form of an uncompressed X file ("txt " becomes "tzip", "bin " becomes "bzip").
inline std::vector<BYTE> CompressX(const std::vector<BYTE>& file, size_t blockSize = 32768) {
  std::vector<BYTE> out(file.begin(), file.begin() + 16);
  std::memcpy(out.data() + 8, std::memcmp(file.data() + 8, "bin ", 4) == 0 ? "bzip" : "tzip", 4);
  const DWORD total = DWORD(file.size());
  out.insert(out.end(), reinterpret_cast<const BYTE*>(&total), reinterpret_cast<const BYTE*>(&total) + 4);
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  for (size_t at = 16; at < file.size(); at += blockSize) {
    const size_t n = std::min(blockSize, file.size() - at);
    deflateReset(&z);
    const size_t window = std::min<size_t>(at - 16, 32768);
    if (window) deflateSetDictionary(&z, file.data() + at - window, uInt(window));
    std::vector<BYTE> block(deflateBound(&z, uLong(n)) + 16);
    z.next_in = const_cast<Bytef*>(file.data() + at);
    z.avail_in = uInt(n);
    z.next_out = block.data();
    z.avail_out = uInt(block.size());
    deflate(&z, Z_FINISH);
    const WORD plain = WORD(n), packed = WORD(block.size() - z.avail_out + 2);
    out.insert(out.end(), reinterpret_cast<const BYTE*>(&plain), reinterpret_cast<const BYTE*>(&plain) + 2);
    out.insert(out.end(), reinterpret_cast<const BYTE*>(&packed), reinterpret_cast<const BYTE*>(&packed) + 2);
    out.push_back('C');
    out.push_back('K');
    out.insert(out.end(), block.begin(), block.begin() + (block.size() - z.avail_out));
  }
  deflateEnd(&z);
  return out;
}

inline std::vector<BYTE> Bytes(const std::string& text) {
  return std::vector<BYTE>(text.begin(), text.end());
}
