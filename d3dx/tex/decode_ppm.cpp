// Portable pixmaps: "P3" with text samples and "P6" with byte samples, into X8R8G8B8.
#include "image_decoders.h"

namespace d3dx {
namespace {

bool IsSpace(BYTE c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(BYTE c) { return c >= '0' && c <= '9'; }

// Decimal numbers separated by white space, with "#" comments running to the end of the line.
class Tokens {
 public:
  Tokens(FileData file, size_t pos) : file_(file), pos_(pos) {}

  bool Next(uint32_t& value) {
    for (;;) {
      while (pos_ < file_.size() && IsSpace(file_[pos_])) ++pos_;
      if (pos_ >= file_.size() || file_[pos_] != '#') break;
      while (pos_ < file_.size() && file_[pos_] != '\n' && file_[pos_] != '\r') ++pos_;
    }
    if (pos_ >= file_.size() || !IsDigit(file_[pos_])) return false;
    uint64_t v = 0;
    for (; pos_ < file_.size() && IsDigit(file_[pos_]); ++pos_) {
      v = v * 10 + (file_[pos_] - '0');
      if (v > UINT32_MAX) return false;
    }
    if (pos_ < file_.size() && !IsSpace(file_[pos_]) && file_[pos_] != '#') return false;
    value = uint32_t(v);
    return true;
  }

  size_t Position() const { return pos_; }
  size_t Remaining() const { return file_.size() - pos_; }
  void Skip(size_t n) { pos_ += n; }

 private:
  FileData file_;
  size_t pos_;
};

}  // namespace

HRESULT DecodePpm(FileData file, LoadedImage& image) {
  if (file.size() < 3 || file[0] != 'P' || (file[1] != '3' && file[1] != '6')) return E_FAIL;
  if (!IsSpace(file[2]) && file[2] != '#') return E_FAIL;
  const bool text = file[1] == '3';
  Tokens tokens(file, 2);
  uint32_t width, height, maximum;
  if (!tokens.Next(width) || !tokens.Next(height) || !tokens.Next(maximum)) return E_FAIL;
  if (width == 0 || height == 0 || maximum == 0) return E_FAIL;
  const uint64_t count = uint64_t(width) * height;
  if (!text) {
    if (maximum > 255) return E_FAIL;
    // Exactly one separator; a carriage return and line feed pair counts as one. A lone carriage
    // return is the separator alone: the byte after it is the first sample.
    if (tokens.Remaining() == 0 || !IsSpace(file[tokens.Position()])) return E_FAIL;
    const size_t at = tokens.Position();
    tokens.Skip(file[at] == '\r' && tokens.Remaining() >= 2 && file[at + 1] == '\n' ? 2 : 1);
    if (count > tokens.Remaining() / 3) return E_FAIL;
  } else if (count > (tokens.Remaining() + 1) / 6) {
    return E_FAIL;  // every sample takes a separator and a digit
  }

  UINT rowPitch;
  size_t bytes;
  if (!DecodedSize(uint64_t(width) * 4, height, &rowPitch, &bytes)) return E_FAIL;
  uint32_t* out = nullptr;
  if (image.wantPixels) {
    out = reinterpret_cast<uint32_t*>(image.AllocatePixels(bytes));
    if (!out) return E_OUTOFMEMORY;
  }

  const BYTE* raw = file.data() + tokens.Position();
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t rgb[3];
    for (uint32_t& sample : rgb) {
      if (text) {
        if (!tokens.Next(sample)) return E_FAIL;
      } else {
        sample = *raw++;
      }
      // A sample above the maximum would carry into the neighbouring channel.
      if (sample > maximum) return E_FAIL;
      sample = uint32_t(uint64_t(sample) * 255 / maximum);
    }
    if (out) out[i] = 0xFF000000u | rgb[0] << 16 | rgb[1] << 8 | rgb[2];
  }

  image.Describe2D(D3DFMT_X8R8G8B8, width, height, rowPitch);
  return S_OK;
}

}  // namespace d3dx
