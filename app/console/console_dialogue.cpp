#include "app/console/console_dialogue.h"

#include "app/console/line_input.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

namespace hookline {
namespace {

constexpr std::size_t BufferSize = 128;
constexpr char EndOfLine[] = {'\r', '\n'};

struct OutputState {
  bool kind_known = false;
  bool hand_over_lines = false;
  std::array<char, BufferSize> buffer{};
  std::size_t used = 0;
};

OutputState Output;
LineInput Input;

void WriteOut(const char* data, std::size_t length) {
  if (const sys::ErrorCode error = sys::WriteStandardOutput(data, length)) {
    throw ConsoleFailure(ConsoleFailure::Operation::WriteOutput, error);
  }
}

// The buffer is emptied before the write, so a failed write is not retried
// later and nothing reaches the output twice.
void FlushOutput() {
  const std::size_t length = Output.used;
  Output.used = 0;
  if (length > 0) {
    WriteOut(Output.buffer.data(), length);
  }
}

void LearnOutputKind() {
  if (Output.kind_known) {
    return;
  }
  sys::ErrorCode error = 0;
  switch (sys::StandardOutputKind(&error)) {
    case sys::OutputKind::Character:
      Output.hand_over_lines = true;
      break;
    case sys::OutputKind::Buffered:
      Output.hand_over_lines = false;
      break;
    case sys::OutputKind::Unknown:
      throw ConsoleFailure(ConsoleFailure::Operation::QueryOutput, error);
  }
  Output.kind_known = true;
}

void PutBytes(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t room = Output.buffer.size() - Output.used;
    const std::size_t count = std::min(room, bytes.size());
    std::copy_n(bytes.data(), count, Output.buffer.data() + Output.used);
    Output.used += count;
    bytes.remove_prefix(count);
    if (Output.used == Output.buffer.size()) {
      FlushOutput();
    }
  }
}

// Reads the next block of input; an empty block is end of input.
void RefillInput() {
  std::size_t count = 0;
  if (const sys::ErrorCode error =
          sys::ReadStandardInput(Input.Block(), LineInput::BlockSize, &count)) {
    throw ConsoleFailure(ConsoleFailure::Operation::ReadInput, error);
  }
  Input.Took(count);
}

}  // namespace

const char* ConsoleFailure::what() const noexcept {
  switch (operation_) {
    case Operation::WriteOutput:
      return "zapis na standardowe wyjscie";
    case Operation::ReadInput:
      return "odczyt ze standardowego wejscia";
    case Operation::QueryOutput:
      return "nieznany rodzaj standardowego wyjscia";
  }
  return "konsola";
}

void ShowLine(std::string_view message) {
  LearnOutputKind();
  PutBytes(message);
  PutBytes(std::string_view(EndOfLine, sizeof EndOfLine));
  if (Output.hand_over_lines) {
    FlushOutput();
  }
}

void AwaitEnter() {
  while (!Input.SkipLine()) {
    RefillInput();
  }
}

void EndRun() {
  FlushOutput();
  sys::EndProcess(0);
}

void EndRunAfterFailure(const ConsoleFailure& failure) {
  try {
    FlushOutput();
  } catch (const ConsoleFailure&) {
    // Standard output is the failing part; the report below tries once more.
  }
  std::string report = "Blad konsoli: ";
  report += failure.what();
  report += " (kod ";
  report += std::to_string(failure.error());
  report += ")\r\n";
  // The report is the last word; a standard output that refuses it leaves
  // nothing else to tell.
  static_cast<void>(sys::WriteStandardOutput(report.data(), report.size()));
  sys::EndProcess(1);
}

void ResetConsole() {
  Output = OutputState{};
  Input = LineInput{};
}

}  // namespace hookline
