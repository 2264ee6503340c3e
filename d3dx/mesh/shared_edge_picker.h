// The choice among many faces on one edge: which open record an edge walked the other way pairs
// with, found without weighing every candidate for every face.
#pragma once
#include <d3dx9.h>

#include <functional>
#include <unordered_map>
#include <vector>

#include "edge_normals.h"

namespace d3dx {

// The open records of one directed edge, in visiting order (newest first). Pick gives what a scan
// in that order would: the first record whose score (Dot with the open edge's normal) no later
// record beats strictly, and the first record outright when its score is NaN. Records with equal
// normals form one class (the class's first open record stands for it); the classes sit in a
// k-d tree over their normals, searched branch and bound with bounds widened by the rounding of
// the float score, so only classes that might reach the best score are weighed.
class SharedEdgePicker {
 public:
  // `corners`: the run's open records (face corners), visiting order, each once.
  SharedEdgePicker(const std::vector<DWORD>& corners, const std::function<Vec3(DWORD)>& normalOf);

  // The corner of the chosen record, or kNoFace when every record is spent.
  DWORD Pick(const Vec3& own, const DWORD* adjacency);
  // A member's record was spent (its corner's adjacency entry was set).
  void Spend(DWORD member);

 private:
  static constexpr DWORD kNone = 0xFFFFFFFF;
  static constexpr DWORD kLeafSize = 4;

  struct NormalClass {
    Vec3 normal;
    DWORD firstMember, endMember;  // its members in visiting order, in classMembers_
    DWORD top;                     // first member that may still be open
    DWORD open;                    // open members
    DWORD leaf;                    // tree node holding the class
  };
  struct Node {
    float lo[3], hi[3];
    DWORD begin, end;   // classes in treeClasses_
    DWORD left, right;  // kNone for a leaf
    DWORD parent;
    DWORD open;  // classes with an open member
  };

  DWORD Build(DWORD begin, DWORD end, DWORD parent);
  DWORD OpenTop(NormalClass& c, const DWORD* adjacency);

  std::vector<DWORD> corners_;       // members in visiting order
  std::vector<DWORD> memberClass_;   // kNone for a NaN normal (never in the tree)
  std::vector<DWORD> classMembers_;  // member numbers grouped by class
  std::vector<NormalClass> classes_;
  std::vector<DWORD> treeClasses_;
  std::vector<Node> nodes_;
  DWORD first_ = 0;    // first member that may still be open
  float largest_ = 0;  // largest normal component magnitude in the tree
  std::vector<DWORD> stack_;
};

// The pickers of one pairing pass, built the first time a long run is asked for, and the record
// of which picker holds each corner so a spent record is reported to it.
class SharedEdgePickers {
 public:
  explicit SharedEdgePickers(size_t cornerCount) : cornerCount_(cornerCount) {}

  // The picker of the run named `key` (any number unique to it), null before it is made.
  SharedEdgePicker* Find(size_t key);
  // Makes the run's picker from its records' corners in visiting order (spent ones and repeats
  // are left out).
  SharedEdgePicker& Make(size_t key, const std::vector<DWORD>& corners,
                         const std::function<Vec3(DWORD)>& normalOf, const DWORD* adjacency);
  void Spend(DWORD corner) {
    if (!slots_.empty()) SpendHeld(corner);  // most meshes never make a picker
  }

 private:
  void SpendHeld(DWORD corner);
  struct Slot {
    DWORD picker, member;
  };
  size_t cornerCount_;
  std::vector<Slot> slots_;  // per corner; empty until the first picker
  std::vector<SharedEdgePicker> pickers_;
  std::unordered_map<size_t, DWORD> byKey_;
};

}  // namespace d3dx
