// The texts of the archive window, shared by its faces. %1, %2, ... are
// filled in by Substitute (dialog_messages.h).

#ifndef VARNOK_UI_CORE_WINDOW_MESSAGES_H_
#define VARNOK_UI_CORE_WINDOW_MESSAGES_H_

namespace varnok::window_messages {

// The window's title: the archive's file name, then the program's.
inline constexpr char kTitle[] = "%1 - Varnok";

// The column headers, in column order (ArchiveColumn).
inline constexpr const char* kColumnTitles[] = {
    "Name", "Size", "Packed", "Ratio", "Method", "CRC-32"};

inline constexpr char kMethodStored[] = "stored";
inline constexpr char kMethodDeflated[] = "deflated";
// The ratio of an empty entry, which has none.
inline constexpr char kNoRatio[] = "-";

// The status line: the entries shown, then those selected.
inline constexpr char kAllTotals[] = "%1, %2 (%3 packed)";
inline constexpr char kShownTotals[] = "%1 of %2 shown, %3 (%4 packed)";
inline constexpr char kSelectedTotals[] = "Selected: %1, %2 (%3 packed)";

// Menus, commands and the filter field; '&' marks the access key.
inline constexpr char kFileMenu[] = "&File";
inline constexpr char kEditMenu[] = "&Edit";
inline constexpr char kViewMenu[] = "&View";
inline constexpr char kOpenCommand[] = "&Open...";
inline constexpr char kCloseCommand[] = "&Close";
inline constexpr char kCopyNamesCommand[] = "&Copy Names";
inline constexpr char kSelectAllCommand[] = "Select &All";
inline constexpr char kArchiveOrderCommand[] = "&Archive Order";
inline constexpr char kFilterLabel[] = "Fil&ter:";
inline constexpr char kFilterHint[] =
    "Part of a name, or a pattern: *.png, textures/**/*.dds";

// Extract and verify.
inline constexpr char kExtractMenu[] = "E&xtract";
inline constexpr char kExtractSelectedCommand[] = "Extract &Selected...";
inline constexpr char kExtractShownCommand[] = "Extract S&hown...";
inline constexpr char kExtractAllCommand[] = "Extract &All...";
inline constexpr char kWithoutFoldersCommand[] = "&Without Their Folders";
inline constexpr char kVerifyCommand[] = "&Verify";
inline constexpr char kOpenEntryCommand[] = "&Open Entry\tEnter";
// One question for the files an extraction would replace.
inline constexpr char kExistingQuestion[] = "%1 already there in %2";
inline constexpr char kExistingChoice[] =
    "Replace them, keep the existing ones, or cancel?";
inline constexpr char kReplaceButton[] = "&Replace";
inline constexpr char kKeepButton[] = "&Keep Existing";
inline constexpr char kCancelButton[] = "Cancel";
// The end of an extraction.
inline constexpr char kExtracted[] = "%1 extracted to %2";
inline constexpr char kExtractCancelled[] =
    "Extraction cancelled: %1 written to %2";
inline constexpr char kKeptExisting[] = "%1 kept as they were.";
inline constexpr char kWrittenList[] = "Written:";
inline constexpr char kUnsafeList[] = "Not extracted, unsafe names:";
inline constexpr char kRepeatedList[] = "Not extracted, repeated names:";
inline constexpr char kFailedList[] = "Not extracted:";
// The end of a verification.
inline constexpr char kAllSound[] = "All %1 are sound";
inline constexpr char kDamagedFound[] = "%1 damaged of %2";
inline constexpr char kVerifyCancelled[] =
    "Verification cancelled after %1 of %2";
// Changes to the archive: files dropped on the table are added, Delete
// removes the selection, F2 renames the entry under the cursor or, when its
// folder part is edited, the folder.
inline constexpr char kDeleteCommand[] = "&Delete\tDel";
inline constexpr char kRenameCommand[] = "&Rename\tF2";
// The program's compress option (compress_choice.h), for the files added;
// 'm' as its key, since "&Copy Names" has 'c'.
inline constexpr char kCompressAddedCommand[] = "Co&mpress Added Files";
inline constexpr char kAddQuestion[] = "Add %1 to %2?";
inline constexpr char kStoredAsList[] = "Stored as:";
inline constexpr char kReplacingList[] = "Replacing %1:";
inline constexpr char kAddedDeflated[] =
    "Deflated, as Edit > Compress Added Files is on.";
inline constexpr char kAddedStored[] =
    "Stored as they are, as Edit > Compress Added Files is off.";
inline constexpr char kAddButton[] = "&Add";
inline constexpr char kDeleteQuestion[] = "Delete %1 from %2?";
inline constexpr char kDeleteButton[] = "&Delete";
// The end of a change: what it did, each kind counted and listed below.
inline constexpr char kChanged[] = "%1 changed: %2";
inline constexpr char kAddedCount[] = "%1 added";
inline constexpr char kReplacedCount[] = "%1 replaced";
inline constexpr char kDeletedCount[] = "%1 deleted";
inline constexpr char kRenamedCount[] = "%1 renamed";
inline constexpr char kAddedList[] = "Added:";
inline constexpr char kReplacedList[] = "Replaced:";
inline constexpr char kDeletedList[] = "Deleted:";
inline constexpr char kRenamedList[] = "Renamed:";
inline constexpr char kRenamedTo[] = "%1 -> %2";
inline constexpr char kChangeCancelled[] = "Cancelled: %1 is as it was";
inline constexpr char kUnchanged[] = "%1 is as it was.";
// A rename to nothing.
inline constexpr char kEmptyName[] = "Please enter a name";

// The open dialog's title and its file filter.
inline constexpr char kOpenTitle[] = "Open Archive";
inline constexpr char kOpenFilter[] = "Kzf archives (*.kzf);;All files (*)";

}  // namespace varnok::window_messages

#endif  // VARNOK_UI_CORE_WINDOW_MESSAGES_H_
