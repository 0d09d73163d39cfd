#include "ui/win32/dropped_files.h"

#include "platform/win32/system_text.h"

namespace varnok {

std::vector<std::string> DroppedFiles(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    const UINT length =
        DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()));
    path.resize(length);
    if (length != 0) paths.push_back(ToUtf8(path));
  }
  DragFinish(drop);
  return paths;
}

}  // namespace varnok
