// The running process, on this system's terms: the signals that would stop
// it, and the processors it may use.

#ifndef VARNOK_PLATFORM_PROCESS_H_
#define VARNOK_PLATFORM_PROCESS_H_

namespace varnok {

// Called once, at the start of main, before any thread starts. From then on:
//   - a file-size limit no longer kills the program: the write that passes
//     it fails ("File too large") like any other failed write;
//   - a signal that would end it (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT,
//     SIGUSR1, SIGALRM, SIGPIPE, SIGXCPU) first removes the named temporary
//     files that are still being written, then ends the program as the
//     signal would have, so that its exit status still says so.
// A stop signal that was ignored when the program started (as under nohup)
// stays ignored. On Windows, Ctrl-C ends the program as the system does:
// the temporary files it was writing are marked for deletion on close and
// go with it; and a drive that can't be read fails the call instead of
// showing a message box.
void InstallSignalHandling();

// How many processors this process may run on: those its affinity allows,
// so a limit set by a container's CPU set or by the user is respected. At
// least 1.
unsigned AvailableCores();

}  // namespace varnok

#endif  // VARNOK_PLATFORM_PROCESS_H_
