// The input side of the console dialogue: blocks of standard input in, one
// line at a time consumed.
#pragma once

#include <array>
#include <cstddef>

namespace hookline {

class LineInput {
 public:
  static constexpr std::size_t BlockSize = 128;

  // Consumes input up to and including the next CR; an LF right after it is
  // consumed too when it is already in the buffer (more input is never
  // awaited for it). Returns true when a line has ended or the input is at
  // its end, false when the next block is needed first.
  bool SkipLine();

  // Room for the next block, and the count that was read into it; a count of
  // 0 is end of input.
  [[nodiscard]] char* Block() { return buffer_.data(); }
  void Took(std::size_t count);

  [[nodiscard]] bool AtEnd() const { return at_end_; }
  // Bytes read but not consumed yet.
  [[nodiscard]] std::size_t Unread() const { return end_ - next_; }

 private:
  std::array<char, BlockSize> buffer_{};
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
};

}  // namespace hookline
