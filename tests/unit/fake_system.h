// A fake of the system layer: scripted results, and a log of every call in
// the order the program made it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "sys/system.h"

namespace fake {

// Thrown by EndProcess, so that a run ends in the test instead of the process.
struct ProcessEnded {
  int status;
};

// One answer of ReadStandardInput: the bytes, or an error.
struct Read {
  std::string bytes;
  sys::ErrorCode error = 0;
};

struct System {
  // Scripted behaviour.
  std::vector<std::string> arguments;
  bool open_fails = false;
  bool write_fails = false;
  std::uint32_t short_write = UINT32_MAX;  // count to report, if below length
  sys::OutputKind output_kind = sys::OutputKind::Character;
  std::set<std::size_t> failing_output_writes;  // by index of the call
  std::vector<Read> input;  // answers in turn; after them, end of input

  // What the program did.
  std::vector<std::string> log;  // "open com3", "write-port ...", "out ..."
  std::vector<std::string> port_writes;
  std::vector<std::string> output_writes;
  std::vector<std::size_t> read_capacities;
  std::string output;  // every byte that reached standard output
  int closes = 0;
  std::size_t next_read = 0;
};

// The fake's state; Reset() before every case.
System& State();
void Reset();

// Runs the program against the fake and returns its exit status.
int Run(std::vector<std::string> arguments);

}  // namespace fake
