// The system layer: every contact hookline has with the operating system.
//
// The logic in app/ calls nothing else. One backend file per platform
// implements these functions (sys/win32, sys/posix); the build links exactly
// one of them, and the unit tests link a fake in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sys {

// A system error code as the platform reports it (GetLastError() or errno);
// 0 means success.
using ErrorCode = std::uint32_t;

// An open port. The value -1 is "no port", as INVALID_HANDLE_VALUE on Windows
// and an invalid descriptor on POSIX.
enum class Handle : std::intptr_t {};
inline constexpr Handle InvalidHandle = Handle{-1};

// Opens the named communications device for reading and writing, shared with
// nobody, with the settings the system holds for it. The name is handed to the
// system unchanged. Anything that opens but is not a communications device is
// closed again before anything is written to it. Returns InvalidHandle on any
// failure; the cause is not kept.
Handle OpenPortExclusive(const char* name);

// One write call of `length` bytes to the port. Returns false when the system
// reports failure; `*written` receives the count the system reports.
bool WritePort(Handle port, const void* data, std::uint32_t length,
               std::uint32_t* written);

// Closes the port; the result is of no interest to the program.
void ClosePort(Handle port);

enum class OutputKind {
  Character,  // a console or other character device: hand over every line
  Buffered,   // a file or a pipe: output may gather in a buffer
  Unknown,    // the system cannot say what standard output is
};

// What standard output is; on Unknown, `*error` receives the system's code.
OutputKind StandardOutputKind(ErrorCode* error);

// Writes all `length` bytes to standard output, or fails.
ErrorCode WriteStandardOutput(const char* data, std::size_t length);

// Reads up to `capacity` bytes of standard input into `buffer` and stores the
// count in `*count`. A count of 0 is end of input; so is a pipe whose writing
// end has gone, which is not an error.
ErrorCode ReadStandardInput(char* buffer, std::size_t capacity,
                            std::size_t* count);

// The command-line arguments after the program's own name, split as the
// platform splits them. `argc` and `argv` are main's; a platform that keeps the
// command line elsewhere ignores them.
std::vector<std::string> CommandLineArguments(int argc, char* argv[]);

// Ends the process with the exit status; nothing after it runs.
[[noreturn]] void EndProcess(int status);

}  // namespace sys
