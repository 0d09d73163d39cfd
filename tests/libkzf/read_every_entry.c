/* read_every_entry ARCHIVE FOLDER: reads every entry of ARCHIVE whole and
 * streamed, through the installed library, and compares both with the file
 * FOLDER/NAME. Prints the number of entries and exits 0 when all are equal;
 * names the first difference and exits 1 otherwise. */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <kzf.h>

/* The file at path, whole, in a buffer of at least one byte; its length in
 * *size. Null when it can't be read. */
static char* ReadFile(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  char* bytes = NULL;
  long length;
  if (file == NULL) return NULL;
  if (fseek(file, 0, SEEK_END) == 0 && (length = ftell(file)) >= 0 &&
      fseek(file, 0, SEEK_SET) == 0 &&
      (bytes = malloc((size_t)length + 1)) != NULL &&
      fread(bytes, 1, (size_t)length, file) == (size_t)length) {
    *size = (size_t)length;
  } else {
    free(bytes);
    bytes = NULL;
  }
  fclose(file);
  return bytes;
}

/* 0 when entry index, streamed in pieces of 1000 bytes, equals expected. */
static int CompareStreamed(kzf_archive* archive, uint32_t index,
                           const char* expected, size_t size) {
  char piece[1000];
  size_t got = 1, done = 0;
  kzf_stream* stream;
  int differs = 0;
  if (kzf_stream_open(archive, index, &stream) != KZF_OK) return 1;
  while (!differs && got > 0) {
    differs = kzf_stream_read(stream, piece, sizeof piece, &got) != KZF_OK ||
              done + got > size || memcmp(piece, expected + done, got) != 0;
    done += got;
  }
  kzf_stream_close(stream);
  return differs || done != size;
}

/* 0 when entry index, read whole and streamed, equals its file in folder. */
static int CompareEntry(kzf_archive* archive, uint32_t index,
                        const char* folder) {
  kzf_entry entry;
  char path[4096];
  char *expected, *bytes;
  size_t size = 0;
  int differs;
  if (kzf_entry_info(archive, index, &entry) != KZF_OK) return 1;
  snprintf(path, sizeof path, "%s/%s", folder, entry.name);
  expected = ReadFile(path, &size);
  bytes = malloc(entry.size + 1);
  differs = expected == NULL || bytes == NULL || size != entry.size ||
            kzf_read(archive, index, bytes, entry.size) != KZF_OK ||
            memcmp(bytes, expected, size) != 0 ||
            CompareStreamed(archive, index, expected, size) != 0;
  if (differs) fprintf(stderr, "%s: differs: %s\n", path, kzf_error_message());
  free(expected);
  free(bytes);
  return differs;
}

int main(int argc, char** argv) {
  kzf_archive* archive;
  uint32_t i;
  int failures = 0;
  if (argc != 3) {
    fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
    return 2;
  }
  if (kzf_open(argv[1], &archive) != KZF_OK) {
    fprintf(stderr, "%s\n", kzf_error_message());
    return 1;
  }
  for (i = 0; i < kzf_count(archive); ++i) {
    failures += CompareEntry(archive, i, argv[2]);
  }
  printf("%u entries, %d differ\n", (unsigned)kzf_count(archive), failures);
  kzf_close(archive);
  return failures == 0 ? 0 : 1;
}
