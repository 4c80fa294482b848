// The console's platform calls on Windows: Ctrl+C, Ctrl+Break and closing the
// console as the stop signals, and the arguments in UTF-8.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <atomic>

#include "batch/console_toolkit.h"

namespace s2v {

namespace {

std::atomic<bool> interrupted = false;

// Runs on a thread of its own. A first Ctrl+C asks the run to end at a whole
// case; a second one ends the program at once, as the system's own handler
// does. Closing the console, logging off or shutting down end the program
// when this returns: it waits for the run to end and the program to exit,
// for the few seconds that the system allows.
BOOL WINAPI OnControl(DWORD event) {
  if (interrupted.exchange(true) && (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)) return FALSE;
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void InstallInterruptHandlers() { SetConsoleCtrlHandler(OnControl, TRUE); }

bool InterruptRequested() { return interrupted; }

void RequestInterrupt() { interrupted = true; }

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string argument(length > 0 ? static_cast<std::size_t>(length - 1) : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, argument.data(), length, nullptr, nullptr);
    arguments.push_back(std::move(argument));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace s2v
