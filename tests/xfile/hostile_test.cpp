// Damaged and hostile files get their error codes; nothing crashes, hangs or allocates what the
// input cannot hold (the sanitizer build refuses allocations of the sizes these files announce).
#include <algorithm>
#include <cstdio>
#include <random>

#include "temp_path.h"
#include "xfile_fixture.h"

namespace {

using Hostile = XFileTest;

const char kSmall[] =
    "xof 0303txt 0032\nShape tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; Label { \"x\"; 7; } }";

std::vector<BYTE> SmallBinary() {
  BinaryX b;
  b.Name("Shape").Name("tri").OBrace().Ints({3}).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}).Ints({1, 3, 0, 1, 2});
  b.Name("Label").OBrace().String("x").Ints({7}).CBrace().CBrace();
  return b.bytes;
}

TEST_F(Hostile, HeadersNameWhatIsWrong) {
  EXPECT_EQ(Check("x"), DXFILEERR_BADFILETYPE);
  EXPECT_EQ(Check("xof 0303txt 003"), DXFILEERR_BADFILETYPE);
  EXPECT_EQ(Check("xif 0303txt 0032"), DXFILEERR_BADFILETYPE);
  EXPECT_EQ(Check("xof 03a3txt 0032"), DXFILEERR_BADFILEVERSION);
  EXPECT_EQ(Check("xof 0303bmp 0032"), DXFILEERR_BADFILETYPE);
  EXPECT_EQ(Check("xof 0303cmp 0032"), DXFILEERR_BADFILECOMPRESSIONTYPE);
  EXPECT_EQ(Check("xof 0303txt 0016"), DXFILEERR_BADFILEFLOATSIZE);
  EXPECT_EQ(Check("xof 0303txt 0032"), DXFILE_OK);  // a file with nothing in it
}

// Every proper prefix of a one-object file stops inside the object.
TEST_F(Hostile, FilesTruncatedAtEveryByteAreRefused) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::vector<BYTE> files[] = {Bytes(kSmall), SmallBinary(), CompressX(Bytes(kSmall)),
                                     CompressX(SmallBinary())};
  for (const std::vector<BYTE>& file : files) {
    ASSERT_EQ(Check(file), DXFILE_OK);
    for (size_t n = 0; n < file.size(); ++n) {
      // A bare header (and blanks) is an empty file when uncompressed.
      if (n >= 16 && file[11] == ' ' &&
          std::all_of(file.begin() + 16, file.begin() + n, [](BYTE c) { return c <= ' '; }))
        continue;
      std::vector<BYTE> prefix(file.begin(),
                               file.begin() + n);  // its own allocation: reads past it are caught
      EXPECT_TRUE(FAILED(Check(prefix)))
          << "prefix of " << n << " bytes of a " << file.size() << "-byte file";
    }
  }
}

TEST_F(Hostile, UnknownTokensTemplatesAndBracesAreRefused) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::string h = "xof 0303txt 0032\n";
  EXPECT_EQ(Check(h + "Leaf { @ }"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Leef { 1; }"), DXFILEERR_NOTEMPLATE);
  EXPECT_EQ(Check(h + "templat Foo { <11111111-0000-0000-0000-0000000000AA> DWORD a; }"),
            DXFILEERR_NOTEMPLATE);
  EXPECT_EQ(Check(h + "template Foo { <1111-0000> DWORD a; }"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "template Foo { <11111111-0000-0000-0000-0000000000AA> Bar a; }"),
            DXFILEERR_NOTEMPLATE);
  EXPECT_EQ(Check(h + "template Foo { <11111111-0000-0000-0000-0000000000AA> array DWORD a[n]; }"),
            DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Leaf { \"text\"; }"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Leaf { 1; 2; }"), DXFILEERR_PARSEERROR);  // more values than members
  EXPECT_EQ(Check(h + "Leaf { 1;"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Node { Node { Leaf { 1; } }"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Leaf { 1; } }"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Label { \"unterminated; 1; }"), DXFILEERR_PARSEERROR);
  EXPECT_EQ(Check(h + "Node { { } }"), DXFILEERR_PARSEERROR);  // a reference to nothing
  BinaryX b;
  b.Name("Leaf").OBrace().Token(99).CBrace();
  EXPECT_EQ(Check(b.bytes), DXFILEERR_PARSEERROR);
}

TEST_F(Hostile, ValuesOutsideTheirMembersAreRefused) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::string h = "xof 0303txt 0032\n";
  EXPECT_EQ(Check(h + "Label { \"x\"; 70000; }"), DXFILEERR_BADVALUE);
  EXPECT_EQ(Check(h + "Leaf { 5000000000; }"), DXFILEERR_BADVALUE);
  EXPECT_EQ(Check(h + "Leaf { 99999999999999999999999; }"), DXFILEERR_BADVALUE);
  EXPECT_EQ(Check(h + "Leaf { 1.5; }"), DXFILEERR_BADVALUE);
  EXPECT_EQ(Check(h + "Leaf { -1; }"), DXFILE_OK);  // the DWORD's bits, as signed text gives them
}

// Counts far beyond what the file holds fail before anything of that size is reserved.
TEST_F(Hostile, HugeCountsAreRefusedBeforeAllocation) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::string h = "xof 0303txt 0032\n";
  EXPECT_EQ(Check(h + "Shape { 4000000000; 1;2;3;; 0; }"), DXFILEERR_BADARRAYSIZE);
  EXPECT_EQ(Check(h + "Shape { 1; 1;2;3;; 4000000000; 3;0,0,0;; }"), DXFILEERR_BADARRAYSIZE);
  EXPECT_EQ(
      Check(h +
            "template Big { <11111111-0000-0000-0000-0000000000AB> array DWORD a[4000000000][4000000000]; }"
            "Big { 1; }"),
      DXFILEERR_BADARRAYSIZE);
  BinaryX counted;
  counted.Name("Shape").OBrace().Ints({4000000000u}).CBrace();
  EXPECT_EQ(Check(counted.bytes), DXFILEERR_BADARRAYSIZE);
  BinaryX list;  // a list announcing a billion values with none present
  list.Name("Shape").OBrace().Token(7);
  list.bytes.insert(list.bytes.end(), {0x00, 0xCA, 0x9A, 0x3B});
  EXPECT_EQ(Check(list.bytes), DXFILEERR_BADARRAYSIZE);
  std::vector<BYTE> packed = CompressX(Bytes(kSmall));
  const DWORD huge = 0xFFFFFFF0;
  std::memcpy(packed.data() + 16, &huge, 4);  // the total size the file claims
  EXPECT_EQ(Check(packed), DXFILEERR_BADFILE);
  packed = CompressX(Bytes(kSmall));
  packed[20] ^= 0x40;  // a block's output size
  EXPECT_EQ(Check(packed), DXFILEERR_BADFILE);
}

TEST_F(Hostile, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  auto nested = [](int depth) {
    std::string s = "xof 0303txt 0032\n";
    for (int i = 0; i < depth; ++i) s += "Node {";
    for (int i = 0; i < depth; ++i) s += "}";
    return s;
  };
  EXPECT_EQ(Check(nested(100)), DXFILE_OK);
  EXPECT_EQ(Check(nested(100000)), DXFILEERR_PARSEERROR);
  std::string templates =
      "xof 0303txt 0032\ntemplate T0 { <44444444-0000-0000-0000-000000000000> DWORD v; }\n";
  for (int i = 1; i < 100; ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "template T%d { <44444444-0000-0000-0000-%012d> T%d inner; }\n", i, i,
                  i - 1);
    templates += line;
  }
  EXPECT_EQ(Check(templates), DXFILEERR_PARSEERROR);
}

// Random damage to valid files of each form: any result, but never a crash or a read outside.
TEST_F(Hostile, RandomlyDamagedFilesNeverEscapeTheirBytes) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::vector<BYTE> files[] = {Bytes(kSmall), SmallBinary(), CompressX(Bytes(kSmall)),
                                     CompressX(SmallBinary())};
  std::mt19937 random(7);
  for (const std::vector<BYTE>& file : files) {
    for (int round = 0; round < 300; ++round) {
      std::vector<BYTE> damaged = file;
      for (int k = 0; k < 1 + int(random() % 4); ++k)
        damaged[16 + random() % (damaged.size() - 16)] = BYTE(random());
      Check(damaged);
    }
  }
}

TEST_F(Hostile, SourcesThatCannotBeReadNameTheirKind) {
  IDirectXFileEnumObject* objects = nullptr;
  EXPECT_EQ(parser->CreateEnumObject(const_cast<char*>("no/such/file.x"), DXFILELOAD_FROMFILE, &objects),
            DXFILEERR_FILENOTFOUND);
  DXFILELOADRESOURCE resource = {nullptr, "no such resource", "XFILE"};
  EXPECT_EQ(parser->CreateEnumObject(&resource, DXFILELOAD_FROMRESOURCE, &objects),
            DXFILEERR_RESOURCENOTFOUND);
  DXFILELOADMEMORY memory = {nullptr, 10};
  EXPECT_EQ(parser->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects), DXFILEERR_BADVALUE);
  EXPECT_EQ(parser->CreateEnumObject(nullptr, DXFILELOAD_FROMFILE, &objects), DXFILEERR_BADVALUE);
  EXPECT_EQ(parser->CreateEnumObject(&memory, DXFILELOAD_FROMURL, &objects), DXFILEERR_BADVALUE);
  EXPECT_EQ(parser->RegisterTemplates(nullptr, 0), DXFILEERR_BADVALUE);
  EXPECT_EQ(objects, nullptr);
}

TEST_F(Hostile, FilesAndResourcesAreReadLikeMemory) {
  ASSERT_EQ(RegisterTestTemplates(), DXFILE_OK);
  const std::string path = TempPath("small.x");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(kSmall, 1, sizeof kSmall - 1, f);
  std::fclose(f);
  IDirectXFileEnumObject* objects = nullptr;
  ASSERT_EQ(parser->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &objects),
            DXFILE_OK);
  objects->Release();
  std::remove(path.c_str());

  SkyvaleRegisterResource(nullptr, "SMALL", "XFILE", kSmall, sizeof kSmall - 1);
  DXFILELOADRESOURCE resource = {nullptr, "small", "xfile"};  // names compare without regard to case
  ASSERT_EQ(parser->CreateEnumObject(&resource, DXFILELOAD_FROMRESOURCE, &objects), DXFILE_OK);
  objects->Release();
  SkyvaleRegisterResource(nullptr, "SMALL", "XFILE", nullptr, 0);
  EXPECT_EQ(parser->CreateEnumObject(&resource, DXFILELOAD_FROMRESOURCE, &objects),
            DXFILEERR_RESOURCENOTFOUND);
}

// A block that fails to parse leaves the registered templates as they were.
TEST_F(Hostile, ABrokenTemplateBlockRegistersNothing) {
  EXPECT_EQ(Register("xof 0303txt 0032\ntemplate A { <55555555-0000-0000-0000-000000000001> DWORD v; }\n"
                     "template B { <55555555-0000-0000-0000-000000000002> Missing m; }"),
            DXFILEERR_NOTEMPLATE);
  EXPECT_EQ(Check("xof 0303txt 0032\nA { 1; }"), DXFILEERR_NOTEMPLATE);
}

}  // namespace
