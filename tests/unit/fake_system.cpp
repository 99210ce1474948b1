#include "tests/unit/fake_system.h"

#include <cerrno>

#include "app/console/console_dialogue.h"
#include "app/offhook_run.h"

namespace fake {
namespace {

System state;
constexpr sys::Handle FakePort{42};

}  // namespace

System& State() { return state; }

void Reset() {
  state = System{};
  hookline::ResetConsole();
}

int Run(std::vector<std::string> arguments) {
  state.arguments = std::move(arguments);
  try {
    hookline::RunHookline(0, nullptr);
  } catch (const ProcessEnded& end) {
    return end.status;
  }
}

}  // namespace fake

namespace sys {

Handle OpenPortExclusive(const char* name) {
  fake::state.log.push_back(std::string("open ") + name);
  return fake::state.open_fails ? InvalidHandle : fake::FakePort;
}

bool WritePort(Handle port, const void* data, std::uint32_t length,
               std::uint32_t* written) {
  const std::string bytes(static_cast<const char*>(data), length);
  fake::state.log.push_back("write-port " + bytes);
  fake::state.port_writes.push_back(bytes);
  if (port != fake::FakePort || fake::state.write_fails) {
    *written = 0;
    return false;
  }
  *written = std::min(length, fake::state.short_write);
  return true;
}

void ClosePort(Handle port) {
  fake::state.log.push_back(port == fake::FakePort ? "close" : "close ?");
  ++fake::state.closes;
}

OutputKind StandardOutputKind(ErrorCode* error) {
  fake::state.log.emplace_back("output-kind");
  if (fake::state.output_kind == OutputKind::Unknown) {
    *error = 6;
  }
  return fake::state.output_kind;
}

ErrorCode WriteStandardOutput(const char* data, std::size_t length) {
  const std::string bytes(data, length);
  const std::size_t index = fake::state.output_writes.size();
  fake::state.output_writes.push_back(bytes);
  fake::state.log.push_back("out " + bytes);
  if (fake::state.failing_output_writes.count(index) != 0) {
    return ENOSPC;
  }
  fake::state.output += bytes;
  return 0;
}

ErrorCode ReadStandardInput(char* buffer, std::size_t capacity,
                            std::size_t* count) {
  fake::state.log.emplace_back("read");
  fake::state.read_capacities.push_back(capacity);
  *count = 0;
  if (fake::state.next_read == fake::state.input.size()) {
    return 0;
  }
  const fake::Read& read = fake::state.input[fake::state.next_read++];
  if (read.error != 0) {
    return read.error;
  }
  *count = std::min(capacity, read.bytes.size());
  read.bytes.copy(buffer, *count);
  return 0;
}

std::vector<std::string> CommandLineArguments(int /*argc*/, char* /*argv*/[]) {
  return fake::state.arguments;
}

void EndProcess(int status) {
  fake::state.log.push_back("exit " + std::to_string(status));
  throw fake::ProcessEnded{status};
}

}  // namespace sys
