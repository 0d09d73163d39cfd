// Reads one entry's original bytes as a pull stream, piece by piece, through
// buffers of a fixed size whatever the entry's.
//
// The entry is checked as CArchiveReader::ReadEntry checks it, when its last
// byte has been read: the Read that reaches the end fails if the checks do
// not hold, and a caller that keeps the bytes must discard them then. Once a
// Read or Seek has failed, every later call gives the same Status.
//
// Seek moves forward by inflating on and backward by starting again from
// the entry's start; in a stored entry it moves at once. Reading from the
// start to the end checks the CRC-32; a stored entry read after a Seek past
// bytes not read is not checked against it.
//
// A stream belongs to one thread at a time; several streams may read one
// reader at once. The reader must stay open while the stream lives.

#ifndef VARNOK_ARCHIVE_ENTRY_STREAM_H_
#define VARNOK_ARCHIVE_ENTRY_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/archive_reader.h"
#include "base/status.h"

namespace varnok {

class CEntryStream {
 public:
  // A stream over entry index of reader, which Start makes ready.
  CEntryStream(CArchiveReader& reader, size_t index);
  ~CEntryStream();
  CEntryStream(const CEntryStream&) = delete;
  CEntryStream& operator=(const CEntryStream&) = delete;

  // Checks the index and sets up the inflater; call once, before the rest.
  Status Start();
  // Reads up to capacity bytes into buffer; *got is 0 only at the entry's
  // end (after its checks passed).
  Status Read(char* buffer, size_t capacity, size_t* got);
  // Moves to position, which must not pass the entry's size.
  Status Seek(uint64_t position);
  // The position of the next byte Read hands out.
  uint64_t position() const { return position_; }

 private:
  // Back to the entry's start, the checks with it.
  void Restart();
  // One step: reads held bytes where none are pending and inflates into
  // buffer (a stored entry: copies); *produced bytes came out.
  Status Step(char* buffer, size_t capacity, size_t* produced);
  Status StepStored(char* buffer, size_t capacity, size_t* produced);
  Status StepDeflated(char* buffer, size_t capacity, size_t* produced);
  // Reads the next held bytes into the input buffer.
  Status Refill();
  // The checks at the end; the stream is finished after them.
  Status Finish();
  // Records a failure, which every later call returns.
  Status Fail(Status status);

  // The inflater's state, kept out of this header.
  struct Inflater;

  CArchiveReader& reader_;
  const size_t index_;
  EntryRecord record_;
  std::unique_ptr<Inflater> inflater_;  // deflated entries only
  std::unique_ptr<char[]> input_;       // held bytes, for the inflater
  uint64_t held_ = 0;                   // held bytes read so far
  uint64_t position_ = 0;               // original bytes handed out
  uint32_t crc_ = 0;                    // of the held bytes read so far
  bool checkCrc_ = true;                // every held byte read in order
  bool streamEnded_ = false;
  bool finished_ = false;  // every byte read and checked
  Status failure_;
};

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ENTRY_STREAM_H_
