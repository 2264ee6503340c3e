// The two lexers and the value readers shared by both encodings.
#include "tokens.h"

#include <strings.h>
#include <charconv>
#include <cmath>
#include <cstring>

namespace xfile {

namespace {

// Binary token identifiers.
enum BinaryToken : WORD {
  kName = 1,
  kString = 2,
  kInteger = 3,
  kGuid = 5,
  kIntegerList = 6,
  kFloatList = 7,
  kOBrace = 10,
  kCBrace = 11,
  kOParen = 12,
  kCParen = 13,
  kOBracket = 14,
  kCBracket = 15,
  kOAngle = 16,
  kCAngle = 17,
  kDot = 18,
  kComma = 19,
  kSemicolon = 20,
  kTemplate = 31,
  kWord = 40,
  kDword = 41,
  kFloat = 42,
  kDouble = 43,
  kChar = 44,
  kUchar = 45,
  kSword = 46,
  kSdword = 47,
  kVoid = 48,
  kLpstr = 49,
  kUnicode = 50,
  kCstring = 51,
  kArray = 52,
};

WORD Word(const BYTE* p) { return WORD(p[0] | p[1] << 8); }
DWORD Dword(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24; }

bool IsDigit(BYTE c) { return c >= '0' && c <= '9'; }
bool IsNameStart(BYTE c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsNameChar(BYTE c) { return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.'; }

int HexValue(BYTE c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at p.
bool Hex(const BYTE* p, int digits, uint32_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    int h = HexValue(p[i]);
    if (h < 0) return false;
    value = value << 4 | uint32_t(h);
  }
  return true;
}

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" at p (36 characters).
bool ParseGuidText(const BYTE* p, GUID& guid) {
  uint32_t a, b, c, d, e1, e2;
  if (!Hex(p, 8, a) || p[8] != '-' || !Hex(p + 9, 4, b) || p[13] != '-' || !Hex(p + 14, 4, c) ||
      p[18] != '-' || !Hex(p + 19, 4, d) || p[23] != '-' || !Hex(p + 24, 4, e1) || !Hex(p + 28, 8, e2))
    return false;
  guid.Data1 = a;
  guid.Data2 = WORD(b);
  guid.Data3 = WORD(c);
  guid.Data4[0] = BYTE(d >> 8);
  guid.Data4[1] = BYTE(d);
  guid.Data4[2] = BYTE(e1 >> 8);
  guid.Data4[3] = BYTE(e1);
  for (int i = 0; i < 4; ++i) guid.Data4[4 + i] = BYTE(e2 >> (24 - 8 * i));
  return true;
}

struct Keyword {
  const char* text;
  Tok kind;
  Prim prim;
};

const Keyword kKeywords[] = {
    {"template", Tok::Template, Prim::None}, {"array", Tok::Array, Prim::None},
    {"word", Tok::Type, Prim::Word},         {"dword", Tok::Type, Prim::Dword},
    {"float", Tok::Type, Prim::Float},       {"double", Tok::Type, Prim::Double},
    {"char", Tok::Type, Prim::Char},         {"uchar", Tok::Type, Prim::Uchar},
    {"byte", Tok::Type, Prim::Uchar},        {"sword", Tok::Type, Prim::Sword},
    {"sdword", Tok::Type, Prim::Sdword},     {"string", Tok::Type, Prim::String},
    {"lpstr", Tok::Type, Prim::String},      {"cstring", Tok::Type, Prim::String},
    {"unicode", Tok::Type, Prim::String},    {"ulonglong", Tok::Type, Prim::Ulonglong},
};

// An integer in the range of any integer member (signed 32-bit up to unsigned 64-bit values are
// kept; the member's size decides what fits).
bool IntegralReal(double real, int64_t& value) {
  if (!(real >= -9.2e18 && real <= 9.2e18) || std::floor(real) != real) return false;
  value = static_cast<int64_t>(real);
  return true;
}

}  // namespace

HRESULT Tokens::Lex(Token& token) { return binary_ ? LexBinary(token) : LexText(token); }

HRESULT Tokens::LexText(Token& token) {
  token = Token();
  for (;;) {
    while (pos_ < end_ && *pos_ <= 0x20) ++pos_;
    if (pos_ < end_ && (*pos_ == '#' || (*pos_ == '/' && end_ - pos_ > 1 && pos_[1] == '/'))) {
      while (pos_ < end_ && *pos_ != '\n') ++pos_;
      continue;
    }
    break;
  }
  if (pos_ == end_) return DXFILE_OK;
  const BYTE c = *pos_;
  auto punct = [&](Tok kind) {
    token.kind = kind;
    ++pos_;
    return DXFILE_OK;
  };
  switch (c) {
    case '{':
      return punct(Tok::OBrace);
    case '}':
      return punct(Tok::CBrace);
    case '[':
      return punct(Tok::OBracket);
    case ']':
      return punct(Tok::CBracket);
    case '(':
      return punct(Tok::OParen);
    case ')':
      return punct(Tok::CParen);
    case '>':
      return punct(Tok::CAngle);
    case ',':
      return punct(Tok::Comma);
    case ';':
      return punct(Tok::Semicolon);
    case '<': {
      // <XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>, blanks allowed inside the brackets.
      const BYTE* p = pos_ + 1;
      while (p < end_ && *p <= 0x20) ++p;
      if (end_ - p < 36 || !ParseGuidText(p, token.guid)) return DXFILEERR_PARSEERROR;
      p += 36;
      while (p < end_ && *p <= 0x20) ++p;
      if (p == end_ || *p != '>') return DXFILEERR_PARSEERROR;
      pos_ = p + 1;
      token.kind = Tok::Guid;
      return DXFILE_OK;
    }
    case '"': {
      const BYTE* close = static_cast<const BYTE*>(std::memchr(pos_ + 1, '"', size_t(end_ - pos_ - 1)));
      if (!close) return DXFILEERR_PARSEERROR;
      token.kind = Tok::String;
      token.text = std::string_view(reinterpret_cast<const char*>(pos_ + 1), size_t(close - pos_ - 1));
      pos_ = close + 1;
      return DXFILE_OK;
    }
    default:
      break;
  }
  if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
    const char* start = reinterpret_cast<const char*>(pos_ + (c == '+' ? 1 : 0));
    const char* stop = reinterpret_cast<const char*>(end_);
    const char* q = start;
    if (q < stop && *q == '-') ++q;
    const char* digits = q;
    while (q < stop && IsDigit(BYTE(*q))) ++q;
    bool isFloat = false;
    if (q < stop && *q == '.') {
      isFloat = true;
      ++q;
      while (q < stop && IsDigit(BYTE(*q))) ++q;
    }
    if (q == digits || (q == digits + 1 && *digits == '.')) {
      if (c == '.') return punct(Tok::Dot);
      return DXFILEERR_PARSEERROR;
    }
    if (q < stop && (*q == 'e' || *q == 'E')) {
      const char* e = q + 1;
      if (e < stop && (*e == '+' || *e == '-')) ++e;
      if (e < stop && IsDigit(BYTE(*e))) {
        isFloat = true;
        q = e;
        while (q < stop && IsDigit(BYTE(*q))) ++q;
      }
    }
    if (isFloat) {
      auto r = std::from_chars(start, q, token.real);
      if (r.ec != std::errc() || r.ptr != q) return DXFILEERR_BADVALUE;
      token.kind = Tok::Float;
    } else {
      auto r = std::from_chars(start, q, token.integer);
      if (r.ec != std::errc() || r.ptr != q) return DXFILEERR_BADVALUE;
      token.kind = Tok::Integer;
    }
    pos_ = reinterpret_cast<const BYTE*>(q);
    return DXFILE_OK;
  }
  if (!IsNameStart(c)) return DXFILEERR_PARSEERROR;
  const BYTE* q = pos_ + 1;
  while (q < end_ && IsNameChar(*q)) ++q;
  token.kind = Tok::Name;
  token.text = std::string_view(reinterpret_cast<const char*>(pos_), size_t(q - pos_));
  pos_ = q;
  if (token.text.size() <= 9) {
    for (const Keyword& k : kKeywords) {
      if (std::strlen(k.text) == token.text.size() &&
          strncasecmp(k.text, token.text.data(), token.text.size()) == 0) {
        token.kind = k.kind;
        token.prim = k.prim;
        break;
      }
    }
  }
  return DXFILE_OK;
}

HRESULT Tokens::LexBinary(Token& token) {
  token = Token();
  if (pos_ == end_) return DXFILE_OK;
  const size_t left = size_t(end_ - pos_);
  if (left < 2) return DXFILEERR_PARSEERROR;
  const WORD id = Word(pos_);
  const BYTE* p = pos_ + 2;
  const size_t after = left - 2;
  auto simple = [&](Tok kind, Prim prim = Prim::None) {
    token.kind = kind;
    token.prim = prim;
    pos_ = p;
    return DXFILE_OK;
  };
  switch (id) {
    case kName:
    case kString: {
      if (after < 4) return DXFILEERR_PARSEERROR;
      const DWORD count = Dword(p);
      if (count > after - 4) return DXFILEERR_PARSEERROR;
      token.kind = id == kName ? Tok::Name : Tok::String;
      token.text = std::string_view(reinterpret_cast<const char*>(p + 4), count);
      pos_ = p + 4 + count;
      if (id == kString && end_ - pos_ >= 2 && (Word(pos_) == kComma || Word(pos_) == kSemicolon)) {
        // The terminator; some writers store it as a DWORD, whose high word is no token.
        pos_ += 2;
        if (end_ - pos_ >= 2 && Word(pos_) == 0) pos_ += 2;
      }
      return DXFILE_OK;
    }
    case kInteger:
      if (after < 4) return DXFILEERR_PARSEERROR;
      token.kind = Tok::Integer;
      token.integer = Dword(p);
      pos_ = p + 4;
      return DXFILE_OK;
    case kGuid:
      if (after < 16) return DXFILEERR_PARSEERROR;
      token.kind = Tok::Guid;
      token.guid.Data1 = Dword(p);
      token.guid.Data2 = Word(p + 4);
      token.guid.Data3 = Word(p + 6);
      std::memcpy(token.guid.Data4, p + 8, 8);
      pos_ = p + 16;
      return DXFILE_OK;
    case kIntegerList:
    case kFloatList: {
      if (after < 4) return DXFILEERR_PARSEERROR;
      const uint64_t count = Dword(p);
      const uint64_t element = id == kIntegerList ? 4 : (doubles_ ? 8 : 4);
      // The count is checked against the bytes present before anything relies on it.
      if (count * element > after - 4) return DXFILEERR_BADARRAYSIZE;
      token.kind = id == kIntegerList ? Tok::IntList : Tok::FloatList;
      token.integer = int64_t(count);
      token.text = std::string_view(reinterpret_cast<const char*>(p + 4), size_t(count * element));
      pos_ = p + 4 + count * element;
      return DXFILE_OK;
    }
    case kOBrace:
      return simple(Tok::OBrace);
    case kCBrace:
      return simple(Tok::CBrace);
    case kOParen:
      return simple(Tok::OParen);
    case kCParen:
      return simple(Tok::CParen);
    case kOBracket:
      return simple(Tok::OBracket);
    case kCBracket:
      return simple(Tok::CBracket);
    case kOAngle:
      return simple(Tok::OAngle);
    case kCAngle:
      return simple(Tok::CAngle);
    case kDot:
      return simple(Tok::Dot);
    case kComma:
      return simple(Tok::Comma);
    case kSemicolon:
      return simple(Tok::Semicolon);
    case kTemplate:
      return simple(Tok::Template);
    case kArray:
      return simple(Tok::Array);
    case kWord:
      return simple(Tok::Type, Prim::Word);
    case kDword:
      return simple(Tok::Type, Prim::Dword);
    case kFloat:
      return simple(Tok::Type, Prim::Float);
    case kDouble:
      return simple(Tok::Type, Prim::Double);
    case kChar:
      return simple(Tok::Type, Prim::Char);
    case kUchar:
      return simple(Tok::Type, Prim::Uchar);
    case kSword:
      return simple(Tok::Type, Prim::Sword);
    case kSdword:
      return simple(Tok::Type, Prim::Sdword);
    case kVoid:
      return simple(Tok::Type, Prim::None);
    case kLpstr:
    case kUnicode:
    case kCstring:
      return simple(Tok::Type, Prim::String);
    default:
      return DXFILEERR_PARSEERROR;
  }
}

HRESULT Tokens::Peek(const Token*& token) {
  if (listLeft_ > 0) {
    // A partly read number list blocks every structural rule.
    listToken_.kind = listFloats_ ? Tok::FloatList : Tok::IntList;
    token = &listToken_;
    return DXFILE_OK;
  }
  if (!peeked_) {
    peekResult_ = Lex(peek_);
    peeked_ = true;
  }
  token = &peek_;
  return peekResult_;
}

HRESULT Tokens::Take(Token& token) {
  if (listLeft_ > 0) return DXFILEERR_PARSEERROR;
  if (peeked_) {
    peeked_ = false;
    token = peek_;
    return peekResult_;
  }
  return Lex(token);
}

HRESULT Tokens::Accept(Tok kind, bool& taken) {
  const Token* next;
  HRESULT hr = Peek(next);
  taken = SUCCEEDED(hr) && next->kind == kind;
  if (taken) peeked_ = false;
  return hr;
}

HRESULT Tokens::Expect(Tok kind, Token* token) {
  Token t;
  HRESULT hr = Take(t);
  if (FAILED(hr)) return hr;
  if (t.kind != kind) return DXFILEERR_PARSEERROR;
  if (token) *token = t;
  return DXFILE_OK;
}

HRESULT Tokens::SkipSeparators() {
  for (;;) {
    const Token* next;
    HRESULT hr = Peek(next);
    if (FAILED(hr)) return hr;
    if (next->kind != Tok::Comma && next->kind != Tok::Semicolon) return DXFILE_OK;
    peeked_ = false;
  }
}

HRESULT Tokens::NextValueToken(Token& token) {
  HRESULT hr = SkipSeparators();
  if (FAILED(hr)) return hr;
  hr = Take(token);
  if (SUCCEEDED(hr) && (token.kind == Tok::IntList || token.kind == Tok::FloatList)) {
    list_ = reinterpret_cast<const BYTE*>(token.text.data());
    listLeft_ = static_cast<uint32_t>(token.integer);
    listFloats_ = token.kind == Tok::FloatList;
  }
  return hr;
}

HRESULT Tokens::ReadInteger(int64_t& value) {
  for (;;) {
    if (listLeft_ > 0) {
      --listLeft_;
      if (!listFloats_) {
        value = Dword(list_);
        list_ += 4;
        return DXFILE_OK;
      }
      double real;
      if (doubles_) {
        std::memcpy(&real, list_, 8);
        list_ += 8;
      } else {
        float f;
        std::memcpy(&f, list_, 4);
        list_ += 4;
        real = f;
      }
      return IntegralReal(real, value) ? DXFILE_OK : DXFILEERR_BADVALUE;
    }
    Token t;
    HRESULT hr = NextValueToken(t);
    if (FAILED(hr)) return hr;
    if (t.kind == Tok::IntList || t.kind == Tok::FloatList) continue;  // now in the list
    if (t.kind == Tok::Integer) {
      value = t.integer;
      return DXFILE_OK;
    }
    if (t.kind == Tok::Float) return IntegralReal(t.real, value) ? DXFILE_OK : DXFILEERR_BADVALUE;
    return DXFILEERR_PARSEERROR;
  }
}

HRESULT Tokens::ReadReal(double& value) {
  for (;;) {
    if (listLeft_ > 0) {
      --listLeft_;
      if (!listFloats_) {
        value = Dword(list_);
        list_ += 4;
      } else if (doubles_) {
        std::memcpy(&value, list_, 8);
        list_ += 8;
      } else {
        float f;
        std::memcpy(&f, list_, 4);
        list_ += 4;
        value = f;
      }
      return DXFILE_OK;
    }
    Token t;
    HRESULT hr = NextValueToken(t);
    if (FAILED(hr)) return hr;
    if (t.kind == Tok::IntList || t.kind == Tok::FloatList) continue;
    if (t.kind == Tok::Float) {
      value = t.real;
      return DXFILE_OK;
    }
    if (t.kind == Tok::Integer) {
      value = double(t.integer);
      return DXFILE_OK;
    }
    return DXFILEERR_PARSEERROR;
  }
}

HRESULT Tokens::ReadString(std::string_view& value) {
  if (listLeft_ > 0) return DXFILEERR_PARSEERROR;
  Token t;
  HRESULT hr = NextValueToken(t);
  if (FAILED(hr)) return hr;
  if (t.kind != Tok::String) return DXFILEERR_PARSEERROR;
  value = t.text;
  return DXFILE_OK;
}

}  // namespace xfile
