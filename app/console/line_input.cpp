#include "app/console/line_input.h"

#include <algorithm>

namespace hookline {
namespace {

constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';
constexpr char EndOfFileMark = '\x1A';

}  // namespace

bool LineInput::SkipLine() {
  while (!at_end_ && next_ < end_) {
    const char byte = buffer_[next_];
    if (byte == EndOfFileMark) {
      // Ctrl+Z ends the input for this line and every later one.
      at_end_ = true;
      break;
    }
    ++next_;
    if (byte == CarriageReturn) {
      if (next_ < end_ && buffer_[next_] == LineFeed) {
        ++next_;
      }
      return true;
    }
  }
  return at_end_;
}

void LineInput::Took(std::size_t count) {
  next_ = 0;
  end_ = std::min(count, buffer_.size());
  at_end_ = end_ == 0;
}

}  // namespace hookline
