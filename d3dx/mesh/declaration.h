// Vertex declarations inside the mesh library: sizes, validity, role lookup and element conversion.
#pragma once
#include <d3dx9.h>

namespace d3dx {

// Bytes taken by one element of each D3DDECLTYPE; 0 for UNUSED and anything out of range.
UINT DeclTypeSize(BYTE type);
// Elements before the end marker (stops at MAX_FVF_DECL_SIZE - 1 when the marker is missing).
UINT DeclLength(const D3DVERTEXELEMENT9* decl);
// Stream 0 only, non-overlapping default-method elements; false for null.
bool DeclIsValid(const D3DVERTEXELEMENT9* decl);
// Same elements in the same order, end markers included.
bool DeclEqual(const D3DVERTEXELEMENT9* a, const D3DVERTEXELEMENT9* b);

// The elements a mesh routine cares about, found once per declaration.
struct ElementLookup {
  const D3DVERTEXELEMENT9* decl = nullptr;
  UINT length = 0;
  const D3DVERTEXELEMENT9* position = nullptr;
  const D3DVERTEXELEMENT9* blendWeights = nullptr;
  const D3DVERTEXELEMENT9* blendIndices = nullptr;
  const D3DVERTEXELEMENT9* normal = nullptr;
  const D3DVERTEXELEMENT9* diffuse = nullptr;
  const D3DVERTEXELEMENT9* specular = nullptr;
  const D3DVERTEXELEMENT9* texCoords[8] = {};
  UINT vertexSize = 0;

  void Setup(const D3DVERTEXELEMENT9* declaration);
};

// Decodes one element into four floats (missing components 0, 0, 0, 1).
void DecodeElement(BYTE type, const BYTE* src, float out[4]);
// Clamps by the destination type and stores.
void EncodeElement(BYTE type, const float in[4], BYTE* dst);

// Copies vertices between two layouts, pairing elements by usage and usage index.
class DeclConverter {
 public:
  void Setup(const D3DVERTEXELEMENT9* source, const D3DVERTEXELEMENT9* destination);
  void SetData(const void* source, void* destination) {
    src_ = static_cast<const BYTE*>(source);
    dst_ = static_cast<BYTE*>(destination);
  }
  void ConvertVertex(UINT sourceIndex, UINT destinationIndex, bool zeroFill);

  ElementLookup source, destination;

 private:
  struct Pair {
    const D3DVERTEXELEMENT9* from;
    const D3DVERTEXELEMENT9* to;
  };
  Pair pairs_[MAX_FVF_DECL_SIZE] = {};
  UINT pairCount_ = 0;
  const BYTE* src_ = nullptr;
  BYTE* dst_ = nullptr;
};

}  // namespace d3dx
