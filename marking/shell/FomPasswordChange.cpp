#include "shell/FomPasswordChange.h"

#include "shell/PasswordStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace marking::shell {

FomPasswordChange::FomPasswordChange(QWidget* parent)
    : PasswordDialog(parent, QStringLiteral("FomPasswordChange"), QStringLiteral("패스워드 변경"),
                     QStringLiteral("◈ 패스워드를  변경합니다."), QStringLiteral("LblMessage"),
                     {.fields = {{.name = "TxtNowPassword",
                                  .panel = "SpanNowPassword",
                                  .caption = "현재 패스워드 :",
                                  .kind = FieldKind::Password},
                                 {.name = "TxtNewPassword",
                                  .panel = "SpanNewPassword",
                                  .caption = "새 패스워드 :",
                                  .kind = FieldKind::Password},
                                 {.name = "TxtNewPasswordVerification",
                                  .panel = "SpanNewPasswordVerification",
                                  .caption = "새 패스워드 확인 :",
                                  .kind = FieldKind::Password}},
                      .buttons = {{.name = "ScmdChange",
                                   .caption = "변 경",
                                   .onClick = [this] { ScmdChange_Click(); }},
                                  {.name = "ScmdCancel", .caption = "취 소", .onClick = [this] {
                                       ScmdCancel_Click();
                                   }}}}) {
    TxtNowPassword = form_->Text(QStringLiteral("TxtNowPassword"));
    TxtNewPassword = form_->Text(QStringLiteral("TxtNewPassword"));
    TxtNewPasswordVerification = form_->Text(QStringLiteral("TxtNewPasswordVerification"));
    LblMessage = message_;
    ScmdChange = form_->Button(QStringLiteral("ScmdChange"));
    ScmdCancel = form_->Button(QStringLiteral("ScmdCancel"));
    TxtNowPassword->setFocus();
}

void FomPasswordChange::ScmdChange_Click() {
    if (TxtNowPassword->text().isEmpty()) {
        return ShowMessage(QStringLiteral("현재 패스워드를 입력 하십시요"), TxtNowPassword);
    }
    if (TxtNewPassword->text().isEmpty()) {
        return ShowMessage(QStringLiteral("새 패스워드를 입력 하십시요"), TxtNewPassword);
    }
    if (TxtNewPasswordVerification->text().isEmpty()) {
        return ShowMessage(QStringLiteral("새 패스워드 확인을 입력 하십시요"),
                           TxtNewPasswordVerification);
    }
    // A store that cannot take the default still compares with "7391"; the
    // failure itself is reported when the new password is stored below.
    (void)EnsureDefaultPassword();
    if (TxtNowPassword->text() != EffectivePassword()) {
        return ShowMessage(QStringLiteral("암호가 일치하지 않습니다."), TxtNowPassword);
    }
    if (TxtNewPassword->text() != TxtNewPasswordVerification->text()) {
        return ShowMessage(QStringLiteral("새 암호가 서로 일치하지 않습니다."), TxtNewPassword);
    }
    if (const QString failed = StorePassword(TxtNewPassword->text()); !failed.isEmpty()) {
        return ShowMessage(QStringLiteral("새 패스워드를 저장하지 못했습니다. ") + failed,
                           TxtNewPassword);
    }
    accept();
}

void FomPasswordChange::ScmdCancel_Click() {
    reject();
}

} // namespace marking::shell
