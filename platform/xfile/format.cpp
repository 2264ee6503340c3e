// The file header and the compressed body: a total size, then MSZIP blocks of raw deflate data
// whose history window carries over from block to block.
#include <zlib.h>

#include <cstring>

#include "xfile.h"

namespace xfile {

namespace {

constexpr size_t kBlockLimit = 32768;  // MSZIP: at most 32 KB of output per block

bool IsDigit(BYTE c) { return c >= '0' && c <= '9'; }

DWORD ReadDword(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24; }
WORD ReadWord(const BYTE* p) { return WORD(p[0] | p[1] << 8); }

}  // namespace

HRESULT ReadHeader(const BYTE* data, size_t size, Header& header) {
  if (size < 16 || std::memcmp(data, "xof ", 4) != 0) return DXFILEERR_BADFILETYPE;
  for (int i = 4; i < 8; ++i)
    if (!IsDigit(data[i])) return DXFILEERR_BADFILEVERSION;
  header = Header();
  const char* format = reinterpret_cast<const char*>(data + 8);
  if (std::memcmp(format, "txt ", 4) == 0) {
  } else if (std::memcmp(format, "bin ", 4) == 0) {
    header.binary = true;
  } else if (std::memcmp(format, "tzip", 4) == 0) {
    header.compressed = true;
  } else if (std::memcmp(format, "bzip", 4) == 0) {
    header.binary = header.compressed = true;
  } else if (std::memcmp(format, "cmp ", 4) == 0) {
    return DXFILEERR_BADFILECOMPRESSIONTYPE;
  } else {
    return DXFILEERR_BADFILETYPE;
  }
  if (std::memcmp(data + 12, "0064", 4) == 0)
    header.doubles = true;
  else if (std::memcmp(data + 12, "0032", 4) != 0)
    return DXFILEERR_BADFILEFLOATSIZE;
  return DXFILE_OK;
}

HRESULT InflateBody(const BYTE* data, size_t size, std::vector<BYTE>& out) {
  out.clear();
  if (size < 4) return DXFILEERR_BADFILE;
  const DWORD total = ReadDword(data);
  if (total < 16) return DXFILEERR_BADFILE;
  const size_t expected = total - 16;

  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return DXFILEERR_BADALLOC;
  HRESULT hr = DXFILE_OK;
  size_t pos = 4;
  while (pos < size && SUCCEEDED(hr)) {
    // Block: uncompressed size, compressed size (counting the signature), "CK", deflate data.
    if (size - pos < 6) {
      hr = DXFILEERR_BADFILE;
      break;
    }
    const size_t blockOut = ReadWord(data + pos), blockIn = ReadWord(data + pos + 2);
    if (blockOut == 0 || blockOut > kBlockLimit || blockIn < 2 || blockIn > size - pos - 4 ||
        data[pos + 4] != 'C' || data[pos + 5] != 'K' || out.size() + blockOut > expected) {
      hr = DXFILEERR_BADFILE;
      break;
    }
    const size_t start = out.size();
    try {
      out.resize(start + blockOut);
    } catch (const std::bad_alloc&) {
      hr = DXFILEERR_BADALLOC;
      break;
    }
    inflateReset(&z);
    if (start > 0) {
      const size_t window = start < kBlockLimit ? start : kBlockLimit;
      inflateSetDictionary(&z, out.data() + start - window, static_cast<uInt>(window));
    }
    z.next_in = const_cast<Bytef*>(data + pos + 6);
    z.avail_in = static_cast<uInt>(blockIn - 2);
    z.next_out = out.data() + start;
    z.avail_out = static_cast<uInt>(blockOut);
    if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.avail_out != 0) hr = DXFILEERR_BADFILE;
    pos += 4 + blockIn;
  }
  inflateEnd(&z);
  if (SUCCEEDED(hr) && out.size() != expected) hr = DXFILEERR_BADFILE;
  if (FAILED(hr)) out.clear();
  return hr;
}

}  // namespace xfile
