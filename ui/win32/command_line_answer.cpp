#include "ui/win32/command_line_answer.h"

#include <windows.h>

#include "platform/console.h"
#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

// True when the standard handle `which` leads to a file, a pipe or a
// console, as it does when the caller redirected it.
bool Leads(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Writes text to the console of the process that started this one; false
// when it has none.
bool WriteToParentConsole(const std::string& text) {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  const UniqueHandle console(CreateFileW(
      L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  bool written = false;
  if (console.valid()) {
    // The shell has shown its prompt already, as it does not wait for a
    // windowed program: the answer starts on a line of its own.
    const std::wstring wide = ToWideText("\n" + text);
    DWORD count = 0;
    written = WriteConsoleW(console.get(), wide.data(),
                            static_cast<DWORD>(wide.size()), &count, nullptr);
  }
  FreeConsole();
  return written;
}

}  // namespace

void ShowCommandLineAnswer(const std::string& out, const std::string& err) {
  std::string rest;  // what no redirected stream takes
  std::string reason;
  if (Leads(STD_OUTPUT_HANDLE)) {
    WriteText(StandardStream::kOutput, out, &reason);
  } else {
    rest += out;
  }
  if (Leads(STD_ERROR_HANDLE)) {
    WriteText(StandardStream::kError, err, &reason);
  } else {
    rest += err;
  }
  if (rest.empty() || WriteToParentConsole(rest)) return;
  MessageBoxW(nullptr, ToWideText(rest).c_str(), ProgramName().c_str(),
              MB_OK | (err.empty() ? MB_ICONINFORMATION : MB_ICONERROR));
}

}  // namespace varnok
