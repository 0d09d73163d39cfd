// Where the archive window puts the copies of entries it opens in other
// programs or hands to the file manager: a private folder in the system's
// temporary folder, made when first needed, with a fresh folder beneath it
// for each run, so that a copy another program still holds is never
// replaced. Everything goes when the object goes, as the window closes.

#ifndef VARNOK_UI_CORE_TEMPORARY_COPIES_H_
#define VARNOK_UI_CORE_TEMPORARY_COPIES_H_

#include <cstddef>
#include <optional>
#include <string>

#include "base/status.h"

namespace varnok {

class CTemporaryCopies {
 public:
  CTemporaryCopies() = default;
  // Removes the private folder and every copy in it.
  ~CTemporaryCopies();
  CTemporaryCopies(const CTemporaryCopies&) = delete;
  CTemporaryCopies& operator=(const CTemporaryCopies&) = delete;

  // The path of a folder, not yet there, for one run's copies (the run
  // creates it), in *folder. Fails with "Can't create folder" when the
  // private folder can't be made.
  Status NewRunFolder(std::string* folder);

  // The private folder, once made.
  const std::optional<std::string>& root() const { return root_; }

 private:
  std::optional<std::string> root_;
  size_t runs_ = 0;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_TEMPORARY_COPIES_H_
