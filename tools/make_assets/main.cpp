// Generates the demo's data into a folder: the heightmap, the ground textures and the sky box
// faces. Deterministic: the same program writes the same bytes on every run and processor.
//
//   make_assets OUTPUT_DIR [--preview PREVIEW_DIR]
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include "ground_textures.h"
#include "heightmap.h"
#include "jpeg_file.h"
#include "preview.h"
#include "sky.h"
#include "skybox_faces.h"
#include "terrain_bands.h"

namespace {

// High enough that the faces still meet after compression, low enough for files of tens of KB.
constexpr int kGroundQuality = 88;
constexpr int kSkyQuality = 92;

bool MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  std::fprintf(stderr, "make_assets: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
  return false;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && std::fclose(f) != 0) return false;
  return ok;
}

bool Report(bool ok, const std::string& path) {
  if (!ok) std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
  return ok;
}

bool Generate(const std::string& out) {
  if (!MakeDirectory(out) || !MakeDirectory(out + "/Textures")) return false;
  const std::string heightmap = out + "/" + kSceneTerrain.file;
  if (!Report(WriteBytes(heightmap, MakeHeightmap(kSceneTerrain)), heightmap)) return false;
  for (Ground ground : kGrounds) {
    const std::string path = out + "/" + kGroundTextureFiles[(size_t)ground];
    if (!Report(WriteJpeg(path, MakeGroundTexture(ground), kGroundQuality), path)) return false;
  }
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces) {
    const std::string path = out + "/" + face.file;
    if (!Report(WriteJpeg(path, MakeSkyFace(face, kSkyFaceSize), kSkyQuality), path)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, preview;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--preview" && i + 1 < argc)
      preview = argv[++i];
    else if (out.empty() && !arg.empty() && arg[0] != '-')
      out = arg;
    else {
      out.clear();
      break;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: make_assets OUTPUT_DIR [--preview PREVIEW_DIR]\n");
    return 2;
  }
  // Reference math: the processor sets round differently from machine to machine, and the
  // committed files must be the same bytes everywhere.
  D3DXCpuOptimizations(FALSE);
  if (!Generate(out)) return 1;
  if (!preview.empty() && !(MakeDirectory(preview) && WritePreviews(out, preview))) return 1;
  return 0;
}
