#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace marking::shell {

// Replaces the management password.
class FomPasswordChange : public QDialog {
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

private:
    void fail(const QString& text, QLineEdit* focus);
};

} // namespace marking::shell
