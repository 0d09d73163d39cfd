/* libkzf: reads kzf archives.
 *
 * A C interface over Varnok's archive reader, for C, C++ and any language's
 * foreign-function interface: opaque handles, fixed-width integers, plain
 * structs. doc/libkzf.md tells the story, with a complete program.
 *
 * Every call returns a kzf_error; KZF_OK (0) is success. After a failure,
 * kzf_error_message() gives a sentence naming the place and the reason
 * ("Damaged archive: game.kzf: entry 3 (data/x.png): CRC-32 ..."), kept per
 * thread until the thread's next failing call. No call aborts, prints or lets
 * an exception out. Paths are UTF-8 (on Windows as well).
 *
 * Threads: once an archive has opened, any number of threads may call
 * kzf_count, kzf_entry_info, kzf_find, kzf_read, kzf_verify, kzf_verify_all
 * and kzf_stream_open on the archive at once. A
 * stream belongs to one thread at a time. kzf_close must not run beside any
 * other call on the archive, and every stream must be closed before it. */

#ifndef KZF_H_
#define KZF_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum kzf_error {
  KZF_OK = 0,
  KZF_ERROR_ARGUMENT = 1,    /* a null pointer, or an index out of range */
  KZF_ERROR_IO = 2,          /* the file could not be opened or read, or
                                read_at failed */
  KZF_ERROR_NOT_ARCHIVE = 3, /* no kzf archive, or a version not read here */
  KZF_ERROR_DAMAGED = 4,     /* the layout or an entry's bytes are damaged */
  KZF_ERROR_NOT_FOUND = 5,   /* no entry has the name */
  KZF_ERROR_BUFFER_TOO_SMALL = 6, /* the entry is larger than the buffer */
  KZF_ERROR_NO_MEMORY = 7
} kzf_error;

/* How an entry's bytes are held. */
enum { KZF_METHOD_STORED = 4, KZF_METHOD_DEFLATED = 5 };

typedef struct kzf_archive kzf_archive;
typedef struct kzf_stream kzf_stream;

/* One entry, as the archive's directory describes it. */
typedef struct kzf_entry {
  /* The stored name, zero-terminated, as its bytes stand in the archive
   * ('/' between folders); valid until kzf_close. */
  const char* name;
  uint32_t name_length; /* bytes, without the terminator */
  uint32_t size;        /* bytes of the original file */
  uint32_t packed_size; /* bytes held in the archive */
  uint32_t method;      /* KZF_METHOD_STORED or KZF_METHOD_DEFLATED */
  uint32_t crc32;       /* CRC-32 of the held bytes */
} kzf_entry;

/* How kzf_open_io reads an archive: the caller's function that reads its
 * bytes, and the one that lets them go. kzf_open_io copies the struct. */
typedef struct kzf_io {
  /* Handed as it is to read_at and close. */
  void* user;
  /* The archive's length in bytes. */
  uint64_t size;
  /* KZF_IO_* flags, or 0. */
  uint32_t flags;
  /* Reads up to length bytes at offset (never past size) into buffer and
   * sets *got to how many it read; returns 0 on success, and anything else (which the message
   * shows) on failure, on which the call that read fails with KZF_ERROR_IO.
   * A shorter read is asked again for the rest; 0 bytes mean the archive
   * ends at offset. The library calls it during kzf_open_io, and then on
   * the threads that read, verify or stream entries: from several threads
   * at once, unless flags holds KZF_IO_SERIAL. */
  int (*read_at)(void* user, uint64_t offset, void* buffer, size_t length,
                 size_t* got);
  /* Lets user go; may be null. Called once, when no read_at runs and none
   * will: by kzf_close, or, when kzf_open_io fails, before it returns. */
  void (*close)(void* user);
} kzf_io;

/* kzf_io.flags: read_at can't run on two threads at once (it seeks, then
 * reads): the library holds a lock of the archive's around each call, so
 * that entries read on several threads take turns at the source. */
enum { KZF_IO_SERIAL = 1 };

/* "0.6.0": the library's version. */
const char* kzf_version(void);

/* The message of the calling thread's last failed call; "" before any. The
 * text stays valid until the thread's next failing call. */
const char* kzf_error_message(void);

/* Opens the archive at path and checks its whole layout (the entries' bytes
 * are checked when read). On success *archive is a new handle; on failure
 * it is set to null. */
kzf_error kzf_open(const char* path, kzf_archive** archive);
/* Opens the size bytes at data as kzf_open opens a file. The caller keeps
 * the block, unchanged, until kzf_close; nothing is copied. */
kzf_error kzf_open_memory(const void* data, size_t size,
                          kzf_archive** archive);
/* Opens the archive io reads as kzf_open opens a file, holding no more of
 * its bytes than kzf_open does. Messages call it name, or "archive read
 * through kzf_io" when name is null. io->close is called exactly once from
 * here on, whatever happens (see kzf_io). */
kzf_error kzf_open_io(const kzf_io* io, const char* name,
                      kzf_archive** archive);
/* Frees the archive and everything it holds; null is ignored. */
void kzf_close(kzf_archive* archive);

/* The number of entries (0 to 65535). */
uint32_t kzf_count(const kzf_archive* archive);
kzf_error kzf_entry_info(const kzf_archive* archive, uint32_t index,
                         kzf_entry* entry);
/* The index of the first entry stored under name (exact bytes, '/' between
 * folders), in constant time. */
kzf_error kzf_find(const kzf_archive* archive, const char* name,
                   uint32_t* index);

/* Reads entry index's original bytes into buffer, which holds capacity
 * bytes (at least the entry's size, else KZF_ERROR_BUFFER_TOO_SMALL before
 * anything is read), and checks them: the CRC-32, and for a deflated entry
 * its zlib stream. On failure the buffer's content is undefined. */
kzf_error kzf_read(kzf_archive* archive, uint32_t index, void* buffer,
                   size_t capacity);

/* Checks entry index's held bytes as kzf_read does, without keeping them. */
kzf_error kzf_verify(kzf_archive* archive, uint32_t index);
/* kzf_verify for every entry, in order; stops at the first fault. */
kzf_error kzf_verify_all(kzf_archive* archive);

/* Opens a stream over entry index's original bytes, with buffers of a fixed
 * size whatever the entry's. */
kzf_error kzf_stream_open(kzf_archive* archive, uint32_t index,
                          kzf_stream** stream);
/* Reads up to capacity bytes into buffer; *got is how many, 0 only at the
 * entry's end. The entry's checks (CRC-32, the zlib stream's end and
 * length) are made when its last byte has been read: the call that reaches
 * the end fails if they do not hold, and bytes handed out before a failure
 * must be discarded. */
kzf_error kzf_stream_read(kzf_stream* stream, void* buffer,
                          size_t capacity, size_t* got);
/* Moves to byte position of the original bytes (at most the entry's size):
 * forward by inflating on, backward by starting again from the entry's
 * start. A stored entry moves at once; read after a seek that skipped some
 * of its bytes, it is not checked against its CRC-32. */
kzf_error kzf_stream_seek(kzf_stream* stream, uint64_t position);
/* The position of the next byte kzf_stream_read hands out. */
uint64_t kzf_stream_tell(const kzf_stream* stream);
/* Frees the stream; null is ignored. */
void kzf_stream_close(kzf_stream* stream);

#ifdef __cplusplus
}
#endif

#endif /* KZF_H_ */
