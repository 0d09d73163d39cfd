// The Windows dialog and its folder picker, driven as the system drives
// them: window messages to the real windows, scripted answers to the main
// dialog's questions, the real scanner and pack engine behind them.

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "base/messages.h"
#include "base/version.h"
#include "platform/win32/system_text.h"
#include "tests/archive/test_archive.h"
#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"
#include "tests/ui/win32/dropped_path.h"
#include "tests/ui/win32/modal_windows.h"
#include "tests/ui/gated_runs.h"
#include "tests/ui/scripted_prompts.h"
#include "ui/core/command_line.h"
#include "ui/win32/background_run.h"
#include "ui/win32/dialog_prompts.h"
#include "ui/win32/folder_dialog.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/resource.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

using Strings = std::vector<std::string>;

// A rectangle given in dialog units, in pixels of window.
RECT DialogRect(HWND window, int x, int y, int width, int height) {
  // Place and size are mapped each on its own, as the system lays out a
  // dialog's controls.
  RECT units{x, y, width, height};
  MapDialogRect(window, &units);
  return RECT{units.left, units.top, units.left + units.right,
              units.top + units.bottom};
}

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child),
                  reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND SaveDialog() { return test::ThreadWindowWith({cmb13, edt1}); }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right &&
         a.bottom == b.bottom;
}

class Win32DialogTest : public ::testing::Test {
 protected:
  Win32DialogTest() { Open(); }


  void Open() {
    dialog_ = std::make_unique<CMainDialog>(GetModuleHandleW(nullptr),
                                            &prompts_);
    window_ = dialog_->Create();
    ASSERT_NE(window_, nullptr);
    Pump();
  }

  HWND Item(int id) const { return GetDlgItem(window_, id); }

  // Serves the messages waiting, as the program's loop does.
  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      dialog_->Dispatch(&message);
    }
  }

  // A key pressed and let go on the control with the focus.
  void Key(WPARAM key) {
    const HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    Pump();
  }

  Strings Rows() const {
    Strings rows;
    const auto count = SendMessageW(Item(IDC_FILE_LIST), LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
      std::wstring text(static_cast<size_t>(SendMessageW(
                            Item(IDC_FILE_LIST), LB_GETTEXTLEN, row, 0)),
                        L'\0');
      SendMessageW(Item(IDC_FILE_LIST), LB_GETTEXT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(text.data()));
      rows.push_back(ToUtf8(text));
    }
    return rows;
  }

  // A folder "data" holding files, each holding "content of NAME"; its path.
  std::string MakeFolder(const Strings& files) {
    return tree_.AddFolderOfFiles("data", files);
  }
  void Select(const std::string& folder) {
    prompts_.folder = folder;
    SendMessageW(Item(IDC_SELECT_FILES), BM_CLICK, 0, 0);
  }
  void Pack(const std::string& archive) {
    prompts_.archiveName = archive;
    SendMessageW(Item(IDC_PACK), BM_CLICK, 0, 0);
  }

  TempTree tree_;
  test::ScriptedPrompts prompts_;
  std::unique_ptr<CMainDialog> dialog_;
  HWND window_ = nullptr;
};

TEST_F(Win32DialogTest, TemplateGivesCaptionControlsPlacesAndTabOrder) {
  EXPECT_EQ(ToUtf8(WindowText(window_)),
            std::string("Varnok V") + kShortVersion);
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_VISIBLE),
            WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_NE(GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_NE(SendMessageW(window_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0), 0);
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_TRUE(SameRect(client, DialogRect(window_, 0, 0, 339, 159)));

  // The system shows a control's border as a sunken edge, and its scroll
  // bars only when they are needed: those bits are not looked at here.
  const struct {
    int id;
    const char* text;
    LONG_PTR style;  // bits the control must have
    bool border;
    int x, y, width, height;
  } controls[] = {
      {IDC_PACK, "&Varnok", WS_TABSTOP, false, 263, 134, 69, 18},
      {IDC_FILE_LIST, "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP, true,
       7, 7, 325, 123},
      {IDC_SELECT_FILES, "&Select files to pack", WS_TABSTOP, false, 7, 134,
       69, 18},
      {IDC_BASE_PATH, "data/", ES_AUTOHSCROLL | WS_TABSTOP, true, 174, 138, 82,
       13},
      {0xFFFF, "Base path:", SS_LEFT | WS_GROUP, false, 135, 139, 38, 10},
      {IDC_COMPRESS, "&Compress", BS_CHECKBOX | BS_LEFTTEXT | WS_TABSTOP, false,
       80, 136, 47, 14},
  };
  HWND child = GetWindow(window_, GW_CHILD);
  for (const auto& c : controls) {
    SCOPED_TRACE(c.text);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, c.id);
    EXPECT_EQ(ToUtf8(WindowText(child)), c.text);
    EXPECT_EQ(GetWindowLongPtrW(child, GWL_STYLE) & c.style, c.style);
    const bool border =
        (GetWindowLongPtrW(child, GWL_STYLE) & WS_BORDER) != 0 ||
        (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
    EXPECT_EQ(border, c.border);
    const RECT at = ChildRect(child);
    const RECT expected = DialogRect(window_, c.x, c.y, c.width, c.height);
    EXPECT_TRUE(SameRect(at, expected))
        << at.left << "," << at.top << "," << at.right << "," << at.bottom
        << " for " << expected.left << "," << expected.top << ","
        << expected.right << "," << expected.bottom;
    child = GetWindow(child, GW_HWNDNEXT);
  }
  // The list keeps the order it is given; a click on the box changes
  // nothing by itself; no push button is the default one.
  EXPECT_EQ(GetWindowLongPtrW(Item(IDC_FILE_LIST), GWL_STYLE) & LBS_SORT, 0);
  EXPECT_EQ(GetWindowLongPtrW(Item(IDC_COMPRESS), GWL_STYLE) & BS_TYPEMASK,
            BS_CHECKBOX);
  EXPECT_EQ(GetWindowLongPtrW(Item(IDC_SELECT_FILES), GWL_STYLE) & BS_TYPEMASK,
            BS_PUSHBUTTON);

  // Start values, and the tab order from the focused pack button.
  EXPECT_EQ(SendMessageW(Item(IDC_FILE_LIST), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(IsDlgButtonChecked(window_, IDC_COMPRESS), BST_UNCHECKED);
  EXPECT_EQ(GetFocus(), Item(IDC_PACK));
  const int order[] = {IDC_FILE_LIST, IDC_SELECT_FILES, IDC_BASE_PATH,
                       IDC_COMPRESS, IDC_PACK};
  HWND at = Item(IDC_PACK);
  for (const int id : order) {
    at = GetNextDlgTabItem(window_, at, FALSE);
    EXPECT_EQ(GetDlgCtrlID(at), id);
  }
}

TEST_F(Win32DialogTest, CompressSwitchesOnlyThroughItsCommand) {
  const std::string warning = messages::kCompressWarning;
  // Mouse: on with the warning, off without, on with it again.
  const Strings clicks[] = {{warning}, {warning}, {warning, warning}};
  const UINT checked[] = {BST_CHECKED, BST_UNCHECKED, BST_CHECKED};
  for (int click = 0; click < 3; ++click) {
    SendMessageW(Item(IDC_COMPRESS), BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(window_, IDC_COMPRESS), checked[click]);
    EXPECT_EQ(prompts_.texts(), clicks[click]);
  }
  // Keyboard: space on the focused box switches it off, then on.
  SetFocus(Item(IDC_COMPRESS));
  Key(VK_SPACE);
  EXPECT_EQ(IsDlgButtonChecked(window_, IDC_COMPRESS), BST_UNCHECKED);
  Key(VK_SPACE);
  EXPECT_EQ(IsDlgButtonChecked(window_, IDC_COMPRESS), BST_CHECKED);
  EXPECT_EQ(prompts_.texts(), (Strings{warning, warning, warning}));
}

TEST_F(Win32DialogTest, PickedFolderIsListedInOrderAndPacksAsTheEngineDoes) {
  // The shared order, not the list box's own: '-' before letters, '~'
  // after them.
  const std::string folder =
      MakeFolder({"z.txt", "ab.txt", "~a.txt", "sub/c.txt", "a-c.txt"});
  Select(folder);
  const Strings names = {"a-c.txt", "ab.txt", "sub/c.txt", "z.txt", "~a.txt"};
  Strings expected;
  for (std::string name : names) {
    std::replace(name.begin(), name.end(), '/', '\\');
    expected.push_back(folder + "\\" + name);
  }
  EXPECT_EQ(Rows(), expected);

  // An empty base path is refused after the save dialog.
  const std::string archive = tree_.Path("out.kzf");
  SetDlgItemTextW(window_, IDC_BASE_PATH, L"");
  Pack(archive);
  EXPECT_EQ(prompts_.log, (Strings{"folder", "save", "message"}));
  EXPECT_EQ(prompts_.texts(), Strings{messages::kEmptyBasePath});
  EXPECT_FALSE(std::filesystem::exists(test::PathOf(archive)));

  // Stored, then deflated: the bytes the format gives for these files.
  SetDlgItemTextW(window_, IDC_BASE_PATH, L"data/");
  for (const bool compress : {false, true}) {
    if (compress) SendMessageW(Item(IDC_COMPRESS), BM_CLICK, 0, 0);
    prompts_.messages.clear();
    Pack(archive);
    EXPECT_EQ(prompts_.texts(), Strings{messages::kDone});
    std::vector<test::TestEntry> entries;
    for (const std::string& name : names) {
      const std::string content = "content of " + name;
      entries.push_back(compress ? test::Deflated("data/" + name, content)
                                 : test::Stored("data/" + name, content));
    }
    // Compared as a whole, without printing megabytes on a mismatch.
    EXPECT_TRUE(test::ReadFile(test::PathOf(archive)) ==
                test::BuildArchive(entries))
        << "compress " << compress;
  }
}

TEST_F(Win32DialogTest, DroppedFolderIsASelectionAndAFileIsNot) {
  const std::string folder = MakeFolder({"b.txt", "a.txt"});
  SendMessageW(
      window_, WM_DROPFILES,
      reinterpret_cast<WPARAM>(test::DropOf(ToWideText(folder + "\\a.txt"))),
      0);
  EXPECT_TRUE(Rows().empty());
  SendMessageW(window_, WM_DROPFILES,
               reinterpret_cast<WPARAM>(test::DropOf(ToWideText(folder))), 0);
  EXPECT_EQ(Rows(), (Strings{folder + "\\a.txt", folder + "\\b.txt"}));
  EXPECT_TRUE(prompts_.log.empty());
}

TEST_F(Win32DialogTest, CancelledPackLeavesNothingAndTheDialogStays) {
  Select(MakeFolder({"a.txt", "b.txt"}));
  const std::string archive = tree_.Path("out.kzf");
  test::WriteFile(test::PathOf(archive), "old archive");

  test::Gate gate;
  dialog_->presenter().SetPackFunction(test::GatedPack(&gate));

  // Once the progress window shows, tries to close the dialog, then
  // presses Cancel and lets the run go on.
  bool closed = true;
  bool cancelled = false;
  bool tickerDone = false;
  {
    test::Ticker ticker(
        [&] {
          const HWND progress = test::ProgressWindow();
          if (progress == nullptr) return false;
          SendMessageW(window_, WM_CLOSE, 0, 0);
          closed = !IsWindow(window_);
          SendMessageW(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
          cancelled = true;
          gate.Open();
          return true;
        },
        [&gate] { gate.Open(); });
    Pack(archive);
    tickerDone = ticker.done();
  }
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(tickerDone);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(IsWindowEnabled(window_));
  EXPECT_EQ(test::ProgressWindow(), nullptr);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(test::ReadFile(test::PathOf(archive)), "old archive");
  Strings left;
  for (const auto& entry :
       std::filesystem::directory_iterator(test::PathOf(tree_.root()))) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Strings{"data", "out.kzf"}));
}

TEST_F(Win32DialogTest, CancelledScanKeepsTheRows) {
  const std::string folder = MakeFolder({"a.txt", "b.txt"});
  Select(folder);
  const Strings rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  tree_.AddFile("data/c.txt");

  const struct {
    const char* way;
    void (*cancel)(HWND progress);
  } ways[] = {
      {"Cancel",
       [](HWND progress) {
         SendMessageW(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
       }},
      {"Escape",
       [](HWND progress) {
         PostMessageW(GetDlgItem(progress, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 1);
       }},
      {"close box",
       [](HWND progress) {
         SendMessageW(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    test::Gate gate;
    dialog_->presenter().SetScanFunction(test::GatedScan(&gate));
    std::string text;
    bool marquee = false;
    bool tickerDone = false;
    {
      // Once the progress window shows, notes it and cancels the scan,
      // which the gate then lets go on.
      test::Ticker ticker(
          [&] {
            const HWND progress = test::ProgressWindow();
            if (progress == nullptr) return false;
            text = ToUtf8(WindowText(GetDlgItem(progress, IDC_PROGRESS_TEXT)));
            marquee = (GetWindowLongPtrW(GetDlgItem(progress, IDC_PROGRESS_BAR),
                                         GWL_STYLE) &
                       PBS_MARQUEE) != 0;
            way.cancel(progress);
            gate.Open();
            return true;
          },
          [&gate] { gate.Open(); });
      Select(folder);
      tickerDone = ticker.done();
    }
    EXPECT_TRUE(tickerDone);
    EXPECT_EQ(text, "Folders found: 1\nFiles found: 0");
    EXPECT_TRUE(marquee);  // a bar that only shows the scan goes on
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_EQ(test::ProgressWindow(), nullptr);
  }
}

TEST_F(Win32DialogTest, ThreadThatCannotStartIsAMessage) {
  Select(MakeFolder({"a.txt"}));
  const Strings rows = Rows();
  const auto started = startWorkThread;
  startWorkThread = [](LPTHREAD_START_ROUTINE, void*) -> HANDLE {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  };
  Select(tree_.AddFolderOfFiles("other", {"b.txt"}));
  startWorkThread = started;

  EXPECT_EQ(Rows(), rows);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, messages::kCantStartThread);
  EXPECT_EQ(prompts_.messages[0].informative,
            ErrorText(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_TRUE(IsWindowEnabled(window_));
}

TEST_F(Win32DialogTest, EscapeEnterAndTheCloseBoxEndTheDialog) {
  // Enter on a push button presses it instead.
  prompts_.archiveName.reset();
  SetFocus(Item(IDC_PACK));
  Key(VK_RETURN);
  EXPECT_EQ(prompts_.log, Strings{"save"});
  ASSERT_TRUE(IsWindow(window_));

  const struct {
    int focus;
    WPARAM key;  // none: the close box
  } ends[] = {{IDC_PACK, VK_ESCAPE},
              {IDC_FILE_LIST, VK_RETURN},
              {IDC_BASE_PATH, VK_RETURN},
              {IDC_COMPRESS, VK_RETURN},
              {IDC_PACK, 0}};
  for (const auto& end : ends) {
    SCOPED_TRACE(end.focus);
    if (!IsWindow(window_)) Open();
    SetFocus(Item(end.focus));
    if (end.key != 0) {
      Key(end.key);
    } else {
      SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
      Pump();
    }
    EXPECT_FALSE(IsWindow(window_));
  }
  EXPECT_EQ(prompts_.log, Strings{"save"});
}

// The picker, run for real in a folder holding "one" (holding "deep") and
// "two".
class FolderDialogTest : public ::testing::Test {
 protected:
  FolderDialogTest() {
    tree_.AddFolder("pick/one/deep");
    tree_.AddFolder("pick/two");
    tree_.AddFile("pick/file.txt", "not a folder");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(test::PathOf(tree_.Path("pick")));
  }
  ~FolderDialogTest() override { std::filesystem::current_path(previous_); }

  static HWND Picker() {
    const HWND picker = FindWindowW(nullptr, L"Choose folder");
    return picker != nullptr && IsWindowVisible(picker) ? picker : nullptr;
  }
  // The list view that shows the folder's contents.
  static HWND FolderList(HWND picker) {
    return FindWindowExW(GetDlgItem(picker, lst2), nullptr, WC_LISTVIEWW,
                         nullptr);
  }
  static std::wstring FolderOnDisplay(HWND picker) {
    std::wstring folder(32768, L'\0');
    SendMessageW(picker, CDM_GETFOLDERPATH, folder.size(),
                 reinterpret_cast<LPARAM>(folder.data()));
    folder.resize(wcslen(folder.c_str()));
    return folder;
  }
  // Highlights the item named name in the folder list; false when the list
  // does not show it.
  static bool Highlight(HWND list, const wchar_t* name) {
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = name;
    const LRESULT item = SendMessageW(list, LVM_FINDITEMW,
                                      static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(&find));
    if (item < 0) return false;
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&state));
    return true;
  }
  static bool Shows(HWND list, const wchar_t* name) {
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = name;
    return SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(&find)) >= 0;
  }
  static void Press(HWND picker, int id) {
    SendMessageW(GetDlgItem(picker, id), BM_CLICK, 0, 0);
  }
  // Picks the computer in the "Look in" list, found by its name there;
  // true once the picker shows it, a place whose name no file-system call
  // takes.
  static bool BrowseToComputer(HWND picker) {
    if (FolderOnDisplay(picker).starts_with(L"::")) return true;
    LPITEMIDLIST computer = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) {
      return false;
    }
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(computer), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_DISPLAYNAME);
    ILFree(computer);
    const HWND places = GetDlgItem(picker, cmb2);
    const LRESULT item = SendMessageW(places, CB_FINDSTRINGEXACT,
                                      static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(info.szDisplayName));
    if (item >= 0) {
      SendMessageW(places, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
      SendMessageW(picker, WM_COMMAND, MAKEWPARAM(cmb2, CBN_SELENDOK),
                   reinterpret_cast<LPARAM>(places));
    }
    return false;
  }
  static bool SameFolder(const std::wstring& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(a),
                                       test::PathOf(b), error);
  }

  TempTree tree_;
  std::filesystem::path previous_;
};

TEST_F(FolderDialogTest, ShowsFoldersOnlyAndAnswersTheFolderOnDisplay) {
  int step = 0;
  bool rowsHidden = false, selectPlaced = false, listFits = false;
  bool foldersOnly = false, focusInList = false;
  std::wstring selectText;
  const auto cancel = [] {
    if (const HWND picker = Picker()) Press(picker, IDCANCEL);
  };
  test::Ticker ticker(
      [&] {
        const HWND picker = Picker();
        if (picker == nullptr) return false;
        const HWND list = FolderList(picker);
        if (list == nullptr) return false;
        if (step == 0) {
          if (!Shows(list, L"one")) return false;
          rowsHidden = true;
          for (const int id : {edt1, cmb13, stc3, cmb1, stc2}) {
            const HWND row = GetDlgItem(picker, id);
            if (row != nullptr && IsWindowVisible(row)) rowsHidden = false;
          }
          const RECT ok = ChildRect(GetDlgItem(picker, IDOK));
          const RECT no = ChildRect(GetDlgItem(picker, IDCANCEL));
          selectPlaced = ok.right + 4 == no.left && ok.top == no.top;
          listFits = ChildRect(GetDlgItem(picker, lst2)).bottom + 4 == no.top;
          selectText = WindowText(GetDlgItem(picker, IDOK));
          foldersOnly = Shows(list, L"two") && !Shows(list, L"file.txt");
          focusInList = GetFocus() == list;
          // Enter on a highlighted folder opens it.
          Highlight(list, L"one");
          SetFocus(list);
          PostMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
          step = 1;
          return false;
        }
        // In "one": Select answers it, not the folder highlighted there.
        if (!Shows(list, L"deep")) return false;
        Highlight(list, L"deep");
        Press(picker, IDOK);
        return true;
      },
      cancel);
  std::wstring chosen = L"untouched";
  EXPECT_EQ(CFolderDialog(nullptr).DoModal(&chosen), IDOK);
  EXPECT_TRUE(ticker.done());
  EXPECT_TRUE(rowsHidden);
  EXPECT_TRUE(selectPlaced);
  EXPECT_TRUE(listFits);
  EXPECT_EQ(selectText, L"Select");
  EXPECT_TRUE(foldersOnly);
  EXPECT_TRUE(focusInList);
  EXPECT_TRUE(SameFolder(chosen, tree_.Path("pick/one")))
      << ToUtf8(chosen);
}

TEST_F(FolderDialogTest, SelectOnAPlaceThatIsNoFolderKeepsThePickerOpen) {
  // Browses to the computer, the place above the drives, through the
  // "Look in" list as a user would; presses Select there, then Cancel.
  bool atComputer = false;
  bool stayed = false;
  test::Ticker ticker(
      [&] {
        const HWND picker = Picker();
        if (picker == nullptr) return false;
        if (!atComputer) {
          atComputer = BrowseToComputer(picker);
          return false;
        }
        Press(picker, IDOK);
        stayed = Picker() == picker;
        Press(picker, IDCANCEL);
        return true;
      },
      [] {
        if (const HWND picker = Picker()) Press(picker, IDCANCEL);
      });
  std::wstring chosen = L"untouched";
  EXPECT_EQ(CFolderDialog(nullptr).DoModal(&chosen), IDCANCEL);
  EXPECT_TRUE(ticker.done());
  EXPECT_TRUE(stayed);
  EXPECT_EQ(chosen, L"untouched");
}

TEST_F(FolderDialogTest, CancelAndCloseLeaveTheAnswerUntouched) {
  for (const bool closeBox : {false, true}) {
    test::Ticker ticker(
        [closeBox] {
          const HWND picker = Picker();
          if (picker == nullptr) return false;
          if (closeBox) {
            PostMessageW(picker, WM_SYSCOMMAND, SC_CLOSE, 0);
          } else {
            Press(picker, IDCANCEL);
          }
          return true;
        },
        [] {
          if (const HWND picker = Picker()) Press(picker, IDCANCEL);
        });
    std::wstring chosen = L"untouched";
    EXPECT_EQ(CFolderDialog(nullptr).DoModal(&chosen), IDCANCEL);
    EXPECT_TRUE(ticker.done());
    EXPECT_EQ(chosen, L"untouched");
  }
}

// The edit field in which the save dialog takes the file's name: inside
// cmb13 (a combo box) where the dialog has one, else edt1.
HWND FileNameEdit(HWND dialog) {
  const HWND field = GetDlgItem(dialog, cmb13);
  if (field == nullptr) return GetDlgItem(dialog, edt1);
  HWND inner = FindWindowExW(field, nullptr, L"ComboBox", nullptr);
  if (inner == nullptr) inner = field;
  const HWND edit = FindWindowExW(inner, nullptr, L"Edit", nullptr);
  return edit != nullptr ? edit : inner;
}

TEST(SaveDialogTest, AddsTheExtensionAndAsksNothing) {
  TempTree tree;
  tree.AddFile("old.kzf", "old archive");
  const struct {
    std::string typed;
    std::string expected;
  } cases[] = {
      {tree.Path("new"), tree.Path("new.kzf")},
      {tree.Path("old.kzf"), tree.Path("old.kzf")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    bool pressed = false;
    // Types the name and presses OK; should the dialog stay, gives up.
    test::Ticker ticker(
        [&c, &pressed] {
          const HWND dialog = SaveDialog();
          if (dialog == nullptr || pressed) return false;
          SetWindowTextW(FileNameEdit(dialog), ToWideText(c.typed).c_str());
          PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
          pressed = true;
          return false;
        },
        [] {
          // A question (answered No), or a dialog that would not end.
          const HWND active = GetActiveWindow();
          if (active != nullptr && active != SaveDialog()) {
            PostMessageW(active, WM_COMMAND, IDNO, 0);
          }
          if (const HWND dialog = SaveDialog()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
          }
        });
    CDialogPrompts prompts;
    const std::optional<std::string> chosen = prompts.ChooseArchiveName();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(chosen, std::optional<std::string>(c.expected));
  }
}

// varnok.exe answers its command line without the dialog, with the texts
// and exit statuses of the program on every system, on the standard streams
// it was given.
TEST(ProgramTest, AnswersHelpVersionAndMistakesWithoutTheDialog) {
  const std::vector<std::string> cases[] = {{"--version"}, {"one", "two"}};
  for (const std::vector<std::string>& arguments : cases) {
    SCOPED_TRACE(arguments.front());
    std::vector<std::string> line = {"varnok"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    const CommandLine expected = ParseCommandLine(line);
    ASSERT_TRUE(expected.exitStatus);
    test::ChildOptions options;
    options.killAfter = std::chrono::seconds(30);  // a window waiting for OK
    const test::ChildResult result =
        test::RunProgram(VARNOK_PATH, arguments, options);
    EXPECT_FALSE(result.killed);
    EXPECT_EQ(result.exitCode, *expected.exitStatus);
    EXPECT_EQ(result.out, expected.out);
    EXPECT_EQ(result.err, expected.err);
  }
}

}  // namespace
}  // namespace varnok
