#pragma once

#include "common/widgets/ScreenSpec.h"

#include <QDialog>

class QLabel;

namespace marking::shell {

// What the two password dialogs share: an introduction line, the password
// fields with their caption panels, a red message label (hidden until a
// message), the buttons; Esc closes, Enter in a field or on a button moves
// the focus on; the stored password is set to its default at load, and a
// store that cannot take it is named in the message label.
class PasswordDialog : public QDialog {
    Q_OBJECT
protected:
    PasswordDialog(QWidget* parent, const QString& name, const QString& title, const QString& intro,
                   const QString& messageName, ScreenSpec spec);

    // Shows a message and puts the focus into a field (nullptr: stays).
    void ShowMessage(const QString& text, QWidget* focus = nullptr);

    ScreenForm* form_;
    QLabel* message_;
};

} // namespace marking::shell
