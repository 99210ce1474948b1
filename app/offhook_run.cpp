#include "app/offhook_run.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "app/console/console_dialogue.h"

namespace hookline {

sys::Handle PortHandle{};
std::array<char, 2049> CommandBuffer{};
std::uint32_t BytesWritten = 0;

namespace {

void SendOffHookCommand() {
  CommandBuffer.fill('\0');
  std::copy(std::begin(OffHookCommand), std::end(OffHookCommand),
            CommandBuffer.begin());
  const auto length =
      static_cast<std::uint32_t>(std::strlen(CommandBuffer.data()));
  const bool written =
      sys::WritePort(PortHandle, CommandBuffer.data(), length, &BytesWritten);
  // A write that reports success but took fewer bytes (write time-outs left
  // on the port by another program) has failed all the same.
  if (!written || BytesWritten != length) {
    ShowLine(WriteFailedMessage);
  }
}

// The port stays open, and the line off-hook, for as long as the wait lasts.
void CloseAfterEnter() {
  ShowLine(ClosePrompt);
  AwaitEnter();
  sys::ClosePort(PortHandle);
  PortHandle = sys::InvalidHandle;
}

}  // namespace

void HoldLineOffHook(const char* portName) {
  PortHandle = sys::OpenPortExclusive(portName);
  if (PortHandle == sys::InvalidHandle) {
    ShowLine(OpenFailedMessage);
    AwaitEnter();
    return;
  }
  try {
    SendOffHookCommand();
  } catch (const ConsoleFailure&) {
    CloseAfterEnter();
    throw;
  }
  CloseAfterEnter();
}

void RunHookline(int argc, char* argv[]) {
  try {
    const std::vector<std::string> arguments =
        sys::CommandLineArguments(argc, argv);
    // The first non-empty argument is the port name; the rest are ignored.
    const auto port =
        std::find_if(arguments.begin(), arguments.end(),
                     [](const std::string& word) { return !word.empty(); });
    if (port == arguments.end()) {
      ShowLine(UsagePrompt);
      ShowLine(UsageExample);
      AwaitEnter();
    } else {
      HoldLineOffHook(port->c_str());
    }
    EndRun();
  } catch (const ConsoleFailure& failure) {
    EndRunAfterFailure(failure);
  }
}

}  // namespace hookline
