// The parser's model: templates, the registry that names them, and the document of data objects
// one source yields, with the phases that build them (header, inflation, tokens, grammar).
#pragma once
#include <dxfile.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xfile {

// Bounds that keep hostile files from exhausting the stack or the clock.
inline constexpr int kMaxObjectDepth = 128;   // nested data objects
inline constexpr int kMaxTemplateDepth = 32;  // templates nested as members
inline constexpr size_t kMaxDims = 8;         // dimensions of one array member

enum class Prim : uint8_t { None, Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Ulonglong };

// Bytes a primitive takes in a data blob.
size_t PrimSize(Prim prim);
inline bool PrimIsInteger(Prim p) {
  return p != Prim::None && p != Prim::Float && p != Prim::Double && p != Prim::String;
}

struct Template;

// One array dimension: a fixed length, or the value of an earlier integer member.
struct Dim {
  uint32_t fixed = 0;
  int member = -1;
};

struct Member {
  Prim prim = Prim::None;          // primitive type, or None for a template type
  const Template* type = nullptr;  // template type
  std::string name;
  std::vector<Dim> dims;  // empty: a single value
};

enum class Restriction : uint8_t { Closed, Open, Listed };

struct AllowedChild {
  std::string name;
  GUID id{};
  bool hasId = false;
};

struct Template {
  std::string name;
  GUID id{};
  std::vector<Member> members;
  Restriction restriction = Restriction::Closed;
  std::vector<AllowedChild> allowed;
  int depth = 1;           // 1 + the deepest template-typed member
  uint64_t minValues = 0;  // values every instance reads at least (saturated)
  bool isFixed = true;     // no variable arrays: every instance takes fixedSize bytes
  size_t fixedSize = 0;
  bool usedAsDim = false;  // some member's value sizes a later array

  bool Allows(const Template& child) const;
};

// Templates by name. Lookups try the exact name, then the name without regard to case, each
// first here and then in the parent. Definitions are owned for the registry's lifetime, so a
// redefinition never frees a template that members or objects still point to.
class Registry {
 public:
  explicit Registry(std::shared_ptr<const Registry> parent = nullptr) : parent_(std::move(parent)) {}
  const Template* Find(std::string_view name) const;
  const Template* Add(std::unique_ptr<Template> definition);
  // Moves every definition of `other` into this registry, in their order.
  void Absorb(Registry& other);
  size_t size() const { return owned_.size(); }

 private:
  const Template* FindExact(std::string_view name) const;
  const Template* FindFolded(const std::string& folded) const;

  std::shared_ptr<const Registry> parent_;
  std::vector<std::unique_ptr<Template>> owned_;
  std::map<std::string, const Template*, std::less<>> exact_;
  std::map<std::string, const Template*, std::less<>> folded_;
};

struct Node;

// A child of a data object: a nested object, or a reference by name and/or identifier.
struct Child {
  Node* node = nullptr;
  bool isReference = false;
  std::string name;
  GUID id{};
  bool hasId = false;
  Node* target = nullptr;  // resolved reference; null when the file defines no such object
};

struct Node {
  const Template* type = nullptr;
  std::string name;
  GUID id{};
  bool hasId = false;
  std::vector<BYTE> data;
  std::vector<Child> children;
  uint64_t closedAt = 0;  // position in the file's sequence of closing braces; 0 while open
};

// Everything one source yields. It owns its nodes, their strings and the templates the file
// defines; objects handed out keep it alive.
struct Document {
  explicit Document(std::shared_ptr<const Registry> base) : templates(std::move(base)) {}
  Registry templates;      // the file's own definitions over the parser's registry
  std::deque<Node> nodes;  // stable addresses
  std::deque<std::string> strings;
  std::vector<Node*> top;
};

// The 16-byte header.
struct Header {
  bool binary = false;
  bool compressed = false;
  bool doubles = false;  // 64-bit floats in binary number lists
};
HRESULT ReadHeader(const BYTE* data, size_t size, Header& header);

// The body after a compressed header (total size, then MSZIP blocks) inflated; each block may
// copy from the output of the blocks before it.
HRESULT InflateBody(const BYTE* data, size_t size, std::vector<BYTE>& out);

// Parses a whole source (header included) into `doc`: templates go to doc.templates, objects to
// doc.nodes, and references are resolved at the end.
HRESULT ParseSource(const BYTE* data, size_t size, Document& doc);

// The byte range of one member within an object's data, walking the template over the bytes.
bool FindMember(const Template& type, const BYTE* data, size_t size, std::string_view member, size_t& offset,
                size_t& length);

}  // namespace xfile
