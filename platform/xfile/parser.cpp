// The grammar shared by both encodings: template definitions, data objects with their member
// values laid out as the template says, children and references. References are resolved once
// the whole file is read, each to an object whose closing brace came before the reference.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "tokens.h"

namespace xfile {

namespace {

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a + b < a ? UINT64_MAX : a + b; }
uint64_t SaturatingMul(uint64_t a, uint64_t b) {
  uint64_t r;
  return __builtin_mul_overflow(a, b, &r) ? UINT64_MAX : r;
}

template <typename T>
void Append(std::vector<BYTE>& out, const T& value) {
  const size_t at = out.size();
  out.resize(at + sizeof(T));
  std::memcpy(out.data() + at, &value, sizeof(T));
}

// Sizes, value counts and nesting of a finished definition.
HRESULT Summarise(Template& t) {
  uint64_t values = 0, size = 0;
  bool fixed = true;
  int depth = 1;
  for (const Member& m : t.members) {
    const uint64_t elementValues = m.type ? m.type->minValues : 1;
    const uint64_t elementSize = m.type ? m.type->fixedSize : PrimSize(m.prim);
    if (m.type) {
      depth = std::max(depth, m.type->depth + 1);
      fixed &= m.type->isFixed;
    }
    uint64_t count = 1;
    bool fixedCount = true;
    for (const Dim& d : m.dims) {
      if (d.member >= 0) fixedCount = false;
      count = SaturatingMul(count, d.fixed);
    }
    if (!fixedCount) {
      fixed = false;
      continue;
    }
    values = SaturatingAdd(values, SaturatingMul(count, elementValues));
    size = SaturatingAdd(size, SaturatingMul(count, elementSize));
  }
  if (depth > kMaxTemplateDepth) return DXFILEERR_PARSEERROR;
  t.depth = depth;
  t.minValues = values;
  t.isFixed = fixed && size <= SIZE_MAX / 2;
  t.fixedSize = t.isFixed ? size_t(size) : 0;
  return DXFILE_OK;
}

class Parser {
 public:
  Parser(Tokens& tokens, Document& doc) : tokens_(tokens), doc_(doc) {}

  HRESULT File() {
    for (;;) {
      HRESULT hr = tokens_.SkipSeparators();
      if (FAILED(hr)) return hr;
      const Token* next;
      hr = tokens_.Peek(next);
      if (FAILED(hr)) return hr;
      if (next->kind == Tok::End) break;
      if (next->kind == Tok::Template) {
        hr = TemplateDefinition();
      } else if (next->kind == Tok::Name) {
        Node* node;
        hr = Object(1, nullptr, node);
        if (SUCCEEDED(hr)) doc_.top.push_back(node);
      } else {
        hr = DXFILEERR_PARSEERROR;
      }
      if (FAILED(hr)) return hr;
    }
    ResolveReferences();
    return DXFILE_OK;
  }

 private:
  struct PendingReference {
    Node* owner;
    size_t child;
    uint64_t closedBefore;  // the target must be closed by this point
  };

  HRESULT TemplateDefinition() {
    Token name, id;
    HRESULT hr = tokens_.Expect(Tok::Template);
    if (SUCCEEDED(hr)) hr = tokens_.Expect(Tok::Name, &name);
    if (SUCCEEDED(hr)) hr = tokens_.Expect(Tok::OBrace);
    if (SUCCEEDED(hr)) hr = tokens_.Expect(Tok::Guid, &id);
    if (FAILED(hr)) return hr;
    auto t = std::make_unique<Template>();
    t->name = name.text;
    t->id = id.guid;
    for (;;) {
      Token next;
      hr = tokens_.Take(next);
      if (FAILED(hr)) return hr;
      if (next.kind == Tok::CBrace) break;
      if (next.kind == Tok::OBracket) {
        hr = Restriction(*t);
        if (SUCCEEDED(hr)) hr = tokens_.Expect(Tok::CBrace);
        if (FAILED(hr)) return hr;
        break;
      }
      Member m;
      const bool isArray = next.kind == Tok::Array;
      if (isArray) {
        hr = tokens_.Take(next);
        if (FAILED(hr)) return hr;
      }
      hr = MemberType(next, m);
      if (FAILED(hr)) return hr;
      bool named;
      Token memberName;
      const Token* peek;
      hr = tokens_.Peek(peek);
      if (FAILED(hr)) return hr;
      named = peek->kind == Tok::Name;
      if (named) tokens_.Take(memberName);
      if (isArray) {
        if (!named) return DXFILEERR_PARSEERROR;
        hr = Dimensions(*t, m);
        if (FAILED(hr)) return hr;
      }
      if (named) m.name = memberName.text;
      hr = tokens_.Expect(Tok::Semicolon);
      if (FAILED(hr)) return hr;
      t->members.push_back(std::move(m));
    }
    hr = Summarise(*t);
    if (FAILED(hr)) return hr;
    doc_.templates.Add(std::move(t));
    return DXFILE_OK;
  }

  HRESULT MemberType(const Token& token, Member& m) {
    if (token.kind == Tok::Type) {
      if (token.prim == Prim::None) return DXFILEERR_BADTYPE;
      m.prim = token.prim;
      return DXFILE_OK;
    }
    if (token.kind != Tok::Name) return DXFILEERR_PARSEERROR;
    m.type = doc_.templates.Find(token.text);
    return m.type ? DXFILE_OK : DXFILEERR_NOTEMPLATE;
  }

  // [16] or [nCount], possibly several; a named size must be an earlier integer member.
  HRESULT Dimensions(Template& t, Member& m) {
    for (;;) {
      bool open;
      HRESULT hr = tokens_.Accept(Tok::OBracket, open);
      if (FAILED(hr)) return hr;
      if (!open) break;
      if (m.dims.size() == kMaxDims) return DXFILEERR_PARSEERROR;
      Token size;
      hr = tokens_.Take(size);
      if (FAILED(hr)) return hr;
      Dim d;
      if (size.kind == Tok::Integer) {
        if (size.integer < 0 || size.integer > int64_t(UINT32_MAX)) return DXFILEERR_BADARRAYSIZE;
        d.fixed = uint32_t(size.integer);
      } else if (size.kind == Tok::Name) {
        for (size_t i = 0; i < t.members.size(); ++i) {
          const Member& earlier = t.members[i];
          if (earlier.name == size.text && earlier.dims.empty() && PrimIsInteger(earlier.prim))
            d.member = int(i);
        }
        if (d.member < 0) return DXFILEERR_PARSEERROR;
        t.usedAsDim = true;
      } else {
        return DXFILEERR_PARSEERROR;
      }
      m.dims.push_back(d);
      hr = tokens_.Expect(Tok::CBracket);
      if (FAILED(hr)) return hr;
    }
    return m.dims.empty() ? DXFILEERR_PARSEERROR : DXFILE_OK;
  }

  // After the opening bracket: "...]" for any child, or the allowed templates by name with an
  // optional identifier each.
  HRESULT Restriction(Template& t) {
    bool dot;
    HRESULT hr = tokens_.Accept(Tok::Dot, dot);
    if (FAILED(hr)) return hr;
    if (dot) {
      hr = tokens_.Expect(Tok::Dot);
      if (SUCCEEDED(hr)) hr = tokens_.Expect(Tok::Dot);
      if (SUCCEEDED(hr)) hr = tokens_.Expect(Tok::CBracket);
      t.restriction = Restriction::Open;
      return hr;
    }
    t.restriction = Restriction::Listed;
    for (;;) {
      Token next;
      hr = tokens_.Take(next);
      if (FAILED(hr)) return hr;
      if (next.kind == Tok::CBracket) return DXFILE_OK;
      if (next.kind == Tok::Comma) continue;
      if (next.kind != Tok::Name) return DXFILEERR_PARSEERROR;
      AllowedChild child;
      child.name = next.text;
      const Token* peek;
      hr = tokens_.Peek(peek);
      if (FAILED(hr)) return hr;
      if (peek->kind == Tok::Guid) {
        child.id = peek->guid;
        child.hasId = true;
        tokens_.Take(next);
      }
      t.allowed.push_back(std::move(child));
    }
  }

  HRESULT Object(int depth, const Template* parent, Node*& out) {
    if (depth > kMaxObjectDepth) return DXFILEERR_PARSEERROR;
    Token name;
    HRESULT hr = tokens_.Expect(Tok::Name, &name);
    if (FAILED(hr)) return hr;
    const Template* type = doc_.templates.Find(name.text);
    if (!type) return DXFILEERR_NOTEMPLATE;
    if (parent && !parent->Allows(*type)) return DXFILEERR_PARSEERROR;
    Node& node = doc_.nodes.emplace_back();
    node.type = type;
    const Token* peek;
    hr = tokens_.Peek(peek);
    if (FAILED(hr)) return hr;
    if (peek->kind == Tok::Name) {
      node.name = peek->text;
      tokens_.Take(name);
    }
    hr = tokens_.Expect(Tok::OBrace);
    if (FAILED(hr)) return hr;
    hr = tokens_.Peek(peek);
    if (FAILED(hr)) return hr;
    if (peek->kind == Tok::Guid) {
      node.id = peek->guid;
      node.hasId = true;
      tokens_.Take(name);
    }
    hr = Members(*type, node.data);
    if (FAILED(hr)) return hr;
    for (;;) {
      hr = tokens_.SkipSeparators();
      if (SUCCEEDED(hr)) hr = tokens_.Peek(peek);
      if (FAILED(hr)) return hr;
      if (peek->kind == Tok::CBrace) {
        tokens_.Take(name);
        node.closedAt = ++closed_;
        out = &node;
        return DXFILE_OK;
      }
      if (peek->kind == Tok::OBrace) {
        // A reference is a child too; what it names is only known once the file is read.
        hr = type->restriction == Restriction::Closed ? DXFILEERR_PARSEERROR : Reference(node);
      } else if (peek->kind == Tok::Name) {
        Node* child;
        hr = Object(depth + 1, type, child);
        if (SUCCEEDED(hr)) {
          Child c;
          c.node = child;
          node.children.push_back(std::move(c));
        }
      } else {
        hr = DXFILEERR_PARSEERROR;  // values beyond the template, a stray token, or the end
      }
      if (FAILED(hr)) return hr;
    }
  }

  // { name }, { <identifier> } or { name <identifier> }.
  HRESULT Reference(Node& owner) {
    Child c;
    c.isReference = true;
    HRESULT hr = tokens_.Expect(Tok::OBrace);
    if (FAILED(hr)) return hr;
    Token next;
    hr = tokens_.Take(next);
    if (SUCCEEDED(hr) && next.kind == Tok::Name) {
      c.name = next.text;
      hr = tokens_.Take(next);
    }
    if (SUCCEEDED(hr) && next.kind == Tok::Guid) {
      c.id = next.guid;
      c.hasId = true;
      hr = tokens_.Take(next);
    }
    if (FAILED(hr)) return hr;
    if (next.kind != Tok::CBrace || (c.name.empty() && !c.hasId)) return DXFILEERR_PARSEERROR;
    owner.children.push_back(std::move(c));
    pending_.push_back({&owner, owner.children.size() - 1, closed_});
    return DXFILE_OK;
  }

  // The members of one instance of `type`, appended to `out`.
  HRESULT Members(const Template& type, std::vector<BYTE>& out) {
    const size_t base = counts_.size();
    if (type.usedAsDim) counts_.resize(base + type.members.size(), 0);
    HRESULT hr = DXFILE_OK;
    for (size_t i = 0; i < type.members.size() && SUCCEEDED(hr); ++i) {
      const Member& m = type.members[i];
      if (m.dims.empty()) {
        int64_t value = 0;
        hr = m.type ? Members(*m.type, out) : Scalar(m.prim, out, value);
        if (type.usedAsDim) counts_[base + i] = uint64_t(value);
        continue;
      }
      uint64_t count = 1;
      for (const Dim& d : m.dims) {
        const uint64_t n = d.member >= 0 ? counts_[base + size_t(d.member)] : d.fixed;
        if (__builtin_mul_overflow(count, n, &count)) hr = DXFILEERR_BADARRAYSIZE;
      }
      hr = SUCCEEDED(hr) ? Array(m, count, out) : hr;
    }
    counts_.resize(base);
    return hr;
  }

  HRESULT Array(const Member& m, uint64_t count, std::vector<BYTE>& out) {
    const uint64_t elementValues = m.type ? m.type->minValues : 1;
    if (elementValues == 0) return DXFILE_OK;  // elements without members read nothing
    // Refused before anything is reserved: the input cannot hold that many values.
    uint64_t values;
    if (__builtin_mul_overflow(count, elementValues, &values) || values > tokens_.ValueCapacity())
      return DXFILEERR_BADARRAYSIZE;
    const uint64_t elementSize = m.type ? m.type->fixedSize : PrimSize(m.prim);
    if (!m.type || m.type->isFixed) out.reserve(out.size() + size_t(count * elementSize));
    int64_t ignored;
    for (uint64_t i = 0; i < count; ++i) {
      HRESULT hr = m.type ? Members(*m.type, out) : Scalar(m.prim, out, ignored);
      if (FAILED(hr)) return hr;
    }
    return DXFILE_OK;
  }

  HRESULT Scalar(Prim prim, std::vector<BYTE>& out, int64_t& value) {
    HRESULT hr;
    switch (prim) {
      case Prim::Float:
      case Prim::Double: {
        double real;
        hr = tokens_.ReadReal(real);
        if (FAILED(hr)) return hr;
        if (prim == Prim::Double) {
          Append(out, real);
        } else {
          // Out-of-range values become infinities rather than an undefined conversion.
          const float f = real > FLT_MAX ? HUGE_VALF : real < -FLT_MAX ? -HUGE_VALF : float(real);
          Append(out, f);
        }
        return DXFILE_OK;
      }
      case Prim::String: {
        std::string_view text;
        hr = tokens_.ReadString(text);
        if (FAILED(hr)) return hr;
        const char* stored = doc_.strings.emplace_back(text).c_str();
        Append(out, stored);
        return DXFILE_OK;
      }
      case Prim::None:
        return DXFILEERR_BADTYPE;
      default:
        break;
    }
    hr = tokens_.ReadInteger(value);
    if (FAILED(hr)) return hr;
    const size_t size = PrimSize(prim);
    // Any value that fits the member's width, read as signed or unsigned.
    if (size < 8) {
      const int64_t low = -(int64_t(1) << (8 * size - 1)), high = (int64_t(1) << (8 * size)) - 1;
      if (value < low || value > high) return DXFILEERR_BADVALUE;
    }
    const uint64_t bits = uint64_t(value);
    value = int64_t(size < 8 ? bits & ((uint64_t(1) << (8 * size)) - 1) : bits);  // as stored
    const size_t at = out.size();
    out.resize(at + size);
    for (size_t b = 0; b < size; ++b) out[at + b] = BYTE(bits >> (8 * b));
    return DXFILE_OK;
  }

  void ResolveReferences() {
    if (pending_.empty()) return;
    std::unordered_map<std::string_view, std::vector<Node*>> byName;
    std::vector<Node*> withId;
    for (Node& n : doc_.nodes) {
      if (!n.name.empty()) byName[n.name].push_back(&n);
      if (n.hasId) withId.push_back(&n);
    }
    auto firstClosed = [](const std::vector<Node*>& candidates, uint64_t before, auto&& match) -> Node* {
      for (Node* n : candidates)
        if (n->closedAt != 0 && n->closedAt <= before && match(*n)) return n;
      return nullptr;
    };
    for (const PendingReference& p : pending_) {
      Child& c = p.owner->children[p.child];
      if (c.hasId)
        c.target =
            firstClosed(withId, p.closedBefore, [&](const Node& n) { return IsEqualGUID(n.id, c.id); });
      if (!c.target && !c.name.empty()) {
        auto it = byName.find(c.name);
        if (it != byName.end())
          c.target = firstClosed(it->second, p.closedBefore, [](const Node&) { return true; });
      }
    }
  }

  Tokens& tokens_;
  Document& doc_;
  uint64_t closed_ = 0;
  std::vector<uint64_t> counts_;  // integer member values of the instances being read
  std::vector<PendingReference> pending_;
};

}  // namespace

HRESULT ParseSource(const BYTE* data, size_t size, Document& doc) {
  if (!data) return DXFILEERR_BADVALUE;
  Header header;
  HRESULT hr = ReadHeader(data, size, header);
  if (FAILED(hr)) return hr;
  try {
    std::vector<BYTE> inflated;
    const BYTE* body = data + 16;
    size_t bodySize = size - 16;
    if (header.compressed) {
      hr = InflateBody(body, bodySize, inflated);
      if (FAILED(hr)) return hr;
      body = inflated.data();
      bodySize = inflated.size();
    }
    Tokens tokens(body, bodySize, header.binary, header.doubles);
    Parser parser(tokens, doc);
    return parser.File();
  } catch (const std::bad_alloc&) {
    return DXFILEERR_BADALLOC;
  }
}

}  // namespace xfile
