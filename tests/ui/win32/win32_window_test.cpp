// The Windows archive window, opened as a user opens it (the command line,
// a drop on the packing dialog or on another archive window, Ctrl+O) and
// used with the keyboard and the mouse, driven with window messages over
// archives built here.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_reader.h"
#include "base/messages.h"
#include "platform/win32/system_text.h"
#include "tests/archive/test_archive.h"
#include "tests/scan/temp_tree.h"
#include "tests/support/platform_test.h"
#include "tests/ui/entry_engines.h"
#include "tests/ui/scripted_prompts.h"
#include "tests/ui/win32/dropped_path.h"
#include "tests/ui/win32/modal_windows.h"
#include "ui/win32/archive_window.h"
#include "ui/win32/file_drag.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/resource.h"
#include "ui/win32/top_windows.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

using Strings = std::vector<std::string>;

// The entries of mod.kzf, in archive order.
const Strings kNames = {"data/maps/forest.map", "data/textures/hero.png",
                        "data/textures/orc.png", "data/scripts/main.lua"};

void Drop(HWND target, const std::string& path) {
  SendMessageW(target, WM_DROPFILES,
               reinterpret_cast<WPARAM>(test::DropOf(ToWideText(path))), 0);
}

// Serves the messages waiting, as the program's loop does.
void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchToWindows(&message);
  }
}

// Presses key on the control with the focus, with the given keys held
// (VK_CONTROL, VK_SHIFT, VK_MENU), and serves what follows.
void Press(WPARAM key, std::initializer_list<BYTE> held = {}) {
  BYTE state[256];
  GetKeyboardState(state);
  BYTE pressed[256];
  std::copy(std::begin(state), std::end(state), pressed);
  bool alt = false;
  for (const BYTE h : held) {
    pressed[h] = 0x80;
    alt = alt || h == VK_MENU;
  }
  SetKeyboardState(pressed);
  const HWND focus = GetFocus();
  const LPARAM flags = alt ? 1 | (1 << 29) : 1;
  PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, flags);
  PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key,
               flags | static_cast<LPARAM>(0xC0000000));
  Pump();
  SetKeyboardState(state);
}

void Type(const std::string& text) {
  for (const char c : text) {
    PostMessageW(GetFocus(), WM_CHAR, static_cast<WPARAM>(c), 1);
  }
  Pump();
}

// The archive windows of this thread, in z-order.
std::vector<CArchiveWindow*> Windows() {
  std::vector<CArchiveWindow*> windows;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) {
        if (CArchiveWindow* w = CArchiveWindow::FromWindow(window)) {
          reinterpret_cast<std::vector<CArchiveWindow*>*>(found)->push_back(w);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// The archive window titled for the file name, or null.
CArchiveWindow* WindowOf(const std::string& name) {
  for (CArchiveWindow* window : Windows()) {
    if (ToUtf8(WindowText(window->window())) == name + " - Varnok") {
      return window;
    }
  }
  return nullptr;
}

// A column's texts, row by row, as the list view shows them.
Strings Column(const CArchiveWindow* window, int column = 0) {
  Strings texts;
  const int rows = ListView_GetItemCount(window->list());
  for (int row = 0; row < rows; ++row) {
    wchar_t text[512] = {};
    ListView_GetItemText(window->list(), row, column, text,
                         static_cast<int>(std::size(text)));
    texts.push_back(ToUtf8(text));
  }
  return texts;
}

// The rows the list view shows selected.
std::vector<int> SelectedRows(const CArchiveWindow* window) {
  std::vector<int> rows;
  for (int row = ListView_GetNextItem(window->list(), -1, LVNI_SELECTED);
       row >= 0;
       row = ListView_GetNextItem(window->list(), row, LVNI_SELECTED)) {
    rows.push_back(row);
  }
  return rows;
}

// The status bar's text in part (0: the rows shown, 1: the selection).
std::string Status(const CArchiveWindow* window, int part) {
  wchar_t text[512] = {};
  SendMessageW(window->statusBar(), SB_GETTEXTW, static_cast<WPARAM>(part),
               reinterpret_cast<LPARAM>(text));
  return ToUtf8(text);
}

std::string Clipboard() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = ToUtf8(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void ClickColumnHeader(const CArchiveWindow* window, int column) {
  const HWND header = ListView_GetHeader(window->list());
  RECT item{};
  Header_GetItemRect(header, column, &item);
  const LPARAM at =
      MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(header, WM_LBUTTONUP, 0, at);
  Pump();
}

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() {
    std::vector<test::TestEntry> entries;
    for (const std::string& name : kNames) {
      entries.push_back(
          test::Deflated(name, test::Text(400 + 100 * entries.size())));
    }
    const std::string archive = test::BuildArchive(entries);
    tree_.AddFile("mod.kzf", archive);
    tree_.AddFile("renamed.dat", archive);
    tree_.AddFile("bad.kzf", archive.substr(0, archive.size() - 1));
  }
  ~Win32WindowTest() override {
    for (CArchiveWindow* window : Windows()) DestroyWindow(window->window());
    Pump();
  }

  std::string Path(const std::string& name) const { return tree_.Path(name); }

  TempTree tree_;
  test::ScriptedPrompts prompts_;
  test::ScriptedWindowPrompts windowPrompts_;
};

// varnok.exe ARCHIVE, run as a user runs it: the window lists the archive
// until it is closed; a damaged archive is a message and exit status 1.
TEST_F(Win32WindowTest, CommandLineOpensTheWindowOrNamesTheFault) {
  const struct {
    const char* archive;
    int exitCode;
  } cases[] = {{"mod.kzf", 0}, {"bad.kzf", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    test::ChildResult result;
    std::thread program([&] {
      test::ChildOptions options;
      options.killAfter = std::chrono::seconds(30);
      result = test::RunProgram(VARNOK_PATH, {Path(c.archive)}, options);
    });
    // The window (its list's rows), or the message box (its texts).
    LRESULT rows = -1;
    std::string shown;
    for (int wait = 0; wait < 500 && rows < 0 && shown.empty(); ++wait) {
      Sleep(20);
      const HWND window =
          FindWindowW(L"VarnokArchiveWindow",
                      ToWideText(std::string(c.archive) + " - Varnok").c_str());
      if (window != nullptr && IsWindowVisible(window)) {
        rows =
            SendMessageW(FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr),
                         LVM_GETITEMCOUNT, 0, 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
      const HWND box = FindWindowW(L"#32770", L"varnok");
      for (HWND child = box != nullptr ? GetWindow(box, GW_CHILD) : nullptr;
           child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        shown += ToUtf8(WindowText(child)) + "\n";
      }
      if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    program.join();
    EXPECT_FALSE(result.killed);
    EXPECT_EQ(result.exitCode, c.exitCode);
    if (c.exitCode == 0) {
      EXPECT_EQ(rows, static_cast<LRESULT>(kNames.size()));
    } else {
      EXPECT_NE(shown.find(messages::kDamagedArchive), std::string::npos)
          << shown;
      EXPECT_NE(shown.find(Path(c.archive) + ": "), std::string::npos) << shown;
    }
  }
}

TEST_F(Win32WindowTest, DropsAndCtrlOOpenFurtherWindowsUntilTheLastCloses) {
  CMainDialog dialog(GetModuleHandleW(nullptr), &prompts_, &windowPrompts_);
  ASSERT_NE(dialog.Create(), nullptr);
  prompts_.folder.reset();
  Drop(dialog.window(), Path("mod.kzf"));
  CArchiveWindow* first = WindowOf("mod.kzf");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Column(first), kNames);
  EXPECT_EQ(Status(first, 0).substr(0, 20), "4 entries, 2.1 KiB (");
  EXPECT_EQ(GetWindow(first->window(), GW_OWNER), nullptr);
  EXPECT_EQ(SendMessageW(GetDlgItem(dialog.window(), IDC_FILE_LIST),
                         LB_GETCOUNT, 0, 0),
            0);

  // A renamed archive is known by its first bytes; a damaged archive is
  // named, with the reader's reason, and opens nothing.
  Drop(first->window(), Path("renamed.dat"));
  EXPECT_NE(WindowOf("renamed.dat"), nullptr);
  Drop(dialog.window(), Path("bad.kzf"));
  EXPECT_EQ(Windows().size(), 2u);
  ASSERT_EQ(windowPrompts_.messages.size(), 1u);
  EXPECT_EQ(
      windowPrompts_.messages[0].rfind(std::string(messages::kDamagedArchive) +
                                           "\n" + Path("bad.kzf") + ": ",
                                       0),
      0u)
      << windowPrompts_.messages[0];

  // Ctrl+O in the dialog and in a window asks for an archive.
  windowPrompts_.archive = Path("renamed.dat");
  for (const HWND at : {dialog.window(), first->list()}) {
    SetFocus(at);
    Press('O', {VK_CONTROL});
  }
  EXPECT_EQ(Windows().size(), 4u);
  EXPECT_TRUE(prompts_.log.empty());

  // The program runs while one of its windows is left: Escape ends the
  // dialog, Ctrl+W each window.
  SetFocus(dialog.window());
  Press(VK_ESCAPE);
  EXPECT_TRUE(AnyTopWindow());
  for (CArchiveWindow* window : Windows()) {
    SetFocus(window->list());
    Press('W', {VK_CONTROL});
  }
  EXPECT_TRUE(Windows().empty());
  EXPECT_FALSE(AnyTopWindow());
}

TEST_F(Win32WindowTest, FilterAndSortReachTheListAndKeepTheSelection) {
  CArchiveWindow* window = CArchiveWindow::Open(
      GetModuleHandleW(nullptr), Path("mod.kzf"), &windowPrompts_);
  ASSERT_NE(window, nullptr);
  const HWND list = window->list();
  SetFocus(list);
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  Press(VK_DOWN, {VK_SHIFT});
  Press(VK_DOWN, {VK_SHIFT});
  EXPECT_EQ(Status(window, 1).substr(0, 21), "Selected: 3 entries, ");

  // Alt+T reaches the filter; a pattern narrows the rows to the images,
  // of which the two selected stay selected.
  Press('T', {VK_MENU});
  ASSERT_EQ(GetFocus(), window->filterEdit());
  Type("*.png");
  EXPECT_EQ(Column(window),
            (Strings{"data/textures/hero.png", "data/textures/orc.png"}));
  EXPECT_EQ(Status(window, 0).substr(0, 20), "2 of 4 entries shown");
  EXPECT_EQ(SelectedRows(window), (std::vector<int>{0, 1}));

  // Two clicks on the name's header: descending, with the arrow.
  for (int click = 0; click < 2; ++click) ClickColumnHeader(window, 0);
  EXPECT_EQ(Column(window),
            (Strings{"data/textures/orc.png", "data/textures/hero.png"}));
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  Header_GetItem(ListView_GetHeader(list), 0, &item);
  EXPECT_EQ(item.fmt & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);

  // Tab goes on to the list, where Ctrl+C copies the selected names.
  Press(VK_TAB);
  ASSERT_EQ(GetFocus(), list);
  Press('C', {VK_CONTROL});
  EXPECT_EQ(Clipboard(), "data/textures/orc.png\r\ndata/textures/hero.png\r\n");

  // Without the filter, every entry shows again in the sort order, the
  // three selected among them; Ctrl+A selects them all.
  Press('F', {VK_CONTROL});
  ASSERT_EQ(GetFocus(), window->filterEdit());
  Press(VK_BACK);
  EXPECT_EQ(Column(window),
            (Strings{"data/textures/orc.png", "data/textures/hero.png",
                     "data/scripts/main.lua", "data/maps/forest.map"}));
  EXPECT_EQ(SelectedRows(window), (std::vector<int>{0, 1, 3}));
  SetFocus(list);
  Press('A', {VK_CONTROL});
  EXPECT_EQ(Status(window, 1).substr(0, 21), "Selected: 4 entries, ");
  // Keys typed in the list go to the next name they start.
  Type("DATA/S");
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 2);
}

// The text colour the list gives each row as it paints it.
std::vector<COLORREF> RowColours(const CArchiveWindow* window) {
  std::vector<COLORREF> colours;
  for (int row = 0; row < ListView_GetItemCount(window->list()); ++row) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr.hwndFrom = window->list();
    draw.nmcd.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window->list()));
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    draw.clrText = CLR_DEFAULT;
    SendMessageW(window->window(), WM_NOTIFY, draw.nmcd.hdr.idFrom,
                 reinterpret_cast<LPARAM>(&draw));
    colours.push_back(draw.clrText);
  }
  return colours;
}

// mod.kzf's window, over an engine that records what it is asked.
CArchiveWindow* OpenWithEngine(const std::string& archive,
                               WindowPrompts* prompts,
                               test::RecordingEngine** engine) {
  CArchiveWindow* window =
      CArchiveWindow::Open(GetModuleHandleW(nullptr), archive, prompts);
  if (window == nullptr) return nullptr;
  auto owned = std::make_unique<test::RecordingEngine>();
  *engine = owned.get();
  window->SetEngine(std::move(owned));
  return window;
}

TEST_F(Win32WindowTest, ExtractAsksOnceAboutFilesInTheWay) {
  test::RecordingEngine* engine = nullptr;
  CArchiveWindow* window =
      OpenWithEngine(Path("mod.kzf"), &windowPrompts_, &engine);
  ASSERT_NE(window, nullptr);

  // The images, sorted by name descending, then selected: the engine gets
  // them in archive order; the one already in the folder is asked about.
  const std::string out = tree_.AddFolder("out");
  tree_.AddFile("out/data/textures/orc.png", "mine");
  SetFocus(window->filterEdit());
  Type("*.png");
  for (int click = 0; click < 2; ++click) ClickColumnHeader(window, 0);
  SetFocus(window->list());
  Press('A', {VK_CONTROL});
  windowPrompts_.folder = out;
  windowPrompts_.existing = ExistingAnswer::kKeep;
  Press('E', {VK_CONTROL});
  EXPECT_EQ(engine->extracted, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(engine->choice.folder, out);
  EXPECT_TRUE(engine->choice.existing == ExistingAnswer::kKeep);
  EXPECT_EQ(windowPrompts_.messages,
            (Strings{"1 file already there in " + out +
                         "\ndata/textures/orc.png\n\nReplace them, keep the "
                         "existing ones, or cancel?",
                     "2 files extracted to " + out + "\n"}));
}

TEST_F(Win32WindowTest, VerifyMarksTheDamagedRowInRed) {
  test::RecordingEngine* engine = nullptr;
  CArchiveWindow* window =
      OpenWithEngine(Path("mod.kzf"), &windowPrompts_, &engine);
  ASSERT_NE(window, nullptr);
  // Sorted by name, so that rows are not entries.
  ClickColumnHeader(window, 0);
  SetFocus(window->list());
  Press('T', {VK_CONTROL});
  EXPECT_EQ(windowPrompts_.messages,
            (Strings{"1 entry damaged of 4\nentry 1: bad CRC"}));
  const Strings names = Column(window);
  const std::vector<COLORREF> colours = RowColours(window);
  ASSERT_EQ(colours.size(), names.size());
  for (size_t row = 0; row < names.size(); ++row) {
    EXPECT_EQ(colours[row] == CLR_DEFAULT,
              names[row] != "data/textures/hero.png")
        << names[row];
  }
}

// No regular file beneath folder.
bool HoldsNoFile(const std::string& folder) {
  std::error_code error;
  for (const auto& file : std::filesystem::recursive_directory_iterator(
           test::PathOf(folder), error)) {
    if (file.is_regular_file()) return false;
  }
  return true;
}

TEST_F(Win32WindowTest, ExtractsTheSelectionByteForByteOrCancels) {
  // The real engine, on every core: rows 1 and 3.
  CArchiveWindow* window = CArchiveWindow::Open(
      GetModuleHandleW(nullptr), Path("mod.kzf"), &windowPrompts_);
  ASSERT_NE(window, nullptr);
  for (const int row : {1, 3}) {
    ListView_SetItemState(window->list(), row, LVIS_SELECTED, LVIS_SELECTED);
  }
  const std::string out = Path("out");
  windowPrompts_.folder = out;
  SetFocus(window->list());
  Press('E', {VK_CONTROL});
  EXPECT_EQ(windowPrompts_.messages,
            Strings{"2 files extracted to " + out + "\n"});
  for (const size_t entry : {1, 3}) {
    EXPECT_EQ(test::ReadFile(test::PathOf(out + "/" + kNames[entry])),
              test::Text(400 + 100 * entry));
  }
  EXPECT_FALSE(std::filesystem::exists(test::PathOf(out + "/" + kNames[0])));

  // Cancel in the progress window: the run stops before its first entry.
  auto owned = std::make_unique<test::GatedEngine>();
  test::GatedEngine* gated = owned.get();
  window->SetEngine(std::move(owned));
  windowPrompts_.messages.clear();
  windowPrompts_.folder = Path("cancelled");
  bool cancelled = false;
  {
    test::Ticker ticker(
        [&] {
          const HWND progress = test::ProgressWindow();
          if (progress == nullptr) return false;
          SendMessageW(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
          gated->gate.Open();
          return cancelled = true;
        },
        [gated] { gated->gate.Open(); });
    Press('A', {VK_CONTROL});
    Press('E', {VK_CONTROL});
  }
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(IsWindowEnabled(window->window()));
  EXPECT_EQ(windowPrompts_.messages,
            Strings{"Extraction cancelled: 0 files written to " +
                    *windowPrompts_.folder + "\n"});
  EXPECT_TRUE(HoldsNoFile(*windowPrompts_.folder));
}

// What a drag out hands to Explorer: the files, as CF_HDROP.
// The stored names of the archive at path, in its order.
Strings StoredNames(const std::string& path) {
  CArchiveReader reader;
  Strings names;
  if (!reader.Open(path).ok()) return names;
  for (const ArchiveEntry& entry : reader.entries()) {
    names.push_back(entry.name);
  }
  return names;
}

TEST_F(Win32WindowTest, DropDeleteAndF2ChangeTheArchive) {
  CArchiveWindow* window = CArchiveWindow::Open(
      GetModuleHandleW(nullptr), Path("mod.kzf"), &windowPrompts_);
  ASSERT_NE(window, nullptr);
  const HWND list = window->list();

  // Edit > Compress Added Files and the packing dialog's box show one
  // option, whichever sets it.
  CMainDialog dialog(GetModuleHandleW(nullptr), &prompts_);
  ASSERT_NE(dialog.Create(), nullptr);
  const auto menuTicked = [window] {
    SendMessageW(window->window(), WM_INITMENUPOPUP, 0, 0);
    return (GetMenuState(GetMenu(window->window()), IDM_COMPRESS_ADDED,
                         MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  SendMessageW(window->window(), WM_COMMAND, IDM_COMPRESS_ADDED, 0);
  EXPECT_TRUE(menuTicked());
  EXPECT_EQ(IsDlgButtonChecked(dialog.window(), IDC_COMPRESS), BST_CHECKED);

  // A file dropped under the filter's folder, once the question is
  // answered, deflated; the list shows it, selected.
  tree_.AddFile("cave.map", test::Text(200));
  SetWindowTextW(window->filterEdit(), L"data/maps/");
  Drop(window->window(), Path("cave.map"));
  EXPECT_EQ(windowPrompts_.actions, Strings{"&Add"});
  EXPECT_EQ(windowPrompts_.messages.size(), 2u);
  EXPECT_EQ(Column(window), (Strings{"data/maps/cave.map",
                                     "data/maps/forest.map"}));
  EXPECT_EQ(Column(window, 4).front(), "deflated");
  SendMessageW(dialog.window(), WM_COMMAND, IDC_COMPRESS, 0);
  EXPECT_FALSE(menuTicked());
  EXPECT_EQ(SelectedRows(window), std::vector<int>{0});
  EXPECT_EQ(StoredNames(Path("mod.kzf")),
            (Strings{"data/maps/cave.map", "data/maps/forest.map",
                     "data/textures/hero.png", "data/textures/orc.png",
                     "data/scripts/main.lua"}));

  // Delete takes the selection, after its question.
  SetFocus(list);
  Press(VK_DELETE);
  EXPECT_EQ(windowPrompts_.messages.size(), 4u);
  EXPECT_EQ(Column(window), Strings{"data/maps/forest.map"});

  // F2 edits the focused name in the list; Enter renames it.
  ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
  Press(VK_F2);
  const HWND edit = ListView_GetEditControl(list);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(ToUtf8(WindowText(edit)), "data/maps/forest.map");
  SetWindowTextW(edit, L"data/maps/woods.map");
  Press(VK_RETURN);
  EXPECT_EQ(windowPrompts_.messages.size(), 5u);
  EXPECT_EQ(StoredNames(Path("mod.kzf")),
            (Strings{"data/maps/woods.map", "data/textures/hero.png",
                     "data/textures/orc.png", "data/scripts/main.lua"}));
  SetWindowTextW(window->filterEdit(), L"");
  EXPECT_EQ(Column(window), StoredNames(Path("mod.kzf")));
}

TEST(FileDragTest, DataObjectOffersThePathsAsADrop) {
  IDataObject* data =
      MakeFileDataObject({"C:/copies/1/hero.png", "C:\\copies\\1\\a b.txt"});
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(data->QueryGetData(&format), S_OK);
  STGMEDIUM medium{};
  ASSERT_EQ(data->GetData(&format, &medium), S_OK);
  Strings paths;
  const auto drop = static_cast<HDROP>(medium.hGlobal);
  for (UINT i = 0; i < DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); ++i) {
    wchar_t path[MAX_PATH] = {};
    DragQueryFileW(drop, i, path, MAX_PATH);
    paths.push_back(ToUtf8(path));
  }
  ReleaseStgMedium(&medium);
  EXPECT_EQ(paths,
            (Strings{"C:\\copies\\1\\hero.png", "C:\\copies\\1\\a b.txt"}));
  format.cfFormat = CF_UNICODETEXT;
  EXPECT_NE(data->QueryGetData(&format), S_OK);
  data->Release();
}

}  // namespace
}  // namespace varnok
