// How a user's arguments choose entries of an archive, as kzf extract and
// kzf remove take them.
//
// An argument, spelt as the archive spells names, chooses the entry stored
// under it, and the entries beneath it as a folder ("data/maps" and
// "data/maps/" take everything beneath); one that names none that way is a
// pattern (base/path_pattern.h) matched against the stored names.

#ifndef VARNOK_ARCHIVE_ENTRY_SELECTION_H_
#define VARNOK_ARCHIVE_ENTRY_SELECTION_H_

#include <string_view>
#include <vector>

#include "archive/archive_reader.h"

namespace varnok {

// True when argument names name, or a folder on its way.
bool NamesEntry(std::string_view argument, std::string_view name);

// Sets (*marked)[i] for every entry argument chooses; *marked holds one flag
// per entry. False when it chooses none.
bool ChooseEntries(const std::vector<ArchiveEntry>& entries,
                   std::string_view argument, std::vector<bool>* marked);

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ENTRY_SELECTION_H_
