// Branch and bound over the normal classes of one long edge run. The float score of a class is
// within the rounding bound of the exact dot product, so a subtree is passed over only when even
// its widened bound falls short of the best float score found: the choice stays exactly that of
// a plain scan.
#include "shared_edge_picker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "triangle_mesh.h"

namespace d3dx {

namespace {

std::array<uint32_t, 3> Bits(const Vec3& v) {
  std::array<uint32_t, 3> bits;
  std::memcpy(bits.data(), &v, sizeof(bits));
  return bits;
}

float Component(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

}  // namespace

SharedEdgePicker::SharedEdgePicker(const std::vector<DWORD>& corners,
                                   const std::function<Vec3(DWORD)>& normalOf)
    : corners_(corners), memberClass_(corners.size(), kNone) {
  // Classes: members with bit-identical normals, each class in visiting order.
  struct Entry {
    std::array<uint32_t, 3> bits;
    DWORD member;
    Vec3 normal;
  };
  std::vector<Entry> entries;
  entries.reserve(corners_.size());
  for (DWORD m = 0; m < corners_.size(); ++m) {
    const Vec3 n = normalOf(corners_[m]);
    if (!HasNaN(n)) entries.push_back({Bits(n), m, n});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.bits != b.bits ? a.bits < b.bits : a.member < b.member;
  });
  classMembers_.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i == 0 || entries[i].bits != entries[i - 1].bits) {
      const DWORD start = static_cast<DWORD>(classMembers_.size());
      classes_.push_back({entries[i].normal, start, start, start, 0, kNone});
      largest_ = std::max({largest_, std::fabs(entries[i].normal.x), std::fabs(entries[i].normal.y),
                           std::fabs(entries[i].normal.z)});
    }
    NormalClass& c = classes_.back();
    classMembers_.push_back(entries[i].member);
    c.endMember = static_cast<DWORD>(classMembers_.size());
    ++c.open;
    memberClass_[entries[i].member] = static_cast<DWORD>(classes_.size() - 1);
  }

  treeClasses_.resize(classes_.size());
  for (DWORD i = 0; i < classes_.size(); ++i) treeClasses_[i] = i;
  if (!classes_.empty()) Build(0, static_cast<DWORD>(classes_.size()), kNone);
}

DWORD SharedEdgePicker::Build(DWORD begin, DWORD end, DWORD parent) {
  const DWORD index = static_cast<DWORD>(nodes_.size());
  nodes_.push_back({});
  Node node{};
  node.begin = begin;
  node.end = end;
  node.parent = parent;
  node.left = node.right = kNone;
  node.open = end - begin;
  for (int axis = 0; axis < 3; ++axis) {
    node.lo[axis] = node.hi[axis] = Component(classes_[treeClasses_[begin]].normal, axis);
    for (DWORD i = begin + 1; i < end; ++i) {
      const float v = Component(classes_[treeClasses_[i]].normal, axis);
      node.lo[axis] = std::min(node.lo[axis], v);
      node.hi[axis] = std::max(node.hi[axis], v);
    }
  }
  if (end - begin <= kLeafSize) {
    for (DWORD i = begin; i < end; ++i) classes_[treeClasses_[i]].leaf = index;
  } else {
    int axis = 0;
    for (int a = 1; a < 3; ++a)
      if (node.hi[a] - node.lo[a] > node.hi[axis] - node.lo[axis]) axis = a;
    const DWORD mid = begin + (end - begin) / 2;
    std::nth_element(treeClasses_.begin() + begin, treeClasses_.begin() + mid, treeClasses_.begin() + end,
                     [&](DWORD a, DWORD b) {
                       return Component(classes_[a].normal, axis) < Component(classes_[b].normal, axis);
                     });
    node.left = Build(begin, mid, index);
    node.right = Build(mid, end, index);
  }
  nodes_[index] = node;
  return index;
}

DWORD SharedEdgePicker::OpenTop(NormalClass& c, const DWORD* adjacency) {
  while (adjacency[corners_[classMembers_[c.top]]] != kNoFace) ++c.top;
  return classMembers_[c.top];
}

void SharedEdgePicker::Spend(DWORD member) {
  const DWORD cls = memberClass_[member];
  if (cls == kNone || --classes_[cls].open != 0) return;
  for (DWORD node = classes_[cls].leaf; node != kNone; node = nodes_[node].parent) --nodes_[node].open;
}

DWORD SharedEdgePicker::Pick(const Vec3& own, const DWORD* adjacency) {
  while (first_ < corners_.size() && adjacency[corners_[first_]] != kNoFace) ++first_;
  if (first_ == corners_.size()) return kNoFace;
  // A NaN first score is never replaced; a zero own normal scores every candidate zero.
  const DWORD firstClass = memberClass_[first_];
  if (firstClass == kNone || HasNaN(own) || (own.x == 0 && own.y == 0 && own.z == 0)) return corners_[first_];

  DWORD bestMember = first_;
  float best = Dot(classes_[firstClass].normal, own);
  // |float score - exact dot| <= 3u (1 + 3u) * sum |candidate_i own_i| (plus underflow); 4e-7 is
  // more than twice that.
  const double slack = 4e-7 * (std::fabs(own.x) + std::fabs(own.y) + std::fabs(own.z)) * largest_ + 1e-35;
  auto bound = [&](const Node& n) {
    const double o[3] = {own.x, own.y, own.z};
    double ub = 0;
    for (int a = 0; a < 3; ++a) ub += std::max(o[a] * n.lo[a], o[a] * n.hi[a]);
    return ub + std::fabs(ub) * 1e-12 + slack;
  };

  stack_.assign(1, 0);
  while (!stack_.empty()) {
    const Node& node = nodes_[stack_.back()];
    stack_.pop_back();
    if (node.open == 0 || bound(node) < best) continue;
    if (node.left == kNone) {
      for (DWORD i = node.begin; i < node.end; ++i) {
        NormalClass& c = classes_[treeClasses_[i]];
        if (c.open == 0) continue;
        const DWORD member = OpenTop(c, adjacency);
        const float score = Dot(c.normal, own);
        if (score > best || (score == best && member < bestMember)) {
          best = score;
          bestMember = member;
        }
      }
      continue;
    }
    // The more promising child is searched first so the other is more often passed over.
    const bool leftFirst = bound(nodes_[node.left]) >= bound(nodes_[node.right]);
    stack_.push_back(leftFirst ? node.right : node.left);
    stack_.push_back(leftFirst ? node.left : node.right);
  }
  return corners_[bestMember];
}

SharedEdgePicker* SharedEdgePickers::Find(size_t key) {
  const auto found = byKey_.find(key);
  return found == byKey_.end() ? nullptr : &pickers_[found->second];
}

SharedEdgePicker& SharedEdgePickers::Make(size_t key, const std::vector<DWORD>& corners,
                                          const std::function<Vec3(DWORD)>& normalOf,
                                          const DWORD* adjacency) {
  if (slots_.empty()) slots_.assign(cornerCount_, Slot{kNoFace, kNoFace});
  const DWORD id = static_cast<DWORD>(pickers_.size());
  std::vector<DWORD> open;
  open.reserve(corners.size());
  for (DWORD corner : corners) {
    if (adjacency[corner] != kNoFace || slots_[corner].picker != kNoFace) continue;  // spent or a repeat
    slots_[corner] = {id, static_cast<DWORD>(open.size())};
    open.push_back(corner);
  }
  pickers_.emplace_back(open, normalOf);
  byKey_.emplace(key, id);
  return pickers_.back();
}

void SharedEdgePickers::SpendHeld(DWORD corner) {
  if (slots_[corner].picker == kNoFace) return;
  pickers_[slots_[corner].picker].Spend(slots_[corner].member);
}

}  // namespace d3dx
