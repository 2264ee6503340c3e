// One token stream over the text and the binary encodings. The grammar reads structure through
// Peek/Take and member values through the Read functions, which skip separators and, in binary,
// draw numbers from the current integer or float list.
#pragma once
#include "xfile.h"

namespace xfile {

enum class Tok : uint8_t {
  End,
  Name,
  String,
  Integer,
  Float,
  Guid,
  IntList,    // binary: a list of DWORDs (Take is never used on it; values are read)
  FloatList,  // binary: a list of floats or doubles
  OBrace,
  CBrace,
  OParen,
  CParen,
  OBracket,
  CBracket,
  OAngle,
  CAngle,
  Dot,
  Comma,
  Semicolon,
  Template,
  Array,
  Type,  // a primitive type keyword; Token::prim says which
};

struct Token {
  Tok kind = Tok::End;
  Prim prim = Prim::None;
  std::string_view text;  // Name and String
  int64_t integer = 0;
  double real = 0;
  GUID guid{};
};

class Tokens {
 public:
  Tokens(const BYTE* data, size_t size, bool binary, bool doubles)
      : pos_(data), end_(data + size), binary_(binary), doubles_(doubles) {}

  // The next structural token. Inside a binary number list that still has values, it is the
  // list itself (IntList/FloatList), which no structural rule accepts.
  HRESULT Peek(const Token*& token);
  HRESULT Take(Token& token);
  // Takes the next token when it has this kind.
  HRESULT Accept(Tok kind, bool& taken);
  HRESULT Expect(Tok kind, Token* token = nullptr);
  HRESULT SkipSeparators();

  HRESULT ReadInteger(int64_t& value);
  HRESULT ReadReal(double& value);
  HRESULT ReadString(std::string_view& value);

  // An upper bound on the values still to come: each takes at least one byte.
  uint64_t ValueCapacity() const { return listLeft_ + static_cast<uint64_t>(end_ - pos_); }
  // The binary number list in use still holds values.
  bool InList() const { return listLeft_ > 0; }

 private:
  HRESULT Lex(Token& token);
  HRESULT LexText(Token& token);
  HRESULT LexBinary(Token& token);
  HRESULT NextValueToken(Token& token);

  const BYTE* pos_;
  const BYTE* end_;
  bool binary_;
  bool doubles_;
  bool peeked_ = false;
  HRESULT peekResult_ = DXFILE_OK;
  Token peek_;
  // Binary number list being read.
  const BYTE* list_ = nullptr;
  uint32_t listLeft_ = 0;
  bool listFloats_ = false;
  Token listToken_;
};

}  // namespace xfile
