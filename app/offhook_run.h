// The entry point's run: take the port name from the command line, take the
// line off-hook, wait for the user, close the port.
#pragma once

#include <array>
#include <cstdint>

#include "sys/system.h"

namespace hookline {

// "ATH1" CR LF: the Hayes command that takes the line off-hook. Sent without
// its terminating zero.
inline constexpr char OffHookCommand[] = "ATH1\r\n";

// Program-wide storage, alive for the whole run.
extern sys::Handle PortHandle;  // the open port, from the open to the close
extern std::array<char, 2049> CommandBuffer;  // the command, zero-terminated
extern std::uint32_t BytesWritten;            // the count the write reports

// Opens the port exclusively, sends OffHookCommand in one write, then shows
// ClosePrompt, waits for Enter and closes the port. The closing sequence runs
// however the send step ends; a console failure inside the closing sequence
// skips the rest of it. After a failed open it reports, waits and returns.
void HoldLineOffHook(const char* portName);

// The whole run of the program: the usage lines when there is no port name,
// else HoldLineOffHook; then the ordinary end, or the console-failure end.
// `argc` and `argv` are main's.
[[noreturn]] void RunHookline(int argc, char* argv[]);

}  // namespace hookline
