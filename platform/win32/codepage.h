// Text conversions through iconv between the code pages the layer knows (936 and UTF-8) and
// UTF-16, shared by the conversion calls, DrawTextA and window titles.
#pragma once
#include <iconv.h>

#include <memory>
#include <string>
#include <string_view>

#include "windef.h"

namespace win32 {

enum class CodePage { Gbk, Utf8 };

// CP_ACP, CP_OEMCP and 936 are GBK, CP_UTF8 is UTF-8; false for any other code page.
bool FindCodePage(UINT codePage, CodePage* page);

// The UTF-16 replacement character U+FFFD in native byte order, and in UTF-8.
inline constexpr char16_t kReplacementChar = u'\xFFFD';
inline const std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The length of a string given with a count that is only an upper bound: up to, not including,
// its first zero unit within `count` units (a negative count: the first zero at all).
template <typename Char>
size_t BoundedLength(const Char* text, int count) {
  size_t n = 0;
  if (count < 0) {
    while (text[n]) ++n;
  } else {
    while (n < (size_t)count && text[n]) ++n;
  }
  return n;
}

// One direction of conversion, opened once and reused.
class Converter {
 public:
  enum class Direction { ToUtf16, FromUtf16 };
  Converter(CodePage page, Direction direction);
  Converter(CodePage from, CodePage to);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool usable() const { return cd_ != (iconv_t)-1; }
  // Appends the conversion of `size` bytes to `out`. A sequence that cannot be converted ends a
  // strict conversion with false; otherwise it is replaced by `replacement` and *replaced is
  // set: one replacement per bad unit (a byte, a UTF-16 unit or a surrogate pair the target
  // lacks), one for a sequence cut short at the end.
  bool run(const char* in, size_t size, std::string& out, std::string_view replacement, bool strict,
           bool* replaced = nullptr);

 private:
  Converter(const char* to, const char* from, bool fromUtf16);
  iconv_t cd_;
  bool fromUtf16_;
};

// Decodes ANSI (code page 936) bytes to UTF-16, U+FFFD for invalid sequences; ASCII text skips
// iconv. Owned by whoever decodes often (a DC), so the converter is opened once.
class AnsiDecoder {
 public:
  void decode(const char* text, size_t size, std::u16string& out);

 private:
  std::unique_ptr<Converter> converter_;  // opened at the first non-ASCII text
  std::string bytes_;
};

}  // namespace win32
