// A path dropped from Explorer, for the tests of the Windows windows.

#ifndef VARNOK_TESTS_UI_WIN32_DROPPED_PATH_H_
#define VARNOK_TESTS_UI_WIN32_DROPPED_PATH_H_

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace varnok::test {

// A drop of path, as the system hands it over with WM_DROPFILES.
inline HDROP DropOf(const std::wstring& path) {
  const size_t size = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
  const HGLOBAL drop = GlobalAlloc(GHND, size);
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  path.copy(reinterpret_cast<wchar_t*>(files + 1), path.size());
  GlobalUnlock(drop);
  return static_cast<HDROP>(drop);
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_UI_WIN32_DROPPED_PATH_H_
