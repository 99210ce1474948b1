// Splitting of a Windows command line into words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sys {

// Splits `line` the way hookline reads its Windows command line:
// - words are separated by runs of bytes 1 to 32 (compared unsigned, so bytes
//   0x80 and up belong to words);
// - a pair of double quotes at the start of a word is skipped, together with
//   any separators that follow it;
// - inside a word a double quote opens a quoted stretch that runs to the next
//   double quote or the end of the line, in which separators belong to the
//   word; the quotes themselves are dropped.
// The first word is the program's own name. A zero byte ends the line.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace sys
