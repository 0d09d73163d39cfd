// The side of CExtractFolder that every system shares: the batches of files
// that replace existing ones.

#include "platform/extract_folder.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <utility>

namespace varnok {
namespace {

// Threads that sync a batch together. A sync waits for the disk to empty
// its cache; syncs that wait at once share some of those waits, which made
// a batch about twice as fast as syncing file after file (more threads
// gained nothing more).
constexpr size_t kSyncThreads = 8;

}  // namespace

void CExtractFolder::Extract(std::string_view name,
                             const std::function<Status(ByteSink&)>& produce,
                             const Done& done, Existing existing) {
  WaitingPtr waiting;
  const Status status = Write(name, produce, existing, &waiting);
  if (waiting == nullptr) {
    done(status);
    return;
  }
  batch_.push_back({std::move(waiting), done});
  if (batch_.size() >= BatchLimit()) Finish();
}

Status CExtractFolder::Write(std::string_view name,
                             const std::function<Status(ByteSink&)>& produce,
                             Existing existing, WaitingPtr* waiting) {
  Status status = CheckExtractName(name);
  WaitingPtr file;
  if (status.ok()) status = OpenFolders(name, &file);
  if (!status.ok()) return status;
  const bool keep = existing == Existing::kKeep;
  if (keep && NameTaken(*file)) {
    return Status::BadRequest(messages::kFileExists, DisplayPath(name));
  }
  status = WriteTemporary(*file, produce);
  if (!status.ok()) return status;
  if (keep) return Publish(*file, existing);
  // A file takes a free name at once; one that replaces another waits for
  // its batch's sync.
  bool taken = false;
  status = PlaceUnlessTaken(*file, &taken);
  if (!status.ok() || !taken) return status;
  StartSync(*file);
  *waiting = std::move(file);
  return Status::Ok();
}

std::vector<Status> CExtractFolder::SyncBatch(
    const std::vector<Batched>& batch) {
  std::vector<Status> synced(batch.size());
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next++) < batch.size();) {
      synced[i] = Sync(*batch[i].file);
    }
  };
  std::vector<std::thread> threads;
  try {
    while (threads.size() + 1 < std::min(kSyncThreads, batch.size())) {
      threads.emplace_back(work);
    }
  } catch (const std::system_error&) {
    // Fewer threads, or this one alone, sync the rest.
  }
  work();
  for (std::thread& thread : threads) thread.join();
  return synced;
}

void CExtractFolder::Finish() {
  // All the syncs before any rename: no file takes its name before its
  // bytes are safe.
  std::vector<Batched> batch = std::move(batch_);
  batch_.clear();
  const std::vector<Status> synced = SyncBatch(batch);
  for (size_t i = 0; i < batch.size(); ++i) {
    const Status status = synced[i].ok()
                              ? Publish(*batch[i].file, Existing::kReplace)
                              : synced[i];
    batch[i].file.reset();
    batch[i].done(status);
  }
}

}  // namespace varnok
