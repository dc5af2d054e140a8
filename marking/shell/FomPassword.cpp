#include "shell/FomPassword.h"

#include "common/MessagePort.h"
#include "shell/PasswordStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace marking::shell {

FomPassword::FomPassword(QWidget* parent)
    : PasswordDialog(
          parent, QStringLiteral("FomPassword"), QStringLiteral("패스워드"),
          QStringLiteral("◈ 패스워드를 입력하십시오"), QStringLiteral("LblPasswordMessage"),
          {.fields = {{.name = "TxtPassword",
                       .panel = "SpanPassword",
                       .caption = "패스워드 :",
                       .kind = FieldKind::Password}},
           .buttons = {
               {.name = "ScmdOk", .caption = "확 인", .onClick = [this] { ScmdOk_Click(); }},
               {.name = "ScmdCancel", .caption = "취 소", .onClick = [this] {
                    ScmdCancel_Click();
                }}}}) {
    TxtPassword = form_->Text(QStringLiteral("TxtPassword"));
    LblPasswordMessage = message_;
    ScmdOk = form_->Button(QStringLiteral("ScmdOk"));
    ScmdCancel = form_->Button(QStringLiteral("ScmdCancel"));
    setMinimumWidth(380);
    TxtPassword->clear();
    TxtPassword->setFocus();
}

void FomPassword::ScmdOk_Click() {
    if (TxtPassword->text() != EffectivePassword()) {
        Messages().Beep();
        TxtPassword->clear();
        ShowMessage(QStringLiteral("패스워드가 정확하지 않습니다."), TxtPassword);
        return;
    }
    emit PasswordAccepted();
    accept();
}

void FomPassword::ScmdCancel_Click() {
    reject();
}

} // namespace marking::shell
