// The system layer on POSIX (Linux): a serial port is a terminal device.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "sys/system.h"

namespace sys {
namespace {

int Descriptor(Handle port) { return static_cast<int>(port); }

ErrorCode Errno() { return static_cast<ErrorCode>(errno); }

// Only a terminal device is a port: a regular file, /dev/null, a FIFO or a
// socket is refused before anything is written to it.
bool IsTerminalDevice(int fd) {
  struct stat status {};
  termios settings{};
  return fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) &&
         tcgetattr(fd, &settings) == 0;
}

// Repeats a call that a signal interrupted (-1 with EINTR); every other
// result stands.
template <typename Call>
auto RetryInterrupted(Call call) {
  for (;;) {
    const auto result = call();
    if (result >= 0 || errno != EINTR) {
      return result;
    }
  }
}

void Close(int fd) {
  // Never retried: after EINTR the descriptor is gone on Linux.
  close(fd);
}

}  // namespace

Handle OpenPortExclusive(const char* name) {
  // O_NONBLOCK for the open alone: a blocking open waits for a carrier that a
  // modem may never raise. O_NOCTTY: the port must not become the
  // controlling terminal.
  int fd = RetryInterrupted(
      [&] { return open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) {
    return InvalidHandle;
  }
  // With standard output closed the port would take descriptor 1 and receive
  // the console's lines; it is kept above the standard three.
  if (fd <= STDERR_FILENO) {
    const int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    Close(fd);
    if (high < 0) {
      return InvalidHandle;
    }
    fd = high;
  }
  // Nobody else's: the lock that serial programs take comes first, and
  // exclusive mode keeps out other openers (root passes through it).
  const int locked =
      RetryInterrupted([&] { return flock(fd, LOCK_EX | LOCK_NB); });
  if (locked != 0 || !IsTerminalDevice(fd)) {
    Close(fd);
    return InvalidHandle;
  }
  // Some devices have no exclusive mode (ENOTTY, EINVAL); the lock stands.
  static_cast<void>(ioctl(fd, TIOCEXCL));
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    Close(fd);
    return InvalidHandle;
  }
  return Handle{fd};
}

bool WritePort(Handle port, const void* data, std::uint32_t length,
               std::uint32_t* written) {
  const ssize_t count =
      RetryInterrupted([&] { return write(Descriptor(port), data, length); });
  *written = count > 0 ? static_cast<std::uint32_t>(count) : 0;
  return count >= 0;
}

void ClosePort(Handle port) {
  // Exclusive mode would outlast the close while anyone else holds the
  // device open.
  static_cast<void>(ioctl(Descriptor(port), TIOCNXCL));
  Close(Descriptor(port));
}

OutputKind StandardOutputKind(ErrorCode* error) {
  struct stat status {};
  if (fstat(STDOUT_FILENO, &status) != 0) {
    *error = Errno();
    return OutputKind::Unknown;
  }
  return S_ISCHR(status.st_mode) ? OutputKind::Character : OutputKind::Buffered;
}

ErrorCode WriteStandardOutput(const char* data, std::size_t length) {
  // A reader that has gone is a failed write (EPIPE), not a signal death.
  static const bool broken_pipe_is_an_error =
      std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
  static_cast<void>(broken_pipe_is_an_error);
  while (length > 0) {
    const ssize_t count =
        RetryInterrupted([&] { return write(STDOUT_FILENO, data, length); });
    if (count < 0) {
      return Errno();
    }
    if (count == 0) {
      return EIO;
    }
    data += count;
    length -= static_cast<std::size_t>(count);
  }
  return 0;
}

ErrorCode ReadStandardInput(char* buffer, std::size_t capacity,
                            std::size_t* count) {
  // A terminal in canonical mode turns Enter into LF; for the dialogue it is
  // the CR that the user typed. Files and pipes keep their exact bytes.
  static const bool terminal = isatty(STDIN_FILENO) != 0;
  *count = 0;
  const ssize_t got =
      RetryInterrupted([&] { return read(STDIN_FILENO, buffer, capacity); });
  if (got < 0) {
    return Errno();
  }
  *count = static_cast<std::size_t>(got);
  if (terminal) {
    std::replace(buffer, buffer + *count, '\n', '\r');
  }
  return 0;
}

std::vector<std::string> CommandLineArguments(int argc, char* argv[]) {
  // The shell has split the words already.
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.emplace_back(argv[i]);
  }
  return arguments;
}

void EndProcess(int status) { std::exit(status); }

}  // namespace sys
