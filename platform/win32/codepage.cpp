// ANSI code page 936 (GBK) to UTF-8, for window titles and message boxes.
#include <iconv.h>

#include <cstring>

#include "platform.h"

std::string SkyvaleAnsiToUtf8(const char* text) {
  std::string out;
  if (!text) return out;
  size_t len = std::strlen(text);
  bool ascii = true;
  for (size_t i = 0; i < len; ++i) ascii &= (unsigned char)text[i] < 0x80;
  if (ascii) return std::string(text, len);

  iconv_t cd = iconv_open("UTF-8", "CP936");
  if (cd == (iconv_t)-1) return std::string(text, len);
  char* in = const_cast<char*>(text);
  size_t inLeft = len;
  char buffer[256];
  while (inLeft > 0) {
    char* o = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    out.append(buffer, (size_t)(o - buffer));
    if (r == (size_t)-1 && errno != E2BIG) {
      // An invalid or truncated sequence: one replacement character, skip one byte.
      out += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}
