// Code page conversions through iconv: MultiByteToWideChar, WideCharToMultiByte, ANSI text for
// DrawTextA and UTF-8 window titles.
#include "codepage.h"

#include <winbase.h>
#include <winerror.h>
#include <winnls.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>

#include "skyvale_host.h"

namespace win32 {
namespace {

const char* const kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const char* IconvName(CodePage page) { return page == CodePage::Gbk ? "CP936" : "UTF-8"; }

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u < 0xDC00; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u < 0xE000; }

// Bytes of input one replacement stands for: a byte, a UTF-16 unit, or a whole surrogate pair
// (a character the target lacks).
size_t BadUnitSize(bool fromUtf16, const char* at, size_t left) {
  if (!fromUtf16 || left < 2) return 1;
  char16_t u[2] = {};
  std::memcpy(u, at, left >= 4 ? 4 : 2);
  return left >= 4 && IsHighSurrogate(u[0]) && IsLowSurrogate(u[1]) ? 4 : 2;
}

// The input a count describes for the conversion calls: -1 takes the terminator too; a positive
// count stops after a zero it meets.
template <typename Char>
size_t ConversionLength(const Char* text, int count) {
  size_t n = BoundedLength(text, count);
  return count < 0 || n < (size_t)count ? n + 1 : n;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// Hands `units` converted units to the caller: the size needed, or a copy that fits.
template <typename Char>
int Deliver(const std::string& converted, Char* target, int targetUnits) {
  size_t units = converted.size() / sizeof(Char);
  if (units > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (targetUnits == 0) return (int)units;
  if (units > (size_t)targetUnits) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(target, converted.data(), units * sizeof(Char));
  return (int)units;
}

}  // namespace

bool FindCodePage(UINT codePage, CodePage* page) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case 936:
      *page = CodePage::Gbk;
      return true;
    case CP_UTF8:
      *page = CodePage::Utf8;
      return true;
    default:
      return false;
  }
}

Converter::Converter(const char* to, const char* from, bool fromUtf16)
    : cd_(iconv_open(to, from)), fromUtf16_(fromUtf16) {}
Converter::Converter(CodePage page, Direction direction)
    : Converter(direction == Direction::ToUtf16 ? kUtf16 : IconvName(page),
                direction == Direction::ToUtf16 ? IconvName(page) : kUtf16,
                direction == Direction::FromUtf16) {}
Converter::Converter(CodePage from, CodePage to) : Converter(IconvName(to), IconvName(from), false) {}

Converter::~Converter() {
  if (usable()) iconv_close(cd_);
}

bool Converter::run(const char* in, size_t size, std::string& out, std::string_view replacement, bool strict,
                    bool* replaced) {
  if (!usable()) return false;
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  size_t left = size;
  size_t used = out.size();
  while (left > 0) {
    // Four output bytes per input byte is more than any of these conversions needs.
    out.resize(used + left * 4 + 16);
    char* dst = out.data() + used;
    size_t room = out.size() - used;
    size_t result = iconv(cd_, &src, &left, &dst, &room);
    used = (size_t)(dst - out.data());
    if (result != (size_t)-1 || errno == E2BIG) continue;
    if (strict) {
      out.resize(used);
      return false;
    }
    size_t skip = errno == EINVAL ? left : BadUnitSize(fromUtf16_, src, left);
    out.resize(used);
    out.append(replacement);
    used = out.size();
    if (replaced) *replaced = true;
    src += skip;
    left -= skip;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return true;
}

void AnsiDecoder::decode(const char* text, size_t size, std::u16string& out) {
  out.clear();
  bool ascii = true;
  for (size_t i = 0; i < size && ascii; ++i) ascii = (unsigned char)text[i] < 0x80;
  if (ascii) {
    out.assign(text, text + size);
    return;
  }
  if (!converter_) converter_ = std::make_unique<Converter>(CodePage::Gbk, Converter::Direction::ToUtf16);
  bytes_.clear();
  const char16_t replacement = kReplacementChar;
  if (!converter_->run(text, size, bytes_, {(const char*)&replacement, 2}, false)) {
    out.assign(size, kReplacementChar);  // no converter on this system
    return;
  }
  out.resize(bytes_.size() / 2);
  std::memcpy(out.data(), bytes_.data(), out.size() * 2);
}

}  // namespace win32

using namespace win32;

UINT GetACP() { return 936; }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR target,
                        int targetChars) {
  CodePage page;
  if (!FindCodePage(codePage, &page) || !source || sourceBytes == 0 || sourceBytes < -1 || targetChars < 0 ||
      (targetChars > 0 && !target))
    return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed = page == CodePage::Utf8
                            ? MB_ERR_INVALID_CHARS
                            : MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  Converter converter(page, Converter::Direction::ToUtf16);
  std::string converted;
  const char16_t replacement = kReplacementChar;
  if (!converter.run(source, ConversionLength(source, sourceBytes), converted, {(const char*)&replacement, 2},
                     (flags & MB_ERR_INVALID_CHARS) != 0))
    return Fail(converter.usable() ? ERROR_NO_UNICODE_TRANSLATION : ERROR_INVALID_PARAMETER);
  return Deliver(converted, target, targetChars);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars, LPSTR target,
                        int targetBytes, LPCSTR defaultChar, LPBOOL usedDefault) {
  CodePage page;
  if (!FindCodePage(codePage, &page) || !source || sourceChars == 0 || sourceChars < -1 || targetBytes < 0 ||
      (targetBytes > 0 && !target))
    return Fail(ERROR_INVALID_PARAMETER);
  if (page == CodePage::Utf8 && (defaultChar || usedDefault)) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed = page == CodePage::Utf8 ? WC_ERR_INVALID_CHARS
                                               : WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS |
                                                     WC_DEFAULTCHAR | WC_NO_BEST_FIT_CHARS;
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  // The default character is one character of the code page: a lead byte takes its trail byte.
  std::string_view replacement = page == CodePage::Utf8 ? kReplacementUtf8 : "?";
  if (defaultChar && defaultChar[0]) {
    bool lead =
        (unsigned char)defaultChar[0] >= 0x81 && (unsigned char)defaultChar[0] <= 0xFE && defaultChar[1];
    replacement = std::string_view(defaultChar, lead ? 2 : 1);
  }
  Converter converter(page, Converter::Direction::FromUtf16);
  std::string converted;
  bool replaced = false;
  if (!converter.run((const char*)source, ConversionLength(source, sourceChars) * 2, converted, replacement,
                     (flags & WC_ERR_INVALID_CHARS) != 0, &replaced))
    return Fail(converter.usable() ? ERROR_NO_UNICODE_TRANSLATION : ERROR_INVALID_PARAMETER);
  int result = Deliver(converted, target, targetBytes);
  if (result && usedDefault) *usedDefault = replaced ? TRUE : FALSE;
  return result;
}

std::string SkyvaleAnsiToUtf8(const char* text) {
  std::string out;
  if (!text) return out;
  Converter converter(CodePage::Gbk, CodePage::Utf8);
  if (!converter.run(text, std::strlen(text), out, kReplacementUtf8, false)) out = text;
  return out;
}
