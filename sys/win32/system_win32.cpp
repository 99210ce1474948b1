// The system layer on Win32. The only file of hookline that sees <windows.h>.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "sys/command_line.h"
#include "sys/system.h"

namespace sys {
namespace {

HANDLE Native(Handle port) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): a HANDLE is carried as an
  // integer
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(port));
}

// Standard handles are taken at first use, as the console dialogue expects.
HANDLE StandardOutput() {
  static const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  return output;
}

HANDLE StandardInput() {
  static const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  return input;
}

// Queries that change nothing: an ordinary file, a disk or NUL fails one of
// them, a serial port passes both.
bool IsCommunicationsDevice(HANDLE handle) {
  if (GetFileType(handle) != FILE_TYPE_CHAR) {
    return false;
  }
  DCB settings{};
  settings.DCBlength = sizeof settings;
  return GetCommState(handle, &settings) != FALSE;
}

// A failed call whose error code is 0 still counts as failed.
ErrorCode Failed(DWORD error, ErrorCode fallback) {
  return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

Handle OpenPortExclusive(const char* name) {
  HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    return InvalidHandle;
  }
  if (!IsCommunicationsDevice(port)) {
    CloseHandle(port);
    return InvalidHandle;
  }
  return Handle{reinterpret_cast<std::intptr_t>(port)};
}

bool WritePort(Handle port, const void* data, std::uint32_t length,
               std::uint32_t* written) {
  DWORD count = 0;
  const BOOL ok = WriteFile(Native(port), data, length, &count, nullptr);
  *written = count;
  return ok != FALSE;
}

void ClosePort(Handle port) { CloseHandle(Native(port)); }

OutputKind StandardOutputKind(ErrorCode* error) {
  switch (GetFileType(StandardOutput())) {
    case FILE_TYPE_CHAR:
      return OutputKind::Character;
    case FILE_TYPE_DISK:
    case FILE_TYPE_PIPE:
      return OutputKind::Buffered;
    default:
      *error = GetLastError();
      return OutputKind::Unknown;
  }
}

ErrorCode WriteStandardOutput(const char* data, std::size_t length) {
  while (length > 0) {
    const DWORD chunk = static_cast<DWORD>(
        std::min<std::size_t>(length, std::numeric_limits<DWORD>::max()));
    DWORD count = 0;
    if (!WriteFile(StandardOutput(), data, chunk, &count, nullptr)) {
      return Failed(GetLastError(), ERROR_WRITE_FAULT);
    }
    if (count == 0) {
      return ERROR_WRITE_FAULT;
    }
    data += count;
    length -= count;
  }
  return ERROR_SUCCESS;
}

ErrorCode ReadStandardInput(char* buffer, std::size_t capacity,
                            std::size_t* count) {
  DWORD got = 0;
  const DWORD wanted = static_cast<DWORD>(
      std::min<std::size_t>(capacity, std::numeric_limits<DWORD>::max()));
  if (!ReadFile(StandardInput(), buffer, wanted, &got, nullptr)) {
    // A pipe whose writing end has gone is end of input.
    const DWORD error = GetLastError();
    *count = 0;
    return error == ERROR_BROKEN_PIPE ? ERROR_SUCCESS
                                      : Failed(error, ERROR_READ_FAULT);
  }
  *count = got;
  return ERROR_SUCCESS;
}

std::vector<std::string> CommandLineArguments(int /*argc*/, char* /*argv*/[]) {
  // The run-time library's own splitting of argv differs; the command line
  // as the system holds it is split by hookline's rules.
  std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
  if (!words.empty()) {
    words.erase(words.begin());
  }
  return words;
}

void EndProcess(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace sys
