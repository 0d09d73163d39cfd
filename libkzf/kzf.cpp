// The C interface of kzf.h over CArchiveReader and CEntryStream.
//
// Each function turns the reader's Status into a kzf_error and its text into
// the calling thread's message, and lets no exception out: memory running
// out is KZF_ERROR_NO_MEMORY, anything else thrown KZF_ERROR_IO.

#include "libkzf/kzf.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <optional>
#include <utility>

#include "archive/archive_reader.h"
#include "archive/entry_stream.h"
#include "base/messages.h"
#include "base/status.h"
#include "base/version.h"

struct kzf_archive {
  varnok::CArchiveReader reader;
  std::string name;  // the path, or what messages call a memory block
};

struct kzf_stream {
  kzf_stream(kzf_archive& archive, uint32_t entry)
      : stream(archive.reader, entry) {}
  varnok::CEntryStream stream;
};

namespace {

using varnok::Status;
using varnok::StatusCode;
namespace messages = varnok::messages;

thread_local std::string lastMessage;
// What kzf_error_message gives: lastMessage, or a fixed text when memory
// ran out while keeping it.
thread_local const char* lastText = "";

// Keeps text as the thread's message and returns code.
kzf_error Fail(kzf_error code, const std::string& text) noexcept {
  try {
    lastMessage = text;
    lastText = lastMessage.c_str();
  } catch (...) {
    lastText = messages::kOutOfMemory;
  }
  return code;
}

kzf_error Fail(const Status& status) noexcept {
  kzf_error code = KZF_ERROR_IO;
  switch (status.code()) {
    case StatusCode::kOk:
      return KZF_OK;
    case StatusCode::kDamagedArchive:
      code = status.message() == messages::kNotAnArchive ||
                     status.message() == messages::kUnsupportedVersion
                 ? KZF_ERROR_NOT_ARCHIVE
                 : KZF_ERROR_DAMAGED;
      break;
    case StatusCode::kOutOfMemory:
      code = KZF_ERROR_NO_MEMORY;
      break;
    case StatusCode::kBadRequest:
      code = KZF_ERROR_ARGUMENT;
      break;
    default:
      break;
  }
  try {
    return Fail(code, status.ToString());
  } catch (...) {
    return Fail(KZF_ERROR_NO_MEMORY, messages::kOutOfMemory);
  }
}

// Runs body, a function returning a kzf_error, so that no exception leaves.
template <typename Body>
kzf_error Guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Fail(KZF_ERROR_NO_MEMORY, messages::kOutOfMemory);
  } catch (const std::exception& error) {
    return Fail(KZF_ERROR_IO, error.what());
  } catch (...) {
    return Fail(KZF_ERROR_IO, messages::kInputOutputError);
  }
}

// KZF_ERROR_ARGUMENT for the argument called what of function, null.
kzf_error NullArgument(const char* function, const char* what) {
  return Fail(KZF_ERROR_ARGUMENT, std::string(messages::kInvalidArgument) +
                                      ": " + function + ": " + what + " " +
                                      messages::kNullArgument);
}

// KZF_OK when archive holds entry index, else KZF_ERROR_ARGUMENT naming it.
kzf_error CheckIndex(const kzf_archive& archive, uint32_t index) {
  const size_t count = archive.reader.entries().size();
  if (index < count) return KZF_OK;
  return Fail(Status::BadRequest(messages::kInvalidArgument, archive.name,
                                 "no entry " + std::to_string(index) +
                                     " (the archive holds " +
                                     std::to_string(count) + ")"));
}

// Opens *archive with open, a function of the reader returning a Status.
template <typename Open>
kzf_error OpenWith(const std::string& name, Open open, kzf_archive** archive) {
  auto opened = std::make_unique<kzf_archive>();
  opened->name = name;
  Status status = open(opened->reader, opened->name);
  if (!status.ok()) return Fail(status);
  *archive = opened.release();
  return KZF_OK;
}

// Copies an entry's bytes into the caller's buffer.
class BufferSink : public varnok::ByteSink {
 public:
  BufferSink(char* buffer, size_t capacity)
      : buffer_(buffer), capacity_(capacity) {}
  Status Append(std::string_view bytes) override {
    // The reader hands out no more than the entry's size, which fits.
    if (bytes.size() > capacity_ - used_) {
      return Status::BadRequest(messages::kBufferTooSmall);
    }
    // Bytes inflated straight into Space() are in place already.
    if (bytes.data() != buffer_ + used_) {
      std::copy(bytes.begin(), bytes.end(), buffer_ + used_);
    }
    used_ += bytes.size();
    return Status::Ok();
  }
  std::span<char> Space() override {
    return {buffer_ + used_, capacity_ - used_};
  }

 private:
  char* const buffer_;
  const size_t capacity_;
  size_t used_ = 0;
};

// The bytes a caller's kzf_io reads; lets them go (its close) when
// destroyed.
class CallbackSource final : public varnok::ByteSource {
 public:
  explicit CallbackSource(const kzf_io& io) noexcept : io_(io) {}
  ~CallbackSource() override {
    if (io_.close != nullptr) io_.close(io_.user);
  }
  CallbackSource(const CallbackSource&) = delete;
  CallbackSource& operator=(const CallbackSource&) = delete;

  uint64_t size() const override { return io_.size; }
  // Asks read_at again after a short read, until it reads nothing.
  bool ReadAt(uint64_t offset, char* buffer, size_t n, size_t* got,
              std::string* reason) override {
    std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
    if ((io_.flags & KZF_IO_SERIAL) != 0) lock.lock();
    *got = 0;
    while (*got < n) {
      size_t piece = 0;
      const int result = io_.read_at(io_.user, offset + *got, buffer + *got,
                                     n - *got, &piece);
      if (result != 0) {
        *reason = messages::kReadAtFailed + (" " + std::to_string(result));
        return false;
      }
      if (piece > n - *got) {
        *reason = messages::kReadAtTooMuch;
        return false;
      }
      if (piece == 0) break;
      *got += piece;
    }
    return true;
  }

 private:
  const kzf_io io_;
  std::mutex mutex_;  // held around read_at when io_ is KZF_IO_SERIAL
};

}  // namespace

extern "C" {

const char* kzf_version(void) { return varnok::kVersion; }

const char* kzf_error_message(void) { return lastText; }

kzf_error kzf_open(const char* path, kzf_archive** archive) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_open", "archive");
    *archive = nullptr;
    if (path == nullptr) return NullArgument("kzf_open", "path");
    return OpenWith(
        path,
        [](varnok::CArchiveReader& reader, const std::string& name) {
          return reader.Open(name);
        },
        archive);
  });
}

kzf_error kzf_open_memory(const void* data, size_t size,
                          kzf_archive** archive) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_open_memory", "archive");
    *archive = nullptr;
    if (data == nullptr) return NullArgument("kzf_open_memory", "data");
    const std::string_view block(static_cast<const char*>(data), size);
    return OpenWith(
        messages::kArchiveInMemory,
        [block](varnok::CArchiveReader& reader, const std::string& name) {
          return reader.OpenMemory(block, name);
        },
        archive);
  });
}

kzf_error kzf_open_io(const kzf_io* io, const char* name,
                      kzf_archive** archive) {
  // Owns io from the start, so that its close runs once whatever happens.
  std::unique_ptr<CallbackSource> source;
  if (io != nullptr) {
    source.reset(new (std::nothrow) CallbackSource(*io));
    if (source == nullptr) {
      if (io->close != nullptr) io->close(io->user);
      if (archive != nullptr) *archive = nullptr;
      return Fail(KZF_ERROR_NO_MEMORY, messages::kOutOfMemory);
    }
  }
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_open_io", "archive");
    *archive = nullptr;
    if (io == nullptr) return NullArgument("kzf_open_io", "io");
    if (io->read_at == nullptr) {
      return NullArgument("kzf_open_io", "io->read_at");
    }
    return OpenWith(
        name != nullptr ? name : messages::kArchiveThroughIo,
        [&source](varnok::CArchiveReader& reader, const std::string& shown) {
          return reader.OpenSource(std::move(source), shown);
        },
        archive);
  });
}

void kzf_close(kzf_archive* archive) { delete archive; }

uint32_t kzf_count(const kzf_archive* archive) {
  if (archive == nullptr) return 0;
  return static_cast<uint32_t>(archive->reader.entries().size());
}

kzf_error kzf_entry_info(const kzf_archive* archive, uint32_t index,
                         kzf_entry* entry) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_entry_info", "archive");
    if (entry == nullptr) return NullArgument("kzf_entry_info", "entry");
    if (kzf_error code = CheckIndex(*archive, index)) return code;
    const varnok::ArchiveEntry& found = archive->reader.entries()[index];
    entry->name = found.name.c_str();
    entry->name_length = static_cast<uint32_t>(found.name.size());
    entry->size = found.record.size;
    entry->packed_size = found.record.packedSize;
    entry->method = found.record.method;
    entry->crc32 = found.record.crc;
    return KZF_OK;
  });
}

kzf_error kzf_find(const kzf_archive* archive, const char* name,
                   uint32_t* index) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_find", "archive");
    if (name == nullptr) return NullArgument("kzf_find", "name");
    if (index == nullptr) return NullArgument("kzf_find", "index");
    const std::optional<size_t> found = archive->reader.FindEntry(name);
    if (!found) {
      return Fail(KZF_ERROR_NOT_FOUND, std::string(messages::kEntryNotFound) +
                                           ": " + archive->name + ": " +
                                           varnok::DisplayName(name));
    }
    *index = static_cast<uint32_t>(*found);
    return KZF_OK;
  });
}

kzf_error kzf_read(kzf_archive* archive, uint32_t index, void* buffer,
                   size_t capacity) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_read", "archive");
    if (kzf_error code = CheckIndex(*archive, index)) return code;
    const uint32_t size = archive->reader.entries()[index].record.size;
    if (buffer == nullptr && size > 0) {
      return NullArgument("kzf_read", "buffer");
    }
    if (capacity < size) {
      return Fail(
          KZF_ERROR_BUFFER_TOO_SMALL,
          Status::BadRequest(
              messages::kBufferTooSmall, archive->name,
              "entry " + std::to_string(index) + " (" +
                  varnok::DisplayName(archive->reader.entries()[index].name) +
                  "): " + std::to_string(size) + " bytes, the buffer holds " +
                  std::to_string(capacity))
              .ToString());
    }
    BufferSink sink(static_cast<char*>(buffer), capacity);
    return Fail(archive->reader.ReadEntry(index, sink));
  });
}

kzf_error kzf_verify(kzf_archive* archive, uint32_t index) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_verify", "archive");
    if (kzf_error code = CheckIndex(*archive, index)) return code;
    return Fail(archive->reader.VerifyEntry(index));
  });
}

kzf_error kzf_verify_all(kzf_archive* archive) {
  return Guarded([&] {
    if (archive == nullptr) return NullArgument("kzf_verify_all", "archive");
    return Fail(archive->reader.VerifyAll());
  });
}

kzf_error kzf_stream_open(kzf_archive* archive, uint32_t index,
                          kzf_stream** stream) {
  return Guarded([&] {
    if (stream == nullptr) return NullArgument("kzf_stream_open", "stream");
    *stream = nullptr;
    if (archive == nullptr) return NullArgument("kzf_stream_open", "archive");
    if (kzf_error code = CheckIndex(*archive, index)) return code;
    auto opened = std::make_unique<kzf_stream>(*archive, index);
    Status status = opened->stream.Start();
    if (!status.ok()) return Fail(status);
    *stream = opened.release();
    return KZF_OK;
  });
}

kzf_error kzf_stream_read(kzf_stream* stream, void* buffer, size_t capacity,
                          size_t* got) {
  return Guarded([&] {
    if (got == nullptr) return NullArgument("kzf_stream_read", "got");
    *got = 0;
    if (stream == nullptr) return NullArgument("kzf_stream_read", "stream");
    if (buffer == nullptr && capacity > 0) {
      return NullArgument("kzf_stream_read", "buffer");
    }
    return Fail(stream->stream.Read(static_cast<char*>(buffer), capacity, got));
  });
}

kzf_error kzf_stream_seek(kzf_stream* stream, uint64_t position) {
  return Guarded([&] {
    if (stream == nullptr) return NullArgument("kzf_stream_seek", "stream");
    return Fail(stream->stream.Seek(position));
  });
}

uint64_t kzf_stream_tell(const kzf_stream* stream) {
  return stream != nullptr ? stream->stream.position() : 0;
}

void kzf_stream_close(kzf_stream* stream) { delete stream; }

}  // extern "C"
