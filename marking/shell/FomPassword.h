#pragma once

#include "shell/PasswordDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace marking::shell {

// The password gate: a correct password unlocks the settings screen and the
// password change until the program ends.
class FomPassword : public PasswordDialog {
    Q_OBJECT
public:
    explicit FomPassword(QWidget* parent = nullptr);

    QLineEdit* TxtPassword;
    QLabel* LblPasswordMessage;
    QPushButton* ScmdOk;
    QPushButton* ScmdCancel;

    void ScmdOk_Click();
    void ScmdCancel_Click();

    ScreenForm& Form() const { return *form_; }

signals:
    // The typed password was right.
    void PasswordAccepted();
};

} // namespace marking::shell
