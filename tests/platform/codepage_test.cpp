// MultiByteToWideChar and WideCharToMultiByte for code page 936 and UTF-8: the demo's text,
// counts and terminators, buffer sizes, invalid sequences and unmappable characters.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// The help text's characters and their code page 936 bytes (public GBK code points).
const char kGbk[] =
    "\xBD\xF8\xCD\xCB\xD7\xF3\xD3\xD2\xD2\xC6\xB6\xAF\xA3\xBB\xA1\xFC\xD1\xF6\xA1\xFD\xB8\xA9\xA1\xFA\xA1\xFB"
    "\xD0\xFD\xD7\xAA";
const char16_t kWide[] =
    u"\u8FDB\u9000\u5DE6\u53F3\u79FB\u52A8\uFF1B\u2191\u4EF0\u2193\u4FEF\u2192\u2190\u65CB\u8F6C";

std::u16string ToWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, bytes.data(), (int)bytes.size(), nullptr, 0);
  std::u16string out(n, u'\0');
  if (n) {
    EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), (int)bytes.size(), out.data(), n), n);
  }
  return out;
}

std::string ToBytes(UINT cp, const std::u16string& wide, DWORD flags = 0, const char* defaultChar = nullptr,
                    BOOL* usedDefault = nullptr) {
  int n = WideCharToMultiByte(cp, flags, wide.data(), (int)wide.size(), nullptr, 0, defaultChar, usedDefault);
  std::string out(n, '\0');
  if (n) {
    EXPECT_EQ(WideCharToMultiByte(cp, flags, wide.data(), (int)wide.size(), out.data(), n, defaultChar,
                                  usedDefault),
              n);
  }
  return out;
}

TEST(CodePages, GbkAndUtf8ConvertBothWays) {
  EXPECT_EQ(ToWide(CP_ACP, kGbk), kWide);
  EXPECT_EQ(ToWide(936, kGbk), kWide);
  EXPECT_EQ(ToBytes(CP_ACP, kWide), kGbk);
  EXPECT_EQ(ToWide(CP_ACP, " W \xBD\xF8 S"), u" W 进 S");
  EXPECT_EQ(ToWide(CP_ACP, "\x80"), u"\u20AC") << "0x80 is the euro sign";
  const std::string utf8 = "\xE8\xBF\x9B\xE2\x86\x91 \xF0\x9F\x98\x80";  // 进↑ and U+1F600
  EXPECT_EQ(ToWide(CP_UTF8, utf8), u"进↑ \U0001F600");
  EXPECT_EQ(ToBytes(CP_UTF8, u"进↑ \U0001F600"), utf8);
  EXPECT_EQ(GetACP(), 936u);
}

TEST(CodePages, CountsTerminatorsAndBufferSizes) {
  // -1 converts the terminator too and counts it.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab\xBD\xF8", -1, nullptr, 0), 4);
  char16_t wide[8];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab\xBD\xF8", -1, wide, 8), 4);
  EXPECT_EQ(std::u16string(wide), u"ab进");
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab进", -1, nullptr, 0, nullptr, nullptr), 5);
  // A positive count converts that much without a terminator...
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", 3, nullptr, 0), 3);
  // ...and ends after a terminator it meets, never reading beyond it.
  const char shortText[] = {'a', 'b', 0, '\xFF'};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, shortText, 1000, nullptr, 0), 3);
  const char16_t shortWide[] = {u'a', 0, 0xD800};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, shortWide, 50, nullptr, 0, nullptr, nullptr),
            2);

  // A buffer too small gets nothing past its end and reports the shortage.
  char16_t small[3] = {u'x', u'x', u'x'};
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", -1, small, 2), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small[2], u'x');
  char bytes[3] = {'x', 'x', 'x'};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"进", 1, bytes, 1, nullptr, nullptr), 0)
      << "a two-byte character";
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(bytes[1], 'x');

  // Null input, a count of 0 or below -1, negative sizes, unknown code pages and flags.
  struct Bad {
    UINT cp;
    DWORD flags;
    const char* src;
    int count, size;
    DWORD error;
  } bad[] = {{CP_ACP, 0, nullptr, -1, 0, ERROR_INVALID_PARAMETER},
             {CP_ACP, 0, "a", 0, 0, ERROR_INVALID_PARAMETER},
             {CP_ACP, 0, "a", -2, 0, ERROR_INVALID_PARAMETER},
             {CP_ACP, 0, "a", 1, -1, ERROR_INVALID_PARAMETER},
             {1252, 0, "a", 1, 0, ERROR_INVALID_PARAMETER},
             {CP_ACP, 0x1000, "a", 1, 0, ERROR_INVALID_FLAGS},
             {CP_UTF8, MB_PRECOMPOSED, "a", 1, 0, ERROR_INVALID_FLAGS}};
  for (const Bad& b : bad) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(b.cp, b.flags, b.src, b.count, nullptr, b.size), 0)
        << b.cp << " " << b.count;
    EXPECT_EQ(GetLastError(), b.error) << b.cp << " " << b.count;
  }
  char d = '*';
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 0, &d, nullptr), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER) << "UTF-8 has no default character";
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 0, nullptr, &used), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"a", 1, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_FLAGS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, nullptr, -1, nullptr, 0, nullptr, nullptr), 0);
}

TEST(CodePages, InvalidSequencesBecomeReplacementsOrFailWhenStrict) {
  struct Case {
    UINT cp;
    std::string bytes;
    std::u16string wide;
  } cases[] = {
      {CP_ACP, "\xFF", u"\uFFFD"},         // not a GBK byte
      {CP_ACP, "a\x81", u"a\uFFFD"},       // a lead byte cut off at the end
      {CP_ACP, "\x81\x20z", u"\uFFFD z"},  // a lead byte with a bad trail byte keeps the trail
      {CP_ACP, "\xBD\xF8\x81\x7F\xCD\xCB", u"进\uFFFD\x7F退"},  // 0x7F is no trail byte
      {CP_UTF8, "\xC0\xAF", u"\uFFFD\uFFFD"},                   // an overlong '/'
      {CP_UTF8, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},         // an encoded surrogate
      {CP_UTF8, "a\xE8\xBF", u"a\uFFFD"},                       // cut short at the end
      {CP_UTF8,
       "\xE8\xBF"
       "b",
       u"\uFFFD\uFFFDb"},  // cut short before another character
      {CP_UTF8, "\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // five-byte forms are gone
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToWide(c.cp, c.bytes), c.wide) << c.bytes;
    SetLastError(0);
    EXPECT_EQ(
        MultiByteToWideChar(c.cp, MB_ERR_INVALID_CHARS, c.bytes.data(), (int)c.bytes.size(), nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION) << c.bytes;
  }

  // Unpaired surrogates become U+FFFD in UTF-8, or fail when strict.
  const std::u16string lone = {u'a', (char16_t)0xD800, u'b', (char16_t)0xDC00};
  EXPECT_EQ(ToBytes(CP_UTF8, lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 4, nullptr, 0, nullptr, nullptr),
            0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePages, CharactersGbkLacksBecomeTheDefaultCharacter) {
  BOOL used = FALSE;
  EXPECT_EQ(ToBytes(CP_ACP, u"a进b", 0, nullptr, &used),
            "a\xBD\xF8"
            "b");
  EXPECT_FALSE(used);
  // Thai, an astral character (one default for the pair) and a lone surrogate.
  EXPECT_EQ(ToBytes(CP_ACP, u"aกb\U0001F600c", 0, nullptr, &used), "a?b?c");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToBytes(CP_ACP, std::u16string{u'x', (char16_t)0xDBFF}, 0, nullptr, &used), "x?");
  EXPECT_EQ(ToBytes(CP_ACP, u"aกb", 0, "*"), "a*b");
  EXPECT_EQ(ToBytes(CP_ACP, u"aกb", 0, "\xA1\xF9"),
            "a\xA1\xF9"
            "b")
      << "a two-byte default character";
}

}  // namespace
