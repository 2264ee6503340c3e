// Templates: the registry's lookups, restrictions, and the walk of a template over data bytes
// that locates one member.
#include <strings.h>
#include <cctype>
#include <cstring>

#include "xfile.h"

namespace xfile {

namespace {

std::string Fold(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = char(std::tolower(BYTE(c)));
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Reads an integer member's value from data bytes.
uint64_t IntegerAt(Prim prim, const BYTE* p) {
  switch (prim) {
    case Prim::Word:
    case Prim::Sword:
      return WORD(p[0] | p[1] << 8);
    case Prim::Char:
    case Prim::Uchar:
      return p[0];
    case Prim::Ulonglong: {
      uint64_t v;
      std::memcpy(&v, p, 8);
      return v;
    }
    default: {
      DWORD v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

// Bytes one instance of `type` takes at p (at most `avail`); false when the bytes end early.
bool Measure(const Template& type, const BYTE* p, size_t avail, size_t& used);

bool MeasureMember(const Template& owner, size_t index, const BYTE* base, const std::vector<size_t>& offsets,
                   const BYTE* p, size_t avail, size_t& used) {
  const Member& m = owner.members[index];
  uint64_t count = 1;
  for (const Dim& d : m.dims) {
    uint64_t n = d.fixed;
    if (d.member >= 0) n = IntegerAt(owner.members[size_t(d.member)].prim, base + offsets[size_t(d.member)]);
    if (__builtin_mul_overflow(count, n, &count)) return false;
  }
  used = 0;
  if (m.type && !m.type->isFixed) {
    // Every instance of a variable template holds at least its count member.
    if (count > avail) return false;
    for (uint64_t i = 0; i < count; ++i) {
      size_t one;
      if (!Measure(*m.type, p + used, avail - used, one)) return false;
      used += one;
    }
    return true;
  }
  const uint64_t element = m.type ? m.type->fixedSize : PrimSize(m.prim);
  uint64_t bytes;
  if (__builtin_mul_overflow(count, element, &bytes) || bytes > avail) return false;
  used = size_t(bytes);
  return true;
}

bool Measure(const Template& type, const BYTE* p, size_t avail, size_t& used) {
  if (type.isFixed) {
    used = type.fixedSize;
    return used <= avail;
  }
  std::vector<size_t> offsets(type.members.size());
  used = 0;
  for (size_t i = 0; i < type.members.size(); ++i) {
    offsets[i] = used;
    size_t one;
    if (!MeasureMember(type, i, p, offsets, p + used, avail - used, one)) return false;
    used += one;
  }
  return true;
}

}  // namespace

size_t PrimSize(Prim prim) {
  switch (prim) {
    case Prim::Word:
    case Prim::Sword:
      return 2;
    case Prim::Dword:
    case Prim::Sdword:
    case Prim::Float:
      return 4;
    case Prim::Double:
    case Prim::Ulonglong:
      return 8;
    case Prim::Char:
    case Prim::Uchar:
      return 1;
    case Prim::String:
      return sizeof(const char*);
    case Prim::None:
      break;
  }
  return 0;
}

bool Template::Allows(const Template& child) const {
  if (restriction == Restriction::Open) return true;
  for (const AllowedChild& a : allowed) {
    if (SameName(a.name, child.name)) return true;
    if (a.hasId && IsEqualGUID(a.id, child.id)) return true;
  }
  return false;
}

const Template* Registry::FindExact(std::string_view name) const {
  auto it = exact_.find(name);
  if (it != exact_.end()) return it->second;
  return parent_ ? parent_->FindExact(name) : nullptr;
}

const Template* Registry::FindFolded(const std::string& folded) const {
  auto it = folded_.find(folded);
  if (it != folded_.end()) return it->second;
  return parent_ ? parent_->FindFolded(folded) : nullptr;
}

const Template* Registry::Find(std::string_view name) const {
  if (const Template* t = FindExact(name)) return t;
  return FindFolded(Fold(name));
}

const Template* Registry::Add(std::unique_ptr<Template> definition) {
  const Template* t = definition.get();
  exact_[t->name] = t;
  folded_[Fold(t->name)] = t;
  owned_.push_back(std::move(definition));
  return t;
}

void Registry::Absorb(Registry& other) {
  for (auto& definition : other.owned_) {
    const Template* t = definition.get();
    exact_[t->name] = t;
    folded_[Fold(t->name)] = t;
    owned_.push_back(std::move(definition));
  }
  other.owned_.clear();
  other.exact_.clear();
  other.folded_.clear();
}

bool FindMember(const Template& type, const BYTE* data, size_t size, std::string_view member, size_t& offset,
                size_t& length) {
  std::vector<size_t> offsets(type.members.size());
  size_t used = 0;
  for (size_t i = 0; i < type.members.size(); ++i) {
    offsets[i] = used;
    size_t one;
    if (!MeasureMember(type, i, data, offsets, data + used, size - used, one)) return false;
    if (type.members[i].name == member) {
      offset = used;
      length = one;
      return true;
    }
    used += one;
  }
  return false;
}

}  // namespace xfile
