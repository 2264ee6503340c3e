// The program run on damaged or incomplete data: the messages it shows and whether it goes on.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "process.h"
#include "skybox_faces.h"
#include "temp_path.h"
#include "terrain_bands.h"

namespace {

const std::string kAssets = std::string(SKYVALE_SOURCE_DIR) + "/assets";

// A data folder of links to the committed files, with some left out and some replaced by the
// bytes given.
class DataFolder {
 public:
  DataFolder(const std::string& name, const std::vector<std::string>& missing,
             const std::map<std::string, std::string>& replaced = {})
      : root(TempPath(name)) {
    mkdir(root.c_str(), 0755);
    mkdir((root + "/Textures").c_str(), 0755);
    files.push_back(kSceneTerrain.file);
    for (const char* f : kGroundTextureFiles) files.push_back(f);
    for (const SkyBoxFaceDesc& face : kSkyBoxFaces) files.push_back(face.file);
    for (const std::string& f : files) {
      const std::string path = root + "/" + f;
      if (replaced.count(f)) {
        std::ofstream(path, std::ios::binary) << replaced.at(f);
      } else if (std::find(missing.begin(), missing.end(), f) == missing.end()) {
        EXPECT_EQ(symlink((kAssets + "/" + f).c_str(), path.c_str()), 0) << path;
      }
    }
  }
  ~DataFolder() {
    for (const std::string& f : files) std::remove((root + "/" + f).c_str());
    std::remove(capture().c_str());
    rmdir((root + "/Textures").c_str());
    rmdir(root.c_str());
  }
  std::string capture() const { return root + ".png"; }

  ProcessResult Run(int frames) const {
    ProcessOptions o;
    o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "SKYVALE_D3D9_REFUSE"};
    o.cwd = root;
    return RunProcess({SKYVALE_PROGRAM, "--headless", "--frames", std::to_string(frames), "--step-ms", "16",
                       "--capture", capture()},
                      o);
  }
  bool Presented() const {
    struct stat st;
    return stat(capture().c_str(), &st) == 0;
  }

  std::string root;
  std::vector<std::string> files;
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(SceneData, AMissingSkyFaceIsReportedOnceAndTheProgramGoesOn) {
  DataFolder data("no_negy", {"Textures/skybox1_negy.jpg"});
  const ProcessResult r = data.Run(2);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "MessageBox: CreateTextureFromFile - FAILED\n");
  EXPECT_TRUE(data.Presented());
}

TEST(SceneData, AMissingHeightmapEndsTheProgramBeforeTheFirstFrame) {
  DataFolder data("no_heightmap", {kSceneTerrain.file});
  const ProcessResult r = data.Run(5);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Count(r.err, "MessageBox:"), 1) << r.err;
  EXPECT_EQ(Count(r.err, "MessageBox: readRawFile - FAILED\n"), 1) << r.err;
  EXPECT_FALSE(data.Presented()) << "a frame was presented after the quit request";
}

TEST(SceneData, AnEmptyOrShortHeightmapIsFlatGroundNotAFailure) {
  for (const std::string& bytes : {std::string(), std::string(1000, '\x80')}) {
    DataFolder data("flat", {}, {{kSceneTerrain.file, bytes}});
    const ProcessResult r = data.Run(2);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << bytes.size();
    EXPECT_TRUE(data.Presented()) << bytes.size();
  }
}

// The terrain stops at its first ground texture that fails (the later ones are not tried); the
// sky box reports each face that fails and goes on with the others.
TEST(SceneData, DamagedTexturesAreReportedAndTheSceneGoesOn) {
  const std::string truncatedJpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 13);
  DataFolder data("damaged", {"Textures/snow.jpg"},
                  {{"Textures/grass.jpg", truncatedJpeg},
                   {"Textures/skybox1_posz.jpg", std::string(5000, 'x')},
                   {"Textures/skybox1_negx.jpg", ""}});
  const ProcessResult r = data.Run(2);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Count(r.err, "MessageBox: CreateTextureFromFile - FAILED\n"), 3) << r.err;
  EXPECT_EQ(Count(r.err, "MessageBox:"), 3) << r.err;
  EXPECT_TRUE(data.Presented());
}

}  // namespace
