/* kzf archives in PhysFS: an archiver for PHYSFS_registerArchiver, over
 * libkzf.
 *
 * Compile kzf_physfs.c into the program beside its own PhysFS (3.0 or
 * later) and link libkzf. After PHYSFS_init, one call registers the
 * archiver; from then on PHYSFS_mount("game.kzf", ...) mounts kzf archives
 * like any other, read-only:
 *
 *   if (!PHYSFS_init(argv[0]) || !kzf_physfs_register()) fail();
 *   if (!PHYSFS_mount("game.kzf", NULL, 1)) fail();
 *
 * Folders are those the stored names imply ("data/maps/a.map" makes
 * "data" and "data/maps"). A mount checks the archive's whole layout and
 * refuses a damaged archive (PHYSFS_ERR_CORRUPT); the entries' bytes are
 * checked as they are read: the read that reaches an entry's end fails
 * (PHYSFS_ERR_CORRUPT) when its CRC-32 or its zlib stream is wrong. */

#ifndef KZF_PHYSFS_H_
#define KZF_PHYSFS_H_

#ifdef __cplusplus
extern "C" {
#endif

/* Registers the archiver for the extension "kzf" (archives are known by
 * their first bytes whatever their name). Call it after PHYSFS_init, and
 * again after each PHYSFS_deinit and PHYSFS_init. Returns PhysFS's answer:
 * nonzero on success; zero on failure, with PHYSFS_getLastErrorCode() set
 * (PHYSFS_ERR_DUPLICATE when it is registered already). */
int kzf_physfs_register(void);

#ifdef __cplusplus
}
#endif

#endif /* KZF_PHYSFS_H_ */
