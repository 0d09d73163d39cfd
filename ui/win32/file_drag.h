// Files dragged out of a window to Explorer or another program that takes
// files: an IDataObject that offers them as CF_HDROP, and the drag itself.

#ifndef VARNOK_UI_WIN32_FILE_DRAG_H_
#define VARNOK_UI_WIN32_FILE_DRAG_H_

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

namespace varnok {

// A data object that offers paths (full, as the program spells them) as
// CF_HDROP in global memory, a fresh copy for each GetData; the caller
// holds its one reference.
IDataObject* MakeFileDataObject(const std::vector<std::string>& paths);

// Drags paths out as copies until the user drops them or gives up (Escape,
// or a drop where nothing takes them); the drop's effect, DROPEFFECT_NONE
// for none. The thread must have initialised OLE.
DWORD DragFilesOut(const std::vector<std::string>& paths);

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_FILE_DRAG_H_
