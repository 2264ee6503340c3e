// What the component hands out for well-formed files: the data layout, members, children,
// references, names and identifiers, in every encoding.
#include "xfile_fixture.h"

namespace {

const char kShapeText[] = R"(xof 0303txt 0032
Shape tri { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 2; 3;0,1,2;, 4;0,1,2,0;; }
)";

std::vector<BYTE> ShapeLayout() {
  Layout l;
  l.Add(DWORD(3));
  for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f}) l.Add(f);
  for (DWORD d : {2u, 3u, 0u, 1u, 2u, 4u, 0u, 1u, 2u, 0u}) l.Add(d);
  return l.bytes;
}

// The first top-level object's data of a file.
std::vector<BYTE> FirstData(XFileTest& t, const std::vector<BYTE>& file) {
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  EXPECT_EQ(t.Open(file, &objects), DXFILE_OK);
  if (!objects) return {};
  o.Keep(objects);
  IDirectXFileData* data = nullptr;
  EXPECT_EQ(objects->GetNextDataObject(&data), DXFILE_OK);
  if (!data) return {};
  o.Keep(data);
  return DataOf(data);
}

using Layouts = XFileTest;

TEST_F(Layouts, MembersArePackedInTemplateOrderWithArraysSizedByEarlierMembers) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  EXPECT_EQ(FirstData(*this, Bytes(kShapeText)), ShapeLayout());

  // Every primitive at its own width, a string as a pointer, a two-dimensional WORD array.
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open("xof 0303txt 0032\nMixed { 7; 70000; 1.5; 2.25; 65; \"hi\"; 1,2,3,4,5,6; }", &objects),
            DXFILE_OK);
  o.Keep(objects);
  IDirectXFileData* mixed = nullptr;
  ASSERT_EQ(objects->GetNextDataObject(&mixed), DXFILE_OK);
  o.Keep(mixed);
  std::vector<BYTE> data = DataOf(mixed);
  ASSERT_EQ(data.size(), 2u + 4 + 4 + 8 + 1 + sizeof(char*) + 12);
  Layout expected;
  expected.Add(WORD(7)).Add(DWORD(70000)).Add(1.5f).Add(2.25).Add(char(65));
  EXPECT_TRUE(std::equal(expected.bytes.begin(), expected.bytes.end(), data.begin()));
  const char* text;
  std::memcpy(&text, data.data() + 19, sizeof text);
  EXPECT_STREQ(text, "hi");
  Layout grid;
  for (WORD w = 1; w <= 6; ++w) grid.Add(w);
  EXPECT_TRUE(std::equal(grid.bytes.begin(), grid.bytes.end(), data.begin() + 19 + sizeof(char*)));
}

TEST_F(Layouts, NamedMembersAreFoundByWalkingTheTemplate) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(kShapeText, &objects), DXFILE_OK);
  o.Keep(objects);
  IDirectXFileData* shape = nullptr;
  ASSERT_EQ(objects->GetNextDataObject(&shape), DXFILE_OK);
  o.Keep(shape);
  const std::vector<BYTE> all = ShapeLayout();
  auto slice = [&](size_t from, size_t count) {
    return std::vector<BYTE>(all.begin() + from, all.begin() + from + count);
  };
  EXPECT_EQ(DataOf(shape, "nPoints"), slice(0, 4));
  EXPECT_EQ(DataOf(shape, "points"), slice(4, 36));
  EXPECT_EQ(DataOf(shape, "nFaces"), slice(40, 4));
  EXPECT_EQ(DataOf(shape, "faces"), slice(44, 36));
  DWORD size;
  void* bytes;
  EXPECT_EQ(shape->GetData("missing", &size, &bytes), DXFILEERR_NOTFOUND);
  EXPECT_EQ(shape->GetData(nullptr, nullptr, &bytes), DXFILEERR_BADVALUE);
}

// The same object in text, binary with 32- and 64-bit floats (values split over lists and a lone
// integer), and the compressed forms of both.
TEST_F(Layouts, EveryEncodingYieldsTheSameData) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::vector<BYTE> expected = ShapeLayout();
  for (bool doubles : {false, true}) {
    BinaryX b(doubles);
    b.Name("Shape").Name("tri").OBrace().Integer(3).Floats({0, 0, 0, 1, 0}).Floats({0, 0, 1, 0});
    b.Ints({2, 3}).Ints({0, 1, 2, 4, 0, 1, 2, 0}).CBrace();
    EXPECT_EQ(FirstData(*this, b.bytes), expected) << (doubles ? "0064" : "0032");
    EXPECT_EQ(FirstData(*this, CompressX(b.bytes)), expected) << (doubles ? "bzip 0064" : "bzip 0032");
  }
  EXPECT_EQ(FirstData(*this, CompressX(Bytes(kShapeText))), expected);
}

// Blocks of 61 bytes over a repetitive file: later blocks copy from earlier ones, which only
// works when each block is inflated with the output before it as history.
TEST_F(Layouts, CompressedBlocksReachBackIntoEarlierBlocks) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  std::string text = "xof 0303txt 0032\n";
  for (int i = 0; i < 40; ++i)
    text += "Shape { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 2; 3;0,1,2;, 4;0,1,2,0;; }\n";
  const std::vector<BYTE> packed = CompressX(Bytes(text), 61);
  ASSERT_LT(packed.size(), text.size() / 2) << "the blocks should share history";
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(packed, &objects), DXFILE_OK);
  o.Keep(objects);
  int count = 0;
  for (IDirectXFileData* data = nullptr; objects->GetNextDataObject(&data) == DXFILE_OK; ++count) {
    o.Keep(data);
    EXPECT_EQ(DataOf(data), ShapeLayout()) << "object " << count;
  }
  EXPECT_EQ(count, 40);
}

TEST_F(Layouts, TemplatesRegisterFromBinaryBlocksAsFromText) {
  const GUID vec = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}},
             face = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};
  BinaryX b;
  b.Template().Name("Vec").OBrace().Guid(vec);
  for (const char* axis : {"x", "y", "z"}) b.Token(BinaryX::kFloat).Name(axis).Semicolon();
  b.CBrace();
  b.Template().Name("Face").OBrace().Guid(face).Token(BinaryX::kDword).Name("n").Semicolon();
  b.Array().Token(BinaryX::kDword).Name("index").OBracket().Name("n").CBracket().Semicolon().CBrace();
  b.Template().Name("Shape").OBrace().Guid(kShapeId).Token(BinaryX::kDword).Name("nPoints").Semicolon();
  b.Array().Name("Vec").Name("points").OBracket().Name("nPoints").CBracket().Semicolon();
  b.Token(BinaryX::kDword).Name("nFaces").Semicolon();
  b.Array().Name("Face").Name("faces").OBracket().Name("nFaces").CBracket().Semicolon();
  b.OBracket().Dot().Dot().Dot().CBracket().CBrace();
  ASSERT_EQ(parser->RegisterTemplates(b.bytes.data(), DWORD(b.bytes.size())), DXFILE_OK);
  EXPECT_EQ(FirstData(*this, Bytes(kShapeText)), ShapeLayout());
}

TEST_F(Layouts, TextSyntaxVariantsExportersWrite) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  // Comments, keywords and template names in any case, blanks inside the GUID brackets, names
  // with '-' and '.', separators swapped or doubled, integers for floats, exponents.
  const char* text = R"(xof 0302txt 0064
TEMPLATE Pair { < 22222222-0000-0000-0000-000000000001 > dword a; Float b; }
# a comment
shape tri-1.mesh { 3;  // counts
  0,0,0; 1e0;0;0;; 0;10E-1;0;;; 2;; 3;0;1;2;, 4,0,1,2,0;;; }
pair { 5;; -2.5e-1;; }
)";
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(text, &objects), DXFILE_OK);
  o.Keep(objects);
  IDirectXFileData* shape = nullptr;
  ASSERT_EQ(objects->GetNextDataObject(&shape), DXFILE_OK);
  o.Keep(shape);
  EXPECT_EQ(NameOf(shape), "tri-1.mesh");
  EXPECT_EQ(DataOf(shape), ShapeLayout());
  IDirectXFileData* pair = nullptr;
  ASSERT_EQ(objects->GetNextDataObject(&pair), DXFILE_OK);
  o.Keep(pair);
  EXPECT_EQ(DataOf(pair), Layout().Add(DWORD(5)).Add(-0.25f).bytes);
}

using Objects_ = XFileTest;

const char kTree[] = R"(xof 0303txt 0032
Leaf early { <33333333-0000-0000-0000-000000000001> 5; }
Label first { "a"; 1; }
Group g {
  { first }
  Label inner { "b"; 2; }
  { <33333333-0000-0000-0000-000000000001> }
  { missing }
  { later }
}
Label later { "c"; 3; }
Node self { { self } }
)";

TEST_F(Objects_, ChildrenAndReferencesComeInFileOrder) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(kTree, &objects), DXFILE_OK);
  o.Keep(objects);
  std::vector<std::string> top;
  IDirectXFileData* group = nullptr;
  for (IDirectXFileData* data = nullptr; objects->GetNextDataObject(&data) == DXFILE_OK;) {
    o.Keep(data);
    top.push_back(NameOf(data));
    if (top.back() == "g") group = data;
  }
  EXPECT_EQ(top, (std::vector<std::string>{"early", "first", "g", "later", "self"}));
  IDirectXFileData* none;
  EXPECT_EQ(objects->GetNextDataObject(&none), DXFILEERR_NOMOREOBJECTS);
  ASSERT_NE(group, nullptr);

  // Each child is a data object or a reference, never both; references resolve to objects closed
  // before them, by name or identifier.
  std::vector<std::string> resolved;
  std::vector<HRESULT> results;
  for (IDirectXFileObject* child = nullptr; group->GetNextObject(&child) == DXFILE_OK;) {
    o.Keep(child);
    IDirectXFileData* data = nullptr;
    IDirectXFileDataReference* reference = nullptr;
    const bool isData = child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&data)) == S_OK;
    const bool isReference =
        child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)) == S_OK;
    EXPECT_NE(isData, isReference);
    if (isData) {
      o.Keep(data);
      resolved.push_back("data:" + NameOf(data));
      results.push_back(DXFILE_OK);
      continue;
    }
    o.Keep(reference);
    IDirectXFileData* target = nullptr;
    results.push_back(reference->Resolve(&target));
    resolved.push_back(target ? "ref:" + NameOf(o.Keep(target)) : "ref:?" + NameOf(reference));
  }
  EXPECT_EQ(resolved,
            (std::vector<std::string>{"ref:first", "data:inner", "ref:early", "ref:?missing", "ref:?later"}));
  EXPECT_EQ(results, (std::vector<HRESULT>{DXFILE_OK, DXFILE_OK, DXFILE_OK, DXFILEERR_BADDATAREFERENCE,
                                           DXFILEERR_BADDATAREFERENCE}));
}

TEST_F(Objects_, AnObjectCannotReferToItselfOrAnythingStillOpen) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(kTree, &objects), DXFILE_OK);
  o.Keep(objects);
  IDirectXFileData* self = nullptr;
  ASSERT_EQ(objects->GetDataObjectByName("self", &self), DXFILE_OK);
  o.Keep(self);
  IDirectXFileObject* child = nullptr;
  ASSERT_EQ(self->GetNextObject(&child), DXFILE_OK);
  o.Keep(child);
  IDirectXFileDataReference* reference = nullptr;
  ASSERT_EQ(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)), S_OK);
  o.Keep(reference);
  IDirectXFileData* target = nullptr;
  EXPECT_EQ(reference->Resolve(&target), DXFILEERR_BADDATAREFERENCE);
  EXPECT_EQ(self->GetNextObject(&child), DXFILEERR_NOMOREOBJECTS);
}

TEST_F(Objects_, NamesIdentifiersAndTypes) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(std::string(kTree) + "Label { \"anonymous\"; 4; }\n", &objects), DXFILE_OK);
  o.Keep(objects);
  IDirectXFileData* early = nullptr;
  ASSERT_EQ(objects->GetDataObjectById({0x33333333, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}}, &early), DXFILE_OK);
  o.Keep(early);
  EXPECT_EQ(NameOf(early), "early");
  char small[3];
  DWORD size = sizeof small;
  EXPECT_EQ(early->GetName(small, &size), DXFILEERR_BADVALUE);
  size = 0;
  EXPECT_EQ(early->GetName(nullptr, &size), DXFILE_OK);
  EXPECT_EQ(size, 6u);

  IDirectXFileData* label = nullptr;
  ASSERT_EQ(objects->GetDataObjectByName("first", &label), DXFILE_OK);
  o.Keep(label);
  const GUID* type = nullptr;
  ASSERT_EQ(label->GetType(&type), DXFILE_OK);
  EXPECT_TRUE(IsEqualGUID(*type, kLabelId));
  GUID id;
  ASSERT_EQ(label->GetId(&id), DXFILE_OK);
  EXPECT_TRUE(IsEqualGUID(id, GUID{}));

  IDirectXFileData* anonymous = nullptr;
  for (IDirectXFileData* data = nullptr; objects->GetNextDataObject(&data) == DXFILE_OK; anonymous = data)
    o.Keep(data);
  ASSERT_NE(anonymous, nullptr);
  size = 99;
  EXPECT_EQ(anonymous->GetName(nullptr, &size), DXFILE_OK);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(objects->GetDataObjectByName("nothing", &label), DXFILEERR_NOTFOUND);
}

// Objects handed out keep what they point into alive after the enumerator and the parser go.
TEST_F(Objects_, DataOutlivesTheEnumeratorAndTheParser) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open(kTree, &objects), DXFILE_OK);
  IDirectXFileData* first = nullptr;
  ASSERT_EQ(objects->GetDataObjectByName("first", &first), DXFILE_OK);
  EXPECT_EQ(objects->Release(), 0u);
  EXPECT_EQ(parser->Release(), 0u);
  parser = nullptr;
  const std::vector<BYTE> data = DataOf(first);
  ASSERT_EQ(data.size(), sizeof(char*) + 2);
  const char* text;
  std::memcpy(&text, data.data(), sizeof text);
  EXPECT_STREQ(text, "a");
  const GUID* type;
  EXPECT_EQ(first->GetType(&type), DXFILE_OK);
  EXPECT_TRUE(IsEqualGUID(*type, kLabelId));
  EXPECT_EQ(first->Release(), 0u);
}

TEST_F(Objects_, RestrictionsDecideWhichChildrenAnObjectMayHold) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::string header = "xof 0303txt 0032\n";
  EXPECT_EQ(Check(header + "Group { Label { \"x\"; 1; } Shape { 0; 0; } }"), DXFILE_OK);
  EXPECT_EQ(Check(header + "Group { Leaf { 1; } }"), DXFILEERR_PARSEERROR);      // not listed
  EXPECT_EQ(Check(header + "Leaf { 1; Leaf { 2; } }"), DXFILEERR_PARSEERROR);    // closed
  EXPECT_EQ(Check(header + "Node { Leaf { 2; } Group { } { x } }"), DXFILE_OK);  // open
  EXPECT_EQ(Check(header + "Leaf { 1; { someone } }"), DXFILEERR_PARSEERROR);    // closed to references
}

// A file's own definition of a template replaces the registered one for that file only.
TEST_F(Objects_, FileTemplatesOverrideRegisteredOnesForThatFile) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  Objects o;
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(Open("xof 0303txt 0032\ntemplate Leaf { <11111111-0000-0000-0000-000000000007> WORD value; }\n"
                 "Leaf { 9; }",
                 &objects),
            DXFILE_OK);
  o.Keep(objects);
  IDirectXFileData* leaf = nullptr;
  ASSERT_EQ(objects->GetNextDataObject(&leaf), DXFILE_OK);
  o.Keep(leaf);
  EXPECT_EQ(DataOf(leaf), Layout().Add(WORD(9)).bytes);
  EXPECT_EQ(FirstData(*this, Bytes("xof 0303txt 0032\nLeaf { 9; }")), Layout().Add(DWORD(9)).bytes);
}

}  // namespace
