#include "platform/console.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "platform/win32/system_text.h"

namespace varnok {

std::vector<std::string> CommandLineArguments(int, char**) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (wide == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

bool WriteText(StandardStream stream, std::string_view text,
               std::string* reason) {
  std::FILE* out = stream == StandardStream::kOutput ? stdout : stderr;
  const HANDLE handle = ::GetStdHandle(
      stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  // What the C library holds goes first, to keep the order.
  std::fflush(out);
  DWORD mode = 0;
  if (!::GetConsoleMode(handle, &mode)) {
    // Files and pipes take the bytes as they are: "\n" ends a line, as on
    // every other system, where the C library's text mode would write
    // "\r\n".
    size_t done = 0;
    while (done < text.size()) {
      DWORD written = 0;
      const DWORD ask =
          static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
      if (!::WriteFile(handle, text.data() + done, ask, &written, nullptr) ||
          written == 0) {
        *reason = LastErrorText();
        return false;
      }
      done += written;
    }
    return true;
  }
  // Bytes that are no UTF-8 show as U+FFFD, one each.
  const std::wstring wide = ToWideText(text);
  size_t done = 0;
  while (done < wide.size()) {
    DWORD written = 0;
    const DWORD ask =
        static_cast<DWORD>(std::min<size_t>(wide.size() - done, 16384));
    if (!::WriteConsoleW(handle, wide.data() + done, ask, &written, nullptr) ||
        written == 0) {
      *reason = LastErrorText();
      return false;
    }
    done += written;
  }
  return true;
}

bool StandardErrorIsTerminal() {
  const HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

size_t StandardErrorColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) {
    return 0;
  }
  return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

bool ConsoleClosesAtExit() {
  DWORD processes[2];
  return ::GetConsoleProcessList(processes, 2) == 1;
}

void WaitForKeyPress() {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  // Keys pressed before the question don't answer it.
  ::FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read = 0;
  while (::ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
      return;
    }
  }
}

}  // namespace varnok
