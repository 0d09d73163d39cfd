// What a drop from Explorer carries.

#ifndef VARNOK_UI_WIN32_DROPPED_FILES_H_
#define VARNOK_UI_WIN32_DROPPED_FILES_H_

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace varnok {

// The paths of the files and folders dropped, in the order given, whatever
// their length; releases drop.
std::vector<std::string> DroppedFiles(HDROP drop);

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_DROPPED_FILES_H_
