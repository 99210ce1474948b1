// Starts a program with an exact Windows command line and passes on its exit
// status. The tests need it because a command line given to Wine from Linux is
// quoted anew on the way in.
//
//   RAWLAUNCH_COMMAND_LINE='hookline "com3"' rawlaunch Z:\path\hookline.exe
#include <windows.h>

#include <vector>

int main(int argc, char* argv[]) {
  if (argc < 2) {
    return 120;
  }
  const char* const variable = "RAWLAUNCH_COMMAND_LINE";
  const DWORD size = GetEnvironmentVariableA(variable, nullptr, 0);
  std::vector<char> line(size + 1, '\0');
  if (size == 0 ||
      GetEnvironmentVariableA(variable, line.data(), size + 1) >= size + 1) {
    return 121;
  }

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(argv[1], line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return 122;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 123;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
