#include "ui/win32/window_prompts.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string_view>
#include <vector>

#include "platform/win32/system_text.h"
#include "ui/core/window_messages.h"
#include "ui/win32/folder_dialog.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

// Room for the longest path the system knows, so that a long one is never
// cut.
constexpr size_t kLongestPath = 32768;

}  // namespace

void ShowMessageBox(HWND owner, const std::string& text,
                    const std::string& informative) {
  std::wstring shown = ToWideText(text);
  if (!informative.empty()) shown += L"\n\n" + ToWideText(informative);
  MessageBoxW(owner, shown.c_str(), ProgramName().c_str(), MB_OK);
}

std::wstring OpenDialogFilter(const std::string& filter) {
  std::wstring result;
  std::string_view rest = filter;
  while (!rest.empty()) {
    const size_t end = rest.find(";;");
    const std::string_view label = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view()
                                         : rest.substr(end + 2);
    const size_t open = label.rfind('(');
    const size_t close = label.rfind(')');
    std::string patterns(open != std::string_view::npos && close > open
                             ? label.substr(open + 1, close - open - 1)
                             : std::string_view("*"));
    for (char& c : patterns) c = c == ' ' ? ';' : c;
    result += ToWideText(label) + L'\0' + ToWideText(patterns) + L'\0';
  }
  return result + L'\0';
}

std::optional<std::string> CWin32WindowPrompts::ChooseArchiveToOpen() {
  std::vector<wchar_t> file(kLongestPath, L'\0');
  const std::wstring filter = OpenDialogFilter(window_messages::kOpenFilter);
  const std::wstring title = ToWideText(window_messages::kOpenTitle);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return ToUtf8(file.data());
}

bool CWin32WindowPrompts::ChooseFolder(std::string* folder) {
  std::wstring chosen;
  if (CFolderDialog(owner_).DoModal(&chosen) != IDOK) return false;
  *folder = ToUtf8(chosen);
  return true;
}

ExistingAnswer CWin32WindowPrompts::AskExisting(const Message& question) {
  const std::wstring title = ProgramName();
  const std::wstring text = ToWideText(question.text);
  const std::wstring informative = ToWideText(question.informative);
  const std::wstring labels[] = {ToWideText(window_messages::kReplaceButton),
                                 ToWideText(window_messages::kKeepButton),
                                 ToWideText(window_messages::kCancelButton)};
  const TASKDIALOG_BUTTON buttons[] = {{IDYES, labels[0].c_str()},
                                       {IDNO, labels[1].c_str()},
                                       {IDCANCEL, labels[2].c_str()}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner_;
  // Escape and the close box answer Cancel.
  config.dwFlags =
      TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainInstruction = text.c_str();
  config.pszContent = informative.c_str();
  config.cButtons = static_cast<UINT>(std::size(buttons));
  config.pButtons = buttons;
  config.nDefaultButton = IDCANCEL;
  int pressed = IDCANCEL;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
    return ExistingAnswer::kCancel;
  }
  return pressed == IDYES  ? ExistingAnswer::kReplace
         : pressed == IDNO ? ExistingAnswer::kKeep
                           : ExistingAnswer::kCancel;
}

bool CWin32WindowPrompts::Confirm(const Message& question,
                                  const char* action) {
  const std::wstring title = ProgramName();
  const std::wstring text = ToWideText(question.text);
  const std::wstring informative = ToWideText(question.informative);
  const std::wstring labels[] = {ToWideText(action),
                                 ToWideText(window_messages::kCancelButton)};
  const TASKDIALOG_BUTTON buttons[] = {{IDOK, labels[0].c_str()},
                                       {IDCANCEL, labels[1].c_str()}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner_;
  // Escape and the close box answer Cancel.
  config.dwFlags =
      TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainInstruction = text.c_str();
  config.pszContent = informative.c_str();
  config.cButtons = static_cast<UINT>(std::size(buttons));
  config.pButtons = buttons;
  config.nDefaultButton = IDOK;
  int pressed = IDCANCEL;
  return SUCCEEDED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)) &&
         pressed == IDOK;
}

void CWin32WindowPrompts::ShowMessage(const std::string& text,
                                      const std::string& informative) {
  ShowMessageBox(owner_, text, informative);
}

}  // namespace varnok
