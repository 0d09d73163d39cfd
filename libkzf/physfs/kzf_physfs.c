/* The kzf archiver for PhysFS (see kzf_physfs.h), over libkzf. A mount is
 * an open kzf_archive, reading through the Io PhysFS handed over, with its
 * stored names sorted in folder order, for stat and enumerate; an open file is read whole by kzf_read or in pieces,
 * with seeks, by a kzf_stream, each checking the entry's bytes. */

#include "kzf_physfs.h"

#include <kzf.h>
#include <physfs.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* No stored name is longer, so no longer path names anything. */
#define KZF_PHYSFS_NAME_MAX 511

typedef struct Mount {
  kzf_archive* archive;
  PHYSFS_Io* io;      /* the Io PhysFS handed over, which the archive reads;
                         the mount destroys it */
  uint32_t count;
  const char** names; /* every stored name, in folder order */
} Mount;

typedef struct OpenFile {
  Mount* mount;
  uint32_t index;
  uint32_t size;
  /* Opened at the first read in pieces or seek; a file read whole at once
   * needs none. */
  kzf_stream* stream;
  /* The entry was read whole at once (kzf_read, which reads in larger
   * pieces than a stream): the file is at its end, its stream (if any) at
   * its start. */
  int read_whole;
} OpenFile;

/* --- Errors ------------------------------------------------------------ */

static PHYSFS_ErrorCode physfs_error(kzf_error error) {
  switch (error) {
    case KZF_OK: return PHYSFS_ERR_OK;
    case KZF_ERROR_ARGUMENT: return PHYSFS_ERR_INVALID_ARGUMENT;
    case KZF_ERROR_IO: return PHYSFS_ERR_IO;
    case KZF_ERROR_NOT_ARCHIVE: return PHYSFS_ERR_UNSUPPORTED;
    case KZF_ERROR_DAMAGED: return PHYSFS_ERR_CORRUPT;
    case KZF_ERROR_NOT_FOUND: return PHYSFS_ERR_NOT_FOUND;
    case KZF_ERROR_NO_MEMORY: return PHYSFS_ERR_OUT_OF_MEMORY;
    default: return PHYSFS_ERR_OTHER_ERROR;
  }
}

/* Whether error is KZF_OK; sets PhysFS's error code when it is not. */
static int succeeded(kzf_error error) {
  if (error == KZF_OK) return 1;
  PHYSFS_setErrorCode(physfs_error(error));
  return 0;
}

static void* allocate(size_t size) {
  void* memory = calloc(1, size == 0 ? 1 : size);
  if (memory == NULL) PHYSFS_setErrorCode(PHYSFS_ERR_OUT_OF_MEMORY);
  return memory;
}

/* --- Names in folder order ---------------------------------------------- */

/* A byte's rank in folder order: '/' comes before every other byte, so the
 * names beneath a folder follow one another, right after a file of the
 * folder's name. */
static int rank(unsigned char c) {
  if (c == '/') return 1;
  return c == 0 ? 0 : c + 1;
}

static int compare_in_folder_order(const char* a, const char* b) {
  const unsigned char* x = (const unsigned char*)a;
  const unsigned char* y = (const unsigned char*)b;
  while (*x != 0 && *x == *y) {
    ++x;
    ++y;
  }
  return rank(*x) - rank(*y);
}

static int compare_names(const void* a, const void* b) {
  return compare_in_folder_order(*(const char* const*)a,
                                 *(const char* const*)b);
}

/* The position of the first name that does not come before prefix. */
static uint32_t first_not_before(const Mount* mount, const char* prefix) {
  uint32_t low = 0;
  uint32_t high = mount->count;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    if (compare_in_folder_order(mount->names[middle], prefix) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

/* Writes into prefix what the names beneath folder start with: "" for the
 * root, else "folder/". Returns its length, or -1 when no name can. */
static int folder_prefix(const char* folder,
                         char prefix[KZF_PHYSFS_NAME_MAX + 1]) {
  const size_t length = strlen(folder);
  if (length == 0) {
    prefix[0] = '\0';
    return 0;
  }
  if (length + 1 >= KZF_PHYSFS_NAME_MAX) return -1;
  memcpy(prefix, folder, length);
  prefix[length] = '/';
  prefix[length + 1] = '\0';
  return (int)(length + 1);
}

/* Whether some stored name lies beneath path; the root always counts. */
static int is_folder(const Mount* mount, const char* path) {
  char prefix[KZF_PHYSFS_NAME_MAX + 1];
  const int length = folder_prefix(path, prefix);
  uint32_t at;
  if (length <= 0) return length == 0;
  at = first_not_before(mount, prefix);
  return at < mount->count &&
         strncmp(mount->names[at], prefix, (size_t)length) == 0;
}

/* Fills mount->names with the archive's names in folder order. */
static int sort_names(Mount* mount) {
  uint32_t i;
  mount->count = kzf_count(mount->archive);
  mount->names = (const char**)allocate(mount->count * sizeof(const char*));
  if (mount->names == NULL) return 0;
  for (i = 0; i < mount->count; ++i) {
    kzf_entry info;
    if (!succeeded(kzf_entry_info(mount->archive, i, &info))) return 0;
    mount->names[i] = info.name;
  }
  qsort((void*)mount->names, mount->count, sizeof(const char*),
        compare_names);
  return 1;
}

/* --- Open files --------------------------------------------------------- */

static PHYSFS_Io* open_file(Mount* mount, uint32_t index);

/* Opens file's stream unless it is open. */
static int have_stream(OpenFile* file) {
  return file->stream != NULL ||
         succeeded(kzf_stream_open(file->mount->archive, file->index,
                                   &file->stream));
}

/* The position of file's next byte. */
static uint64_t position(const OpenFile* file) {
  if (file->read_whole) return file->size;
  return file->stream == NULL ? 0 : kzf_stream_tell(file->stream);
}

static PHYSFS_sint64 file_read(PHYSFS_Io* io, void* buffer,
                               PHYSFS_uint64 length) {
  OpenFile* file = (OpenFile*)io->opaque;
  char* out = (char*)buffer;
  PHYSFS_uint64 done = 0;
  if (file->read_whole) return 0;
  if (length >= file->size && position(file) == 0) {
    if (!succeeded(kzf_read(file->mount->archive, file->index, buffer,
                            file->size))) {
      return -1;
    }
    file->read_whole = 1;
    return file->size;
  }
  if (!have_stream(file)) return -1;
  while (done < length) {
    const PHYSFS_uint64 left = length - done;
    size_t got = 0;
    if (!succeeded(kzf_stream_read(file->stream, out + done,
                                   left > SIZE_MAX ? SIZE_MAX : (size_t)left,
                                   &got))) {
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return (PHYSFS_sint64)done;
}

static PHYSFS_sint64 file_write(PHYSFS_Io* io, const void* buffer,
                                PHYSFS_uint64 length) {
  (void)io;
  (void)buffer;
  (void)length;
  PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
  return -1;
}

static int file_seek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
  OpenFile* file = (OpenFile*)io->opaque;
  if (offset > file->size) {
    PHYSFS_setErrorCode(PHYSFS_ERR_PAST_EOF);
    return 0;
  }
  file->read_whole = 0;
  return have_stream(file) &&
         succeeded(kzf_stream_seek(file->stream, offset));
}

static PHYSFS_sint64 file_tell(PHYSFS_Io* io) {
  return (PHYSFS_sint64)position((const OpenFile*)io->opaque);
}

static PHYSFS_sint64 file_length(PHYSFS_Io* io) {
  return ((OpenFile*)io->opaque)->size;
}

/* A second file over the same entry, at the same position. */
static PHYSFS_Io* file_duplicate(PHYSFS_Io* io) {
  OpenFile* file = (OpenFile*)io->opaque;
  PHYSFS_Io* copy = open_file(file->mount, file->index);
  if (copy != NULL && !file_seek(copy, (PHYSFS_uint64)file_tell(io))) {
    copy->destroy(copy);
    return NULL;
  }
  return copy;
}

static int file_flush(PHYSFS_Io* io) {
  (void)io;
  return 1;
}

static void file_destroy(PHYSFS_Io* io) {
  OpenFile* file = (OpenFile*)io->opaque;
  kzf_stream_close(file->stream);
  free(file);
  free(io);
}

/* A new Io reading entry index from its start. */
static PHYSFS_Io* open_file(Mount* mount, uint32_t index) {
  static const PHYSFS_Io kFileIo = {
      0,          NULL,           file_read,  file_write, file_seek,
      file_tell,  file_length,    file_duplicate, file_flush, file_destroy};
  kzf_entry info;
  PHYSFS_Io* io = (PHYSFS_Io*)allocate(sizeof(PHYSFS_Io));
  OpenFile* file = (OpenFile*)allocate(sizeof(OpenFile));
  if (io == NULL || file == NULL ||
      !succeeded(kzf_entry_info(mount->archive, index, &info))) {
    free(file);
    free(io);
    return NULL;
  }
  file->mount = mount;
  file->index = index;
  file->size = info.size;
  *io = kFileIo;
  io->opaque = file;
  return io;
}

/* --- Opening an archive ------------------------------------------------- */

/* Reads exactly length bytes at offset. */
static int read_exactly(PHYSFS_Io* io, PHYSFS_uint64 offset, void* buffer,
                        PHYSFS_uint64 length) {
  char* out = (char*)buffer;
  if (!io->seek(io, offset)) return 0;
  while (length > 0) {
    const PHYSFS_sint64 got = io->read(io, out, length);
    if (got <= 0) {
      if (got == 0) PHYSFS_setErrorCode(PHYSFS_ERR_PAST_EOF);
      return 0;
    }
    out += got;
    length -= (PHYSFS_uint64)got;
  }
  return 1;
}

/* libkzf's reads of the archive (kzf_io.read_at), from the Io PhysFS handed
 * over. The Io reads where it was left, so each read seeks first, and libkzf
 * makes them one at a time (KZF_IO_SERIAL). Fails with PhysFS's error. */
static int read_for_libkzf(void* user, uint64_t offset, void* buffer,
                           size_t length, size_t* got) {
  PHYSFS_Io* io = (PHYSFS_Io*)user;
  PHYSFS_sint64 read = -1;
  *got = 0;
  if (io->seek(io, offset)) read = io->read(io, buffer, length);
  if (read < 0) {
    const PHYSFS_ErrorCode error = PHYSFS_getLastErrorCode();
    return error != PHYSFS_ERR_OK ? (int)error : (int)PHYSFS_ERR_IO;
  }
  *got = (size_t)read;
  return 0;
}

static void close_mount(Mount* mount) {
  kzf_close(mount->archive);
  free((void*)mount->names);
  if (mount->io != NULL) mount->io->destroy(mount->io);
  free(mount);
}

/* Claims io when it starts as a kzf archive does, then opens it, checking
 * its whole layout; its bytes are read through io as they are needed. */
static void* open_archive(PHYSFS_Io* io, const char* name, int for_write,
                          int* claimed) {
  unsigned char magic[4];
  PHYSFS_sint64 length;
  kzf_io source;
  Mount* mount;
  if (for_write) {
    PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
    return NULL;
  }
  if (!read_exactly(io, 0, magic, sizeof magic) ||
      memcmp(magic, "kzf1", 4) != 0) {
    PHYSFS_setErrorCode(PHYSFS_ERR_UNSUPPORTED);
    return NULL;
  }
  *claimed = 1;
  length = io->length(io);
  mount = length < 0 ? NULL : (Mount*)allocate(sizeof(Mount));
  if (mount == NULL) return NULL;
  memset(&source, 0, sizeof source);
  source.user = io;
  source.size = (uint64_t)length;
  source.flags = KZF_IO_SERIAL;
  source.read_at = read_for_libkzf;
  if (!succeeded(kzf_open_io(&source, name, &mount->archive)) ||
      !sort_names(mount)) {
    close_mount(mount);
    return NULL;
  }
  mount->io = io;
  return mount;
}

static void close_archive(void* opaque) { close_mount((Mount*)opaque); }

/* --- Folders and files -------------------------------------------------- */

/* Whether the first length bytes of name make a name PhysFS can show. */
static int is_child_name(const char* name, size_t length) {
  if (length == 0 || length > KZF_PHYSFS_NAME_MAX) return 0;
  if (name[0] != '.') return 1;
  return !(length == 1 || (length == 2 && name[1] == '.'));
}

/* Hands callback each file and folder right beneath folder, once. */
static PHYSFS_EnumerateCallbackResult enumerate(
    void* opaque, const char* folder, PHYSFS_EnumerateCallback callback,
    const char* original, void* data) {
  const Mount* mount = (const Mount*)opaque;
  char prefix[KZF_PHYSFS_NAME_MAX + 1];
  char child[KZF_PHYSFS_NAME_MAX + 1] = "";
  const int length = folder_prefix(folder, prefix);
  uint32_t i;
  if (length < 0) return PHYSFS_ENUM_OK;
  for (i = first_not_before(mount, prefix);
       i < mount->count &&
       strncmp(mount->names[i], prefix, (size_t)length) == 0;
       ++i) {
    const char* rest = mount->names[i] + length;
    const size_t n = strcspn(rest, "/");
    PHYSFS_EnumerateCallbackResult result;
    /* A file and the folder of the same name come one after the other. */
    if (!is_child_name(rest, n) ||
        (strlen(child) == n && memcmp(child, rest, n) == 0)) {
      continue;
    }
    memcpy(child, rest, n);
    child[n] = '\0';
    result = callback(data, original, child);
    if (result == PHYSFS_ENUM_ERROR) {
      PHYSFS_setErrorCode(PHYSFS_ERR_APP_CALLBACK);
    }
    if (result != PHYSFS_ENUM_OK) return result;
  }
  return PHYSFS_ENUM_OK;
}

/* A path that is both a folder and a file, which no packed tree holds, is
 * a folder here (and opens as the file). Folders are looked up first, in
 * the sorted names, as PhysFS asks for every folder on a file's path. */
static int stat_path(void* opaque, const char* path, PHYSFS_Stat* stat) {
  const Mount* mount = (const Mount*)opaque;
  uint32_t index;
  kzf_entry info;
  stat->modtime = stat->createtime = stat->accesstime = -1;
  stat->readonly = 1;
  if (is_folder(mount, path)) {
    stat->filetype = PHYSFS_FILETYPE_DIRECTORY;
    stat->filesize = 0;
    return 1;
  }
  if (kzf_find(mount->archive, path, &index) != KZF_OK ||
      kzf_entry_info(mount->archive, index, &info) != KZF_OK) {
    PHYSFS_setErrorCode(PHYSFS_ERR_NOT_FOUND);
    return 0;
  }
  stat->filetype = PHYSFS_FILETYPE_REGULAR;
  stat->filesize = info.size;
  return 1;
}

static PHYSFS_Io* open_read(void* opaque, const char* path) {
  Mount* mount = (Mount*)opaque;
  uint32_t index;
  if (path[0] == '\0' || kzf_find(mount->archive, path, &index) != KZF_OK) {
    PHYSFS_setErrorCode(is_folder(mount, path) ? PHYSFS_ERR_NOT_A_FILE
                                               : PHYSFS_ERR_NOT_FOUND);
    return NULL;
  }
  return open_file(mount, index);
}

/* The archive is read-only: every change is refused. */
static PHYSFS_Io* open_write(void* opaque, const char* path) {
  (void)opaque;
  (void)path;
  PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
  return NULL;
}

static int change(void* opaque, const char* path) {
  (void)opaque;
  (void)path;
  PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
  return 0;
}

int kzf_physfs_register(void) {
  static const PHYSFS_Archiver kArchiver = {
      0,
      {"kzf", "kzf game asset archive", "Varnok", "", 0},
      open_archive,
      enumerate,
      open_read,
      open_write,
      open_write,
      change,
      change,
      stat_path,
      close_archive};
  return PHYSFS_registerArchiver(&kArchiver);
}
