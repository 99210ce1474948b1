#include "sys/command_line.h"

#include <utility>

namespace sys {
namespace {

bool IsSeparator(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  const std::size_t end = line.size();
  const auto is_quote_at = [&](std::size_t i) {
    return i < end && line[i] == '"';
  };

  std::vector<std::string> words;
  std::size_t i = 0;
  for (;;) {
    for (;;) {
      while (i < end && IsSeparator(line[i])) {
        ++i;
      }
      if (!(is_quote_at(i) && is_quote_at(i + 1))) {
        break;
      }
      i += 2;
    }
    if (i == end) {
      return words;
    }
    std::string word;
    while (i < end && !IsSeparator(line[i])) {
      if (line[i] != '"') {
        word += line[i++];
        continue;
      }
      ++i;
      while (i < end && line[i] != '"') {
        word += line[i++];
      }
      if (i < end) {
        ++i;
      }
    }
    words.push_back(std::move(word));
  }
}

}  // namespace sys
