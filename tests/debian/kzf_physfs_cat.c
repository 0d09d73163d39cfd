/* Writes one entry of a kzf archive to standard output through PhysFS and
 * the kzf archiver, as a game built with the libkzf-dev package reads it.
 *
 *   kzf_physfs_cat ARCHIVE NAME */

#include <kzf_physfs.h>
#include <physfs.h>
#include <stdio.h>

int main(int argc, char** argv) {
  char buffer[4096];
  PHYSFS_File* file = NULL;
  PHYSFS_sint64 got = 0;
  if (argc != 3) {
    fprintf(stderr, "usage: kzf_physfs_cat ARCHIVE NAME\n");
    return 2;
  }
  if (!PHYSFS_init(argv[0]) || !kzf_physfs_register() ||
      !PHYSFS_mount(argv[1], NULL, 1) ||
      (file = PHYSFS_openRead(argv[2])) == NULL) {
    fprintf(stderr, "%s\n", PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
    return 1;
  }
  while ((got = PHYSFS_readBytes(file, buffer, sizeof buffer)) > 0) {
    fwrite(buffer, 1, (size_t)got, stdout);
  }
  PHYSFS_close(file);
  PHYSFS_deinit();
  return got < 0;
}
