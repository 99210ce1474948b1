// The console dialogue: hookline's fixed message lines, the pause for Enter,
// and the two ways a run ends.
#pragma once

#include <exception>
#include <string_view>

#include "sys/system.h"

namespace hookline {

// The message catalogue. Single-byte texts, written to standard output exactly
// as they stand and each followed by CR LF; nothing is ever inserted into them.
inline constexpr std::string_view UsagePrompt =
    "Podaj jako parametr nazwe portu, na ktorym pracuje modem np. dla com3";
inline constexpr std::string_view UsageExample = "hookline com3 <enter>";
inline constexpr std::string_view OpenFailedMessage = "Blad otwarcia portu COM";
// Windows-1250: 0xB3 is the letter l with stroke, 0xB9 is a with ogonek.
inline constexpr std::string_view WriteFailedMessage =
    "B\xB3\xB9"
    "d zapisu do portu COM.";
inline constexpr std::string_view ClosePrompt =
    "Nacisnij ENTER lub zamknij okno";

// A console operation that the system refused. It is never handled where it
// happens: it travels out of the run, and EndRunAfterFailure reports it.
class ConsoleFailure : public std::exception {
 public:
  enum class Operation { WriteOutput, ReadInput, QueryOutput };

  ConsoleFailure(Operation operation, sys::ErrorCode error) noexcept
      : operation_(operation), error_(error) {}

  [[nodiscard]] const char* what() const noexcept override;
  [[nodiscard]] Operation operation() const noexcept { return operation_; }
  [[nodiscard]] sys::ErrorCode error() const noexcept { return error_; }

 private:
  Operation operation_;
  sys::ErrorCode error_;
};

// Writes the message and CR LF to standard output. On a character device the
// line is handed to the system before ShowLine returns; to a file or a pipe,
// lines gather in a 128-byte buffer that is written out whenever it fills.
// Throws ConsoleFailure when the write fails or standard output is of no known
// kind.
void ShowLine(std::string_view message);

// Reads standard input up to and including the next CR and discards it; an LF
// right after the CR goes with it when it has already been read. Returns at
// once at end of input, and a byte 0x1A counts as end of input. Does not flush
// standard output. Throws ConsoleFailure when the read fails.
void AwaitEnter();

// The ordinary end: writes out buffered output and ends the process with exit
// status 0. Throws ConsoleFailure when the buffered output cannot be written.
[[noreturn]] void EndRun();

// The end forced by a console failure: writes out what it still can, then a
// short report naming the failure, and ends the process with exit status 1.
[[noreturn]] void EndRunAfterFailure(const ConsoleFailure& failure);

// Forgets all console state (the output kind, buffered output and input), as
// at process start. The program never calls it; the unit tests start every run
// with it.
void ResetConsole();

}  // namespace hookline
