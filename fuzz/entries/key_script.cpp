// The scripted keyboard and the process options. The first byte picks the form: a --keys script
// given straight to the script parser, or an argument vector (NUL-separated) for the option
// parser and then, if it accepts them, for the platform start with its key script.
#include <string>
#include <vector>

#include "fuzz_entries.h"
#include "platform.h"

namespace fuzz {

int KeyScript(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string error;
  if (data[0] & 1) {
    if (!win32::SetKeyScript(text, error) && error.empty()) Broken("a refused key script gives no message");
    win32::ResetKeys();
    return 0;
  }
  std::vector<std::string> args = {"skyvale"};
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    args.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  SkyvaleOptions options;
  std::string rest;
  if (!SkyvaleParseOptions(int(argv.size() - 1), argv.data(), options, rest, error)) {
    if (error.empty()) Broken("refused options give no message");
    return 0;
  }
  // Only the script is checked here; windows and captures stay out of the fuzzed process.
  if (!win32::SetKeyScript(options.keys, error) && error.empty())
    Broken("a refused key script gives no message");
  win32::ResetKeys();
  return 0;
}

}  // namespace fuzz
