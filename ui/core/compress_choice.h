// The program's compress option: the packing dialog's Compress check box and
// each archive window's Edit > Compress Added Files show and set it, and the
// files an archive window adds are deflated when it is on, stored when it is
// off. One for the whole program, off until it is switched on. May be read
// from any thread; changed only on the interface thread.

#ifndef VARNOK_UI_CORE_COMPRESS_CHOICE_H_
#define VARNOK_UI_CORE_COMPRESS_CHOICE_H_

#include <functional>

namespace varnok {

bool CompressChosen();
// Sets the option; when that changes it, tells every watch, in the order
// they were made.
void ChooseCompress(bool compress);

// Calls changed with the new value each time the option changes, for as
// long as it lives: how a check box or a menu item follows the option when
// another one sets it. Made and ended on the interface thread, not from
// within another watch's call.
class CCompressWatch {
 public:
  explicit CCompressWatch(std::function<void(bool compress)> changed);
  ~CCompressWatch();
  CCompressWatch(const CCompressWatch&) = delete;
  CCompressWatch& operator=(const CCompressWatch&) = delete;

 private:
  const std::function<void(bool compress)> changed_;
};

}  // namespace varnok

#endif  // VARNOK_UI_CORE_COMPRESS_CHOICE_H_
