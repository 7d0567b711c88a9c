// Starts a program with CREATE_NO_WINDOW, as launchers that hide the tool's
// console do, and prints its exit status, or ends it after 8 seconds.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  std::wstring commandLine;
  for (int i = 1; i < argc; ++i)
    commandLine += std::wstring(i > 1 ? L" \"" : L"\"") + argv[i] + L'"';
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &program)) {
    return 1;
  }
  if (WaitForSingleObject(program.hProcess, 8000) == WAIT_TIMEOUT) {
    TerminateProcess(program.hProcess, 1);
    std::printf("still running after 8 s\n");
    return 1;
  }
  DWORD status = 0;
  GetExitCodeProcess(program.hProcess, &status);
  std::printf("exit status %lu\n", status);
  return 0;
}
