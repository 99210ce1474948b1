// simmodem: a Hayes modem on a pseudo-terminal, for hookline's tests and demo.
//
// It creates a pty, sets it raw, prints the path of its device and then acts
// as the modem on the other end: it answers AT commands with OK (ERROR for
// what it does not know), keeps track of the hook, and reports every event on
// standard output, one a line:
//
//   device /dev/pts/N        the port to give to hookline (first line)
//   opened                   a program opened the port
//   received 41 54 ...       bytes that arrived, in hex, as one read gave them
//   command ATH1             a complete command line
//   answered OK              the reply sent back
//   off-hook | on-hook       the hook changed
//   closed                   the last opener closed the port
//   on-hook (DTR dropped)    the line went back as the port closed
//   stalled                  (--stall) XOFF sent: writes to the port block
//   hung-up                  (--hang-up-after) the modem side hung up
//
// Options:
//   --link PATH          also make PATH a symbolic link to the device
//   --stall              set IXON on the pty and send XOFF, so that writes
//                        to the port block
//   --hang-up-after MS   hang up MS milliseconds after the port is opened,
//                        then end
//   --once               end after the port has been closed once
//
// The modem keeps a descriptor of the device open itself, so that the pty
// keeps its raw settings between openers. Opens are seen through inotify;
// since inotify folds repeated events into one, a close is confirmed by
// looking for any other process that still has the device open.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

namespace {

struct Options {
  std::string link;
  bool stall = false;
  int hang_up_after_ms = -1;
  bool once = false;
};

void Report(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "simmodem: %s: %s\n", what, std::strerror(errno));
  std::exit(2);
}

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: simmodem [--link PATH] [--stall] "
               "[--hang-up-after MS] [--once]\n");
  std::exit(2);
}

Options ParseOptions(int argc, char* argv[]) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--link" && i + 1 < argc) {
      options.link = argv[++i];
    } else if (arg == "--stall") {
      options.stall = true;
    } else if (arg == "--hang-up-after" && i + 1 < argc) {
      options.hang_up_after_ms = std::atoi(argv[++i]);
    } else if (arg == "--once") {
      options.once = true;
    } else {
      Usage();
    }
  }
  return options;
}

// The command interpreter: one line at a time, ended by CR.
class Hayes {
 public:
  explicit Hayes(int master) : master_(master) {}

  void Feed(std::string_view bytes) {
    for (const char c : bytes) {
      if (c == '\r') {
        Execute();
        line_.clear();
      } else if (c != '\n' && line_.size() < 256) {
        line_ += c;
      }
    }
  }

  void LineDropped() {
    line_.clear();
    if (off_hook_) {
      off_hook_ = false;
      Report("on-hook (DTR dropped)");
    }
  }

 private:
  void Execute() {
    if (line_.size() < 2 || std::toupper(line_[0]) != 'A' ||
        std::toupper(line_[1]) != 'T') {
      return;  // not a command: a modem ignores it
    }
    Report("command " + line_);
    Answer(Run(std::string_view(line_).substr(2)) ? "OK" : "ERROR");
  }

  bool Run(std::string_view commands) {
    bool off_hook = off_hook_;
    for (std::size_t i = 0; i < commands.size();) {
      const char command = static_cast<char>(
          std::toupper(static_cast<unsigned char>(commands[i++])));
      int value = 0;
      while (i < commands.size() &&
             std::isdigit(static_cast<unsigned char>(commands[i]))) {
        value = value * 10 + (commands[i++] - '0');
      }
      switch (command) {
        case ' ':
          break;
        case 'H':
          if (value > 1) {
            return false;
          }
          off_hook = value == 1;
          break;
        case 'Z':
          off_hook = false;
          break;
        case 'E':
        case 'V':
        case 'Q':
        case 'I':
          break;
        default:
          return false;
      }
    }
    if (off_hook != off_hook_) {
      off_hook_ = off_hook;
      Report(off_hook_ ? "off-hook" : "on-hook");
    }
    return true;
  }

  void Answer(const std::string& reply) {
    const std::string wire = "\r\n" + reply + "\r\n";
    if (write(master_, wire.data(), wire.size()) < 0 && errno != EIO) {
      Fail("write to pty");
    }
    Report("answered " + reply);
  }

  int master_;
  std::string line_;
  bool off_hook_ = false;
};

std::string Hex(const char* data, std::size_t length) {
  std::string text;
  std::array<char, 4> item{};
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(item.data(), item.size(), i ? " %02X" : "%02X",
                  static_cast<unsigned char>(data[i]));
    text += item.data();
  }
  return text;
}

// Whether a process other than this one holds a descriptor of the device.
bool OpenElsewhere(dev_t device) {
  namespace fs = std::filesystem;
  std::error_code error;
  const std::string self = std::to_string(getpid());
  for (const auto& process : fs::directory_iterator("/proc", error)) {
    const std::string pid = process.path().filename();
    if (pid == self || !std::isdigit(static_cast<unsigned char>(pid[0]))) {
      continue;
    }
    std::error_code ignored;
    for (const auto& fd :
         fs::directory_iterator(process.path() / "fd", ignored)) {
      struct stat status {};
      if (stat(fd.path().c_str(), &status) == 0 && S_ISCHR(status.st_mode) &&
          status.st_rdev == device) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  const Options options = ParseOptions(argc, argv);

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    Fail("posix_openpt");
  }
  const char* const name = ptsname(master);
  if (name == nullptr) {
    Fail("ptsname");
  }
  const std::string device = name;
  const int own = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (own < 0) {
    Fail("open pty device");
  }
  termios settings{};
  if (tcgetattr(own, &settings) != 0) {
    Fail("tcgetattr");
  }
  cfmakeraw(&settings);
  if (options.stall) {
    settings.c_iflag |= IXON;
  }
  if (tcsetattr(own, TCSANOW, &settings) != 0) {
    Fail("tcsetattr");
  }
  if (options.stall) {
    const char xoff = '\x13';
    if (write(master, &xoff, 1) != 1) {
      Fail("send XOFF");
    }
    // Let the line discipline take the XOFF before anyone else writes.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch < 0 ||
      inotify_add_watch(watch, device.c_str(),
                        IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    Fail("inotify");
  }
  if (!options.link.empty()) {
    unlink(options.link.c_str());
    if (symlink(device.c_str(), options.link.c_str()) != 0) {
      Fail("symlink");
    }
  }

  Report("device " + device);
  if (options.stall) {
    Report("stalled");
  }

  Hayes modem(master);
  std::array<char, 4096> buffer{};
  const auto drain = [&] {
    for (;;) {
      pollfd ready{master, POLLIN, 0};
      if (poll(&ready, 1, 0) <= 0 || !(ready.revents & POLLIN)) {
        return;
      }
      const ssize_t got = read(master, buffer.data(), buffer.size());
      if (got <= 0) {
        return;
      }
      const auto length = static_cast<std::size_t>(got);
      Report("received " + Hex(buffer.data(), length));
      modem.Feed(std::string_view(buffer.data(), length));
    }
  };

  struct stat device_status {};
  if (stat(device.c_str(), &device_status) != 0) {
    Fail("stat pty device");
  }
  bool open_now = false;
  using Clock = std::chrono::steady_clock;
  Clock::time_point hang_up_at = Clock::time_point::max();
  for (;;) {
    int timeout = -1;
    if (hang_up_at != Clock::time_point::max()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          hang_up_at - Clock::now());
      timeout = static_cast<int>(std::max<long long>(0, left.count()));
    }
    std::array<pollfd, 2> ready{{{watch, POLLIN, 0}, {master, POLLIN, 0}}};
    if (poll(ready.data(), ready.size(), timeout) < 0) {
      if (errno == EINTR) {
        continue;
      }
      Fail("poll");
    }
    if (Clock::now() >= hang_up_at) {
      drain();
      close(master);
      Report("hung-up");
      return 0;
    }
    if (ready[0].revents & POLLIN) {
      alignas(inotify_event) std::array<char, 4096> events{};
      const ssize_t got = read(watch, events.data(), events.size());
      for (ssize_t at = 0; at < got;) {
        inotify_event event{};
        std::memcpy(&event, events.data() + at, sizeof event);
        at += static_cast<ssize_t>(sizeof event + event.len);
        if (event.mask & IN_OPEN) {
          if (!open_now) {
            open_now = true;
            Report("opened");
            if (options.hang_up_after_ms >= 0) {
              hang_up_at = Clock::now() +
                           std::chrono::milliseconds(options.hang_up_after_ms);
            }
          }
        } else if (event.mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
          if (open_now && !OpenElsewhere(device_status.st_rdev)) {
            open_now = false;
            drain();
            Report("closed");
            modem.LineDropped();
            if (options.once) {
              return 0;
            }
          }
        }
      }
    }
    if (ready[1].revents & POLLIN) {
      drain();
    }
  }
}
