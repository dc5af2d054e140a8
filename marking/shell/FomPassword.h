#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace marking {
class ScreenBehaviour;
}

namespace marking::shell {

// The password gate: a correct password unlocks the settings screen and the
// password change until the program ends.
class FomPassword : public QDialog {
    Q_OBJECT
public:
    explicit FomPassword(QWidget* parent = nullptr);

    QLineEdit* TxtPassword;
    QLabel* LblPasswordMessage;
    QPushButton* ScmdOk;
    QPushButton* ScmdCancel;

    void ScmdOk_Click();
    void ScmdCancel_Click();

signals:
    // The typed password was right.
    void PasswordAccepted();

private:
    ScreenBehaviour* behaviour_;
};

} // namespace marking::shell
