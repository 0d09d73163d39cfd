#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/posix/cleanup_list.h"

namespace varnok {
namespace {

// A slot of the list goes from free to filling (its owner writes the name)
// to listed, and back to free when it is forgotten.
enum SlotState : int { kFree, kFilling, kListed };

struct Slot {
  std::atomic<int> state{kFree};
  int folder = -1;
  char name[256] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

// A pack writes one temporary file at a time, an extraction up to a batch
// of them (platform/extract_folder.h); the room spares the dialog and tests
// that run a few at once.
constexpr int kSlotCount = 128;
Slot slots[kSlotCount];

// Every signal whose default action ends the process and that a user, a
// shell or a limit sends while files are written.
constexpr int kStopSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,
                                SIGUSR1, SIGALRM, SIGPIPE, SIGXCPU};

extern "C" void OnStopSignal(int signal) {
  RemoveListedFiles();
  // Die of the signal itself: reset its action and send it again. It is
  // blocked while this handler runs and arrives as soon as it returns.
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

}  // namespace

int RememberForCleanup(int folder, const std::string& name) {
  if (name.size() >= sizeof Slot::name) return -1;
  for (int i = 0; i < kSlotCount; ++i) {
    int expected = kFree;
    if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    slots[i].folder = folder;
    std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
    slots[i].state.store(kListed, std::memory_order_release);
    return i;
  }
  return -1;
}

void ForgetForCleanup(int ticket) {
  if (ticket >= 0 && ticket < kSlotCount) slots[ticket].state.store(kFree);
}

void RemoveListedFiles() {
  const int savedErrno = errno;
  for (Slot& slot : slots) {
    if (slot.state.load(std::memory_order_acquire) == kListed) {
      unlinkat(slot.folder, slot.name, 0);
    }
  }
  errno = savedErrno;
}

void InstallSignalHandling() {
  // A write past the file-size limit then fails with EFBIG.
  signal(SIGXFSZ, SIG_IGN);

  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int stop : kStopSignals) sigaddset(&action.sa_mask, stop);
  for (int stop : kStopSignals) {
    struct sigaction previous = {};
    if (sigaction(stop, nullptr, &previous) == 0 &&
        previous.sa_handler == SIG_IGN) {
      continue;  // ignored by whoever started the program: keep it so
    }
    sigaction(stop, &action, nullptr);
  }
}

unsigned AvailableCores() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return static_cast<unsigned>(count);
  }
  // A mask too small for the machine's processors: count them all.
  const unsigned all = std::thread::hardware_concurrency();
  return all > 0 ? all : 1;
}

}  // namespace varnok
