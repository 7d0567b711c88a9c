// Starts PROGRAM ARGS... as launchers that hide the tool's console do, as the
// last argument says: no-window, hidden (a new console, window hidden) or piped
// (so, output in ours). Prints its exit status, or ends it after 8 s, 2 hidden.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argv[argc - 1];
  std::wstring commandLine;
  for (int i = 1; i < argc - 1; ++i)
    commandLine += std::wstring(i > 1 ? L" \"" : L"\"") + argv[i] + L'"';
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | (mode == L"piped" ? STARTF_USESTDHANDLES : 0);
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = startup.hStdError = GetStdHandle(STD_OUTPUT_HANDLE);
  PROCESS_INFORMATION program{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, mode == L"piped",
                      mode == L"no-window" ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE, nullptr,
                      nullptr, &startup, &program)) {
    return 1;
  }
  const DWORD seconds = mode == L"hidden" ? 2 : 8;
  if (WaitForSingleObject(program.hProcess, seconds * 1000) == WAIT_TIMEOUT) {
    TerminateProcess(program.hProcess, 1);
    std::printf("still running after %lu s\n", seconds);
    return 1;
  }
  DWORD status = 0;
  GetExitCodeProcess(program.hProcess, &status);
  std::printf("exit status %lu\n", status);
  return 0;
}
