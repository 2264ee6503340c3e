// Generates the airplane: assets/xfiles/airplane.x and the two textures it names, the same bytes
// on every run.
//
//   make_airplane OUTPUT_DIR
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <d3dx9math.h>

#include "airplane_model.h"
#include "airplane_textures.h"
#include "jpeg_file.h"
#include "x_writer.h"

namespace {

constexpr int kTextureQuality = 90;

bool MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  std::fprintf(stderr, "make_airplane: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
  return false;
}

bool Report(bool ok, const std::string& path) {
  if (!ok) std::fprintf(stderr, "make_airplane: cannot write %s\n", path.c_str());
  return ok;
}

bool WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return f && std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_airplane OUTPUT_DIR\n");
    return 2;
  }
  // The processor sets round differently from machine to machine (reciprocal square root
  // estimates); the committed files must be the same bytes everywhere.
  D3DXCpuOptimizations(FALSE);
  const std::string dir = std::string(argv[1]) + "/" + kAirplaneDirectory;
  if (!MakeDirectory(argv[1]) || !MakeDirectory(dir)) return 1;
  const std::string model = dir + kAirplaneFile;
  if (!Report(WriteText(model, WriteAirplaneX(MakeAirplaneModel())), model)) return 1;
  const std::string fuselage = dir + kAirplaneMaterials[int(AirplanePart::Fuselage)].texture;
  const std::string wing = dir + kAirplaneMaterials[int(AirplanePart::Wings)].texture;
  if (!Report(WriteJpeg(fuselage, MakeFuselageTexture(), kTextureQuality), fuselage)) return 1;
  if (!Report(WriteJpeg(wing, MakeWingTexture(), kTextureQuality), wing)) return 1;
  return 0;
}
