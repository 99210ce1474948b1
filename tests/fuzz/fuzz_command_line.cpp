// Arbitrary bytes as a Windows command line: the splitter never reads past
// the end, and the words it returns keep the splitting rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sys/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsSeparator(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const auto words = sys::SplitCommandLine(line);

  const std::string_view text(line.data(), line.find('\0') == std::string::npos
                                               ? line.size()
                                               : line.find('\0'));
  const bool quoted = text.find('"') != std::string_view::npos;
  std::size_t characters = 0;
  for (const std::string& word : words) {
    // Quotes never survive, nor does anything past a zero byte.
    Check(word.find('"') == std::string::npos);
    Check(word.find('\0') == std::string::npos);
    characters += word.size();
    // Without quotes, no word holds a separator and none is empty.
    if (!quoted) {
      Check(!word.empty());
      for (const char c : word) {
        Check(!IsSeparator(c));
      }
    }
  }
  Check(characters <= text.size());

  if (!quoted) {
    // Then the words are exactly the runs of non-separators.
    std::size_t at = 0;
    for (const std::string& word : words) {
      while (at < text.size() && IsSeparator(text[at])) {
        ++at;
      }
      Check(text.substr(at, word.size()) == word);
      at += word.size();
      Check(at == text.size() || IsSeparator(text[at]));
    }
    while (at < text.size()) {
      Check(IsSeparator(text[at++]));
    }
  }
  return 0;
}
