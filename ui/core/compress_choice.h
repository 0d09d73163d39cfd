// The program's compress option: the packing dialog's Compress check box
// shows and sets it, and the files an archive window adds are deflated when
// it is on, stored when it is off. One for the whole program, off until the
// dialog's Compress is switched on. May be read and set from any thread.

#ifndef VARNOK_UI_CORE_COMPRESS_CHOICE_H_
#define VARNOK_UI_CORE_COMPRESS_CHOICE_H_

namespace varnok {

bool CompressChosen();
void ChooseCompress(bool compress);

}  // namespace varnok

#endif  // VARNOK_UI_CORE_COMPRESS_CHOICE_H_
