// Faults of the demo's own data, end to end: each file of assets/ in turn missing, empty, cut to
// half its length and with bytes flipped, in a scratch copy. The program never crashes or hangs;
// it shows the messages its scene objects document and runs on, or quits before the first frame
// where the fault is fatal. Files the program does not open (yet) are reported as skipped; a file
// it opens without a rule here fails, so the table grows with the scene.
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "program_run.h"
#include "skybox_faces.h"
#include "terrain_bands.h"

namespace {

enum class Fault { Missing, Empty, Half, Flipped };
constexpr Fault kFaults[] = {Fault::Missing, Fault::Empty, Fault::Half, Fault::Flipped};
const char* NameOf(Fault f) {
  switch (f) {
    case Fault::Missing:
      return "missing";
    case Fault::Empty:
      return "empty";
    case Fault::Half:
      return "half";
    case Fault::Flipped:
      return "flipped";
  }
  return "?";
}

const std::string kTextureFailed = "CreateTextureFromFile - FAILED";
const std::string kMeshFailed = "D3DXLoadMeshFromX() - FAILED";

// What a damaged file leads to. `unreadable` is the message when the file cannot be used at all
// (missing, or empty where an empty file is not valid data); `fatal`: such a file also ends the
// program before its first frame; `possible` are the messages a damaged but present file may
// give (it may also load, as a decoder may accept damaged data).
struct AssetRule {
  std::vector<std::string> unreadable;
  bool emptyIsReadable = false;
  bool fatal = false;
  std::vector<std::string> possible;
};

AssetRule RuleFor(const std::string& file) {
  if (file == kSceneTerrain.file) return {{"readRawFile - FAILED"}, true, true, {}};  // a short file is valid
  for (const char* ground : kGroundTextureFiles)
    if (file == ground) return {{kTextureFailed}, false, false, {kTextureFailed}};
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces)
    if (file == face.file) return {{kTextureFailed}, false, false, {kTextureFailed}};
  if (file == "xfiles/airplane.x")
    return {{kMeshFailed}, false, false, {kMeshFailed, "OptimizeInplace() - FAILED"}};
  if (file.rfind("xfiles/", 0) == 0) return {{}, false, false, {}};  // a material's texture: drawn untextured
  ADD_FAILURE() << file << " is read by the program but has no rule in this test";
  return {};
}

std::vector<std::string> AssetFiles() {
  std::vector<std::string> files;
  const fs::path root = fs::path(SKYVALE_SOURCE_DIR) / "assets";
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() && entry.path().extension() != ".md")
      files.push_back(fs::relative(entry.path(), root).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

const std::vector<std::string> kRunArgs = {"--frames", "4", "--step-ms", "16", "--capture", "last.png"};
constexpr int kRunTimeoutMs = 120000;

// The asset files an undamaged run opens, seen through inotify on every folder of the copy.
std::set<std::string> FilesTheProgramOpens() {
  ScratchAssets copy("opened");
  const int fd = inotify_init1(IN_NONBLOCK);
  EXPECT_GE(fd, 0);
  std::map<int, std::string> folders;
  for (const auto& entry : fs::recursive_directory_iterator(copy.dir()))
    if (entry.is_directory())
      folders[inotify_add_watch(fd, entry.path().c_str(), IN_OPEN)] =
          fs::relative(entry.path(), copy.dir()).generic_string() + "/";
  folders[inotify_add_watch(fd, copy.dir().c_str(), IN_OPEN)] = "";
  ExpectCleanEnd(RunDemo(copy.dir(), kRunArgs, kRunTimeoutMs));
  std::set<std::string> opened;
  alignas(inotify_event) char buffer[1 << 16];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    for (char* p = buffer; p < buffer + n;) {
      auto* e = reinterpret_cast<inotify_event*>(p);
      if (e->len) opened.insert(folders[e->wd] + e->name);
      p += sizeof(inotify_event) + e->len;
    }
  close(fd);
  return opened;
}

void Damage(const fs::path& file, Fault fault) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  switch (fault) {
    case Fault::Missing:
      fs::remove(file);
      return;
    case Fault::Empty:
      bytes.clear();
      break;
    case Fault::Half:
      bytes.resize(bytes.size() / 2);
      break;
    case Fault::Flipped: {
      // The same damage every run: the generator is seeded by the file's length.
      std::mt19937 random(uint32_t(bytes.size()));
      for (int i = 0; i < 32 && !bytes.empty(); ++i)
        bytes[random() % bytes.size()] ^= char(1 + random() % 255);
      break;
    }
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

class AssetFault : public ::testing::TestWithParam<std::string> {};

TEST_P(AssetFault, EachDamageIsSurvivedWithItsMessages) {
  const std::string file = GetParam();
  static const std::set<std::string> opened = FilesTheProgramOpens();
  if (!opened.count(file)) GTEST_SKIP() << file << " is not read by the program yet";
  const AssetRule rule = RuleFor(file);
  for (Fault fault : kFaults) {
    SCOPED_TRACE(file + " " + NameOf(fault));
    std::string tag = file + "_" + NameOf(fault);
    std::replace(tag.begin(), tag.end(), '/', '_');
    ScratchAssets copy(tag);
    Damage(copy.dir() / file, fault);
    const ProcessResult r = RunDemo(copy.dir(), kRunArgs, kRunTimeoutMs);
    ExpectCleanEnd(r);
    const std::vector<std::string> boxes = MessageBoxes(r.err);
    const bool unusable = fault == Fault::Missing || (fault == Fault::Empty && !rule.emptyIsReadable);
    if (unusable) {
      EXPECT_EQ(boxes, rule.unreadable) << r.err;
    } else {
      for (const std::string& box : boxes)
        EXPECT_NE(std::find(rule.possible.begin(), rule.possible.end(), box), rule.possible.end())
            << "unexpected message: " << box;
      EXPECT_LE(boxes.size(), 1u) << r.err;
    }
    const bool framesShown = fs::exists(copy.dir() / "last.png");
    EXPECT_EQ(framesShown, !(unusable && rule.fatal)) << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Assets, AssetFault, ::testing::ValuesIn(AssetFiles()), [](const auto& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum((unsigned char)c)) c = '_';
  return name;
});

}  // namespace
