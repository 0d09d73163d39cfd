// A check box that a click does not change.
//
// A click, by mouse, by the space key or by its mnemonic, emits clicked()
// and leaves the state alone; only setChecked() changes it. The owner
// decides in its clicked() handler what the click means.

#ifndef VARNOK_UI_QT_MANUAL_CHECK_BOX_H_
#define VARNOK_UI_QT_MANUAL_CHECK_BOX_H_

#include <QCheckBox>

namespace varnok {

class CManualCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  using QCheckBox::QCheckBox;

 protected:
  // A click would step the state here; a manual check box keeps it.
  void nextCheckState() override {}
};

}  // namespace varnok

#endif  // VARNOK_UI_QT_MANUAL_CHECK_BOX_H_
