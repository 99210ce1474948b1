// Arbitrary input in arbitrary block sizes: the reader behind the wait for
// Enter consumes exactly up to and including the first CR (and an LF right
// after it in the same block), reads no block beyond the one holding that CR,
// and at end of input or a Ctrl+Z it stops.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/console/line_input.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const auto sizes_seed = provider.ConsumeIntegral<std::uint32_t>();
  const std::string input = provider.ConsumeRemainingBytesAsString();

  // The block sizes come from the seed: 1 to 128 bytes a block.
  std::uint32_t state = sizes_seed | 1U;
  const auto next_block_size = [&] {
    state ^= state << 13U;
    state ^= state >> 17U;
    state ^= state << 5U;
    return static_cast<std::size_t>(state % hookline::LineInput::BlockSize) + 1;
  };

  hookline::LineInput reader;
  std::size_t delivered = 0;
  std::size_t last_block_start = 0;
  std::size_t blocks = 0;
  while (!reader.SkipLine()) {
    Check(reader.Unread() == 0);  // asks for a block only when it is empty
    const std::size_t count =
        std::min(next_block_size(), input.size() - delivered);
    std::memcpy(reader.Block(), input.data() + delivered, count);
    reader.Took(count);
    last_block_start = delivered;
    delivered += count;
    Check(++blocks <= input.size() + 1);
  }
  const std::size_t consumed = delivered - reader.Unread();

  const std::size_t stop = input.find_first_of("\r\x1A");
  if (stop == std::string::npos) {
    // End of input: everything was read and consumed.
    Check(reader.AtEnd() && delivered == input.size() && consumed == delivered);
  } else if (input[stop] == '\x1A') {
    // Ctrl+Z is end of input, here and for every later line.
    Check(reader.AtEnd() && stop < delivered && stop >= last_block_start);
    Check(reader.SkipLine());
  } else {
    Check(!reader.AtEnd());
    Check(stop >= last_block_start && stop < delivered);
    const bool lf_in_block = stop + 1 < delivered && input[stop + 1] == '\n';
    Check(consumed == stop + 1 + (lf_in_block ? 1 : 0));
  }
  return 0;
}
