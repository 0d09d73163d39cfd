// Every text that Varnok shows a user, defined once.
//
// A failed Status carries one of these as its message; the programs show
// them exactly as they stand.

#ifndef VARNOK_BASE_MESSAGES_H_
#define VARNOK_BASE_MESSAGES_H_

namespace varnok::messages {

// Packing.
inline constexpr char kNoFiles[] = "No files to pack";
inline constexpr char kEmptyBasePath[] = "Please enter all values";
inline constexpr char kBasePathNotFound[] = "Base path not found in file path";
inline constexpr char kPathTooLong[] = "Path too long";
inline constexpr char kNotInCodePage[] =
    "Name not representable in the system's code page";
inline constexpr char kTooManyFiles[] = "Too many files (at most 65535)";
inline constexpr char kTooLarge[] = "Archive too large (over 4 GiB)";
inline constexpr char kCantOpenFile[] = "Can't open file";
inline constexpr char kCantReadFile[] = "Can't read file";
inline constexpr char kCantWriteFile[] = "Can't write file";
inline constexpr char kZlibError[] = "Zlib compression error!";
inline constexpr char kCancelled[] = "Cancelled";
inline constexpr char kOutOfMemory[] = "Not enough memory";

// Reading archives.
inline constexpr char kCantOpenArchive[] = "Can't open archive";
inline constexpr char kCantReadArchive[] = "Can't read archive";
inline constexpr char kNotAnArchive[] = "Not a kzf archive";
inline constexpr char kUnsupportedVersion[] = "Unsupported archive version";
inline constexpr char kDamagedArchive[] = "Damaged archive";

// Extracting.
inline constexpr char kUnsafeName[] = "Unsafe name, not extracted";
inline constexpr char kCantCreateFolder[] = "Can't create folder";
inline constexpr char kNotFoundInArchive[] = "Not found in archive";

// Folders to pack.
inline constexpr char kCantOpenFolder[] = "Can't open folder";
inline constexpr char kNotAFolder[] = "Not a folder";
inline constexpr char kNoCurrentFolder[] = "Can't find the current folder";

// The desktop dialog.
inline constexpr char kDone[] = "Done!";
inline constexpr char kCompressWarning[] =
    "This feature is experimental, use at your own risk!";

}  // namespace varnok::messages

#endif  // VARNOK_BASE_MESSAGES_H_
