// The named temporary files that a stop signal removes before the process
// ends (platform/process.h): each a name in a folder that its writer keeps
// open while the name is listed.
//
// Remember and Forget may be called from any thread; the signal handler
// reads the list with async-signal-safe calls only.

#ifndef VARNOK_PLATFORM_POSIX_CLEANUP_LIST_H_
#define VARNOK_PLATFORM_POSIX_CLEANUP_LIST_H_

#include <string>

namespace varnok {

// Lists name, in the open folder, for removal on a stop signal. Returns a
// ticket for ForgetForCleanup, or -1 when the list is full or the name too
// long for it: the file is then not removed by a signal.
int RememberForCleanup(int folder, const std::string& name);

// Takes the name of ticket off the list; -1 does nothing.
void ForgetForCleanup(int ticket);

// Removes every listed file. Async-signal-safe.
void RemoveListedFiles();

}  // namespace varnok

#endif  // VARNOK_PLATFORM_POSIX_CLEANUP_LIST_H_
