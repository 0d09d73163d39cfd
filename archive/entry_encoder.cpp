#include "archive/entry_encoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "archive/archive_format.h"
#include "archive/archive_writer.h"
#include "archive/unique_fd.h"

namespace varnok {
namespace {

// Ends a deflate stream when the encoder leaves it by any path.
class DeflateStream {
 public:
  DeflateStream() = default;
  ~DeflateStream() {
    if (live_) deflateEnd(&stream_);
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;

  // The stream compress2 makes at level 9.
  bool Init() {
    live_ = deflateInit2(&stream_, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) ==
            Z_OK;
    return live_;
  }
  z_stream* get() { return &stream_; }

 private:
  z_stream stream_{};
  bool live_ = false;
};

uint32_t Crc32(uint32_t crc, const char* data, size_t n) {
  return static_cast<uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(n)));
}

}  // namespace

CEntryEncoder::CEntryEncoder(bool compress)
    : compress_(compress),
      in_(new char[kBufferSize]),
      out_(compress ? new char[kBufferSize] : nullptr) {}

CEntryEncoder::~CEntryEncoder() = default;

Status CEntryEncoder::Encode(const std::string& path, HeldBytesSink* sink,
                             EncodedEntry* entry) {
  *entry = EncodedEntry{};
  entry->method = compress_ ? kMethodDeflated : kMethodStored;
  entry->crc = Crc32(0, nullptr, 0);
  const auto cantRead = [&path](const std::string& reason) {
    return Status::Error(pack_messages::kCantReadFile, path, reason);
  };

  // A path holding a zero byte names no file. O_NONBLOCK keeps a fifo from
  // blocking the open; only regular files are read.
  if (path.find('\0') != std::string::npos) {
    return cantRead("Invalid file name");
  }
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return cantRead(std::strerror(errno));
  struct stat info;
  if (::fstat(file.get(), &info) != 0) return cantRead(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return cantRead("Not a regular file");

  Status status = compress_ ? Deflate(file.get(), path, sink, entry)
                            : Store(file.get(), path, sink, entry);
  if (!status.ok()) return status;
  if (!file.Close()) return cantRead(std::strerror(errno));
  return Status::Ok();
}

Status CEntryEncoder::ReadSome(int fd, const std::string& path,
                               uint64_t sizeSoFar, size_t* n) {
  ssize_t got;
  do {
    got = ::read(fd, in_.get(), kBufferSize);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    return Status::Error(pack_messages::kCantReadFile, path,
                         std::strerror(errno));
  }
  *n = static_cast<size_t>(got);
  if (sizeSoFar + *n > std::numeric_limits<uint32_t>::max()) {
    return Status::Error(pack_messages::kTooLarge, path);
  }
  return Status::Ok();
}

Status CEntryEncoder::Store(int fd, const std::string& path,
                            HeldBytesSink* sink, EncodedEntry* entry) {
  uint64_t size = 0;
  for (;;) {
    size_t n = 0;
    Status status = ReadSome(fd, path, size, &n);
    if (!status.ok()) return status;
    if (n == 0) break;
    size += n;
    status = sink->SourceRead(n);
    if (!status.ok()) return status;
    entry->crc = Crc32(entry->crc, in_.get(), n);
    status = sink->Append(in_.get(), n);
    if (!status.ok()) return status;
  }
  entry->size = static_cast<uint32_t>(size);
  entry->packedSize = size;
  return Status::Ok();
}

Status CEntryEncoder::Deflate(int fd, const std::string& path,
                              HeldBytesSink* sink, EncodedEntry* entry) {
  const Status zlibError = Status::Error(pack_messages::kZlibError, path);
  DeflateStream deflater;
  if (!deflater.Init()) return zlibError;
  z_stream* stream = deflater.get();

  uint64_t size = 0;
  uint64_t packedSize = 0;
  bool atEnd = false;
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    if (stream->avail_in == 0 && !atEnd) {
      size_t n = 0;
      Status status = ReadSome(fd, path, size, &n);
      if (!status.ok()) return status;
      size += n;
      atEnd = n == 0;
      if (n > 0) {
        status = sink->SourceRead(n);
        if (!status.ok()) return status;
      }
      stream->next_in = reinterpret_cast<Bytef*>(in_.get());
      stream->avail_in = static_cast<uInt>(n);
    }

    // Deflate what is in hand, and hand on every full output buffer (and,
    // at the end, the rest).
    stream->next_out = reinterpret_cast<Bytef*>(out_.get());
    stream->avail_out = static_cast<uInt>(kBufferSize);
    result = deflate(stream, atEnd ? Z_FINISH : Z_NO_FLUSH);
    // Each call has input in hand or finishes the stream, and a free output
    // buffer, so anything but progress is a real failure.
    if (result != Z_OK && result != Z_STREAM_END) return zlibError;
    const size_t produced = kBufferSize - stream->avail_out;
    if (produced > 0) {
      entry->crc = Crc32(entry->crc, out_.get(), produced);
      packedSize += produced;
      Status status = sink->Append(out_.get(), produced);
      if (!status.ok()) return status;
    }
  }
  entry->size = static_cast<uint32_t>(size);
  entry->packedSize = packedSize;
  return Status::Ok();
}

}  // namespace varnok
