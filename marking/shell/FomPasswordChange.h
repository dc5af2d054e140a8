#pragma once

#include "shell/PasswordDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace marking::shell {

// Replaces the management password.
class FomPasswordChange : public PasswordDialog {
    Q_OBJECT
public:
    explicit FomPasswordChange(QWidget* parent = nullptr);

    QLineEdit* TxtNowPassword;
    QLineEdit* TxtNewPassword;
    QLineEdit* TxtNewPasswordVerification;
    QLabel* LblMessage;
    QPushButton* ScmdChange;
    QPushButton* ScmdCancel;

    void ScmdChange_Click();
    void ScmdCancel_Click();

    ScreenForm& Form() const { return *form_; }
};

} // namespace marking::shell
