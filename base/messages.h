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
inline constexpr char kFileTooLarge[] = "File too large (2 GiB or more)";
inline constexpr char kTooLarge[] = "Archive too large (over 4 GiB)";
inline constexpr char kPastSignedLength[] = "Archive larger than 2 GiB";
inline constexpr char kCantOpenFile[] = "Can't open file";
inline constexpr char kCantReadFile[] = "Can't read file";
inline constexpr char kCantWriteFile[] = "Can't write file";
inline constexpr char kZlibError[] = "Zlib compression error!";
inline constexpr char kCancelled[] = "Cancelled";
inline constexpr char kOutOfMemory[] = "Not enough memory";
inline constexpr char kArchiveReplacesSource[] =
    "Archive would replace a file being packed";
inline constexpr char kDuplicateStoredName[] =
    "Two files would be stored under one name";
inline constexpr char kUnsafeStoredName[] =
    "Stored name would be unsafe to extract";
// Why a stored name would be unsafe: a drive letter makes it absolute on
// Windows.
inline constexpr char kDriveLetter[] = "begins with a drive letter";
// Warnings: a file that took its place, but whose new name may not survive
// a crash; a temporary file that a killed run left beside the archive.
inline constexpr char kFolderNotSynced[] =
    "Replaced, but the folder could not be synced";
inline constexpr char kRemovedLeftover[] = "Removed a leftover temporary file";

// Reasons given where the system gives none, after a message and a path.
inline constexpr char kInvalidFileName[] = "Invalid file name";
inline constexpr char kNotARegularFile[] = "Not a regular file";
inline constexpr char kDanglingLink[] =
    "Not writing through a dangling symbolic link";
inline constexpr char kFileNotOpen[] = "File not open";
inline constexpr char kInputOutputError[] = "Input/output error";
inline constexpr char kIsATerminal[] = "Is a terminal";
// What messages call standard input where a path would stand.
inline constexpr char kStandardInput[] = "standard input";
// What the C library's messages call an archive opened from memory.
inline constexpr char kArchiveInMemory[] = "archive in memory";
// ... and one read through the caller's function, when the caller names none.
inline constexpr char kArchiveThroughIo[] = "archive read through kzf_io";
// Reasons a read through the caller's function failed.
inline constexpr char kReadAtFailed[] = "read_at returned";
inline constexpr char kReadAtTooMuch[] = "read_at read more than it was asked";

// Reading archives.
inline constexpr char kCantOpenArchive[] = "Can't open archive";
inline constexpr char kCantReadArchive[] = "Can't read archive";
inline constexpr char kNotAnArchive[] = "Not a kzf archive";
inline constexpr char kUnsupportedVersion[] = "Unsupported archive version";
inline constexpr char kDamagedArchive[] = "Damaged archive";
// The C library's refusals of a caller's arguments.
inline constexpr char kInvalidArgument[] = "Invalid argument";
inline constexpr char kNullArgument[] = "is null";
inline constexpr char kEntryNotFound[] = "No entry of that name";
inline constexpr char kBufferTooSmall[] = "Buffer too small";

// Extracting.
inline constexpr char kUnsafeName[] = "Unsafe name, not extracted";
inline constexpr char kCantCreateFolder[] = "Can't create folder";
inline constexpr char kNotFoundInArchive[] = "Not found in archive";
inline constexpr char kRepeatedName[] = "Repeated name, not extracted";
inline constexpr char kFileExists[] = "File exists, not replaced";

// Changing an archive.
inline constexpr char kChangedTwice[] = "Entry changed twice in one edit";
inline constexpr char kNameInArchive[] = "Name already in the archive";
// Each change, as kzf names it, and a damaged entry an edit leaves out.
inline constexpr char kAdded[] = "Added";
inline constexpr char kReplaced[] = "Replaced";
inline constexpr char kRemoved[] = "Removed";
inline constexpr char kRenamed[] = "Renamed";
inline constexpr char kDamagedLeftOut[] = "Damaged entry left out";

// Folders to pack.
inline constexpr char kCantOpenFolder[] = "Can't open folder";
inline constexpr char kNotAFolder[] = "Not a folder";
inline constexpr char kNoCurrentFolder[] = "Can't find the current folder";
inline constexpr char kCantReadFolder[] = "Can't read folder";
// A name in a list of files to pack that leads out of the folder, or
// passes through a link that the scan of the folder does not enter.
inline constexpr char kNotInFolder[] = "Not in the folder being packed";
inline constexpr char kThroughLink[] =
    "passes through a symbolic link to a folder";
// An entry a scan leaves out, and what it is.
inline constexpr char kLeftOut[] = "Left out";
inline constexpr char kLinkToFolder[] = "symbolic link to a folder";
inline constexpr char kBrokenLink[] = "broken symbolic link";
inline constexpr char kFifo[] = "FIFO";
inline constexpr char kSocket[] = "socket";
inline constexpr char kDevice[] = "device";
inline constexpr char kSpecialFile[] = "not a regular file";
// A file that the filters of the command line leave out.
inline constexpr char kExcluded[] = "excluded";
// A file left out for having a temporary name of the archive.
inline constexpr char kArchiveTemporaryFile[] = "temporary file of the archive";

// The command-line tool.
// Why a pattern of --exclude, --include or --store is refused.
inline constexpr char kNeverMatches[] =
    "can never match: a path relative to FOLDER has no empty, \".\" or \"..\" "
    "part";
// Why a --prefix is refused.
inline constexpr char kControlCharacter[] = "contains a control character";
inline constexpr char kUnsafePrefix[] = "would make unsafe names";
inline constexpr char kCantWriteOutput[] = "Can't write output";
inline constexpr char kWarning[] = "Warning";
inline constexpr char kUnknownCommand[] = "Unknown command";
inline constexpr char kUnknownOption[] = "Unknown option";
inline constexpr char kUnexpectedArgument[] = "Unexpected argument";
inline constexpr char kUnexpectedArguments[] = "Unexpected arguments";
// After an unknown command or option: the one nearest to it.
inline constexpr char kDidYouMean[] = "did you mean";
// What is wrong with an option's or an argument's value, after its name.
inline constexpr char kMustNotBeEmpty[] = "must not be empty";
inline constexpr char kArchiveNotToStandardOutput[] =
    "can't be standard output: an archive is written to a file that takes "
    "its name once complete (./- names a file called -)";
inline constexpr char kArchiveNotFromStandardInput[] =
    "can't be standard input: diff reads the archive from a file (./- names "
    "a file called -)";
// kzf started in a console of its own, which closes when it ends (a
// double-click on kzf.exe): below the usage, and before the wait for a key.
inline constexpr char kCommandLineTool[] =
    "kzf is a command-line tool: run it from a Command Prompt.\n"
    "To open one in a folder, click the address bar of File Explorer showing\n"
    "that folder, type cmd and press Enter.";
inline constexpr char kPressAnyKey[] = "Press any key to close this window.";
// An entry named as it is written to an archive, deflated or stored afresh
// or copied from the archive being replaced.
inline constexpr char kPacked[] = "Packed";
inline constexpr char kReused[] = "Reused";
inline constexpr char kExtracted[] = "Extracted";
inline constexpr char kSignedOffsetsUnsafe[] =
    "engines that read offsets as signed numbers can't load it";

// The desktop dialog.
inline constexpr char kDone[] = "Done!";
inline constexpr char kCompressWarning[] =
    "This feature is experimental, use at your own risk!";
// After a scan that could not read folders: one, or %1 of them.
inline constexpr char kUnreadableFolder[] =
    "A folder could not be read; its files are not in the list";
inline constexpr char kUnreadableFolders[] =
    "%1 folders could not be read; their files are not in the list";
// After the first of the folders or names a message lists; %1 is how many
// more there are.
inline constexpr char kAndMore[] = "and %1 more";
// Below "Done!", before the files named; %1 is how many.
inline constexpr char kLeftOutTemporaryFile[] =
    "Left out a temporary file of the archive:";
inline constexpr char kLeftOutTemporaryFiles[] =
    "Left out %1 temporary files of the archive:";
// The hint over a row of the list: %1 is the name the file is stored under.
inline constexpr char kStoredAs[] = "Stored as %1";
inline constexpr char kNoBasePathForHint[] =
    "Enter a base path to see the stored name";
// The progress window of a pack: entries done and in all, then bytes.
inline constexpr char kPackProgress[] = "Files: %1 of %2\nData: %3 of %4";
// The progress window of a scan: folders and files found so far.
inline constexpr char kScanProgress[] = "Folders found: %1\nFiles found: %2";
// Work that could not be handed to a thread of its own.
inline constexpr char kCantStartThread[] = "Can't start a thread";

}  // namespace varnok::messages

#endif  // VARNOK_BASE_MESSAGES_H_
