#pragma once

#include "common/MessagePort.h"

namespace marking {

// Message boxes and questions as modal Qt message boxes over the active window.
class QtMessagePort : public MessagePort {
public:
    void ShowMessage(const QString& text, const QString& title, MessageIcon icon) override;
    Answer Ask(const QString& text, const QString& title, MessageIcon icon) override;
    void Beep() override;
};

} // namespace marking
