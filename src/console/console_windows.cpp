// The console is the process's console window, opened by its device name.
// Raw mode is its input mode with every flag off: no line input, no echo,
// and Ctrl+C delivered as a key instead of an interrupt.
#include <windows.h>

#include "console.hpp"
#include "key_event.hpp"

namespace {

HANDLE consoleInput = INVALID_HANDLE_VALUE;
DWORD savedMode = 0;

// Ctrl+Break and closing the window still end the process while input is
// raw; the console, which the shell that started the tool shares, gets its
// mode back first. Runs on a thread of its own, reading what the waiting
// thread set before it was installed.
BOOL WINAPI OnConsoleControl(DWORD) {
  SetConsoleMode(consoleInput, savedMode);
  return FALSE;  // on to the default handling, which ends the process
}

}  // namespace

void OpenConsoleInput() {
  consoleInput =
      CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
}

void CloseConsoleInput() {
  if (consoleInput != INVALID_HANDLE_VALUE) CloseHandle(consoleInput);
  consoleInput = INVALID_HANDLE_VALUE;
}

bool EnterRawMode() {
  if (consoleInput == INVALID_HANDLE_VALUE || !GetConsoleMode(consoleInput, &savedMode)) {
    return false;
  }
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  if (!SetConsoleMode(consoleInput, 0)) {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    return false;
  }
  // Keys typed ahead, such as a second Enter after the path, must not end
  // the wait before the outcome could be read.
  FlushConsoleInputBuffer(consoleInput);
  return true;
}

bool RestoreMode() {
  const bool restored = SetConsoleMode(consoleInput, savedMode) != 0;
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  return restored;
}

bool ReadKeyPress() {
  for (;;) {
    INPUT_RECORD record;
    DWORD count = 0;
    if (!ReadConsoleInputA(consoleInput, &record, 1, &count) || count != 1) return false;
    // Mouse, focus, menu and window-size events are no key presses.
    if (record.EventType != KEY_EVENT) continue;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (EndsWait({key.bKeyDown != FALSE, key.wVirtualKeyCode, key.dwControlKeyState,
                  static_cast<unsigned char>(key.uChar.AsciiChar)})) {
      return true;
    }
  }
}

unsigned long ProcessesOnConsole() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2);  // the whole count, 0 without a console
}

// A window that is only hidden still counts: under Windows Terminal the
// console's window is a stand-in that some versions report as invisible,
// and a double-clicked exe must keep its wait there.
bool ConsoleHasWindow() { return GetConsoleWindow() != nullptr; }
