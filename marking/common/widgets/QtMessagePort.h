#pragma once

#include "common/MessagePort.h"

namespace marking {

// Message boxes and questions as modal Qt message boxes over the active
// window. When one closes, the focus goes back to the window and the control
// that had it.
class QtMessagePort : public MessagePort {
public:
    void ShowMessage(const QString& text, const QString& title, MessageIcon icon) override;
    Answer Ask(const QString& text, const QString& title, MessageIcon icon) override;
    void Beep() override;
};

} // namespace marking
