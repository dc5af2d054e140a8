#include "shell/FomPasswordChange.h"

#include "common/widgets/ScreenBehaviour.h"
#include "common/widgets/PasswordField.h"
#include "shell/PasswordStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace marking::shell {

namespace {
QLineEdit* passwordField(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    ShowPasswordAsStars(edit);
    return edit;
}
} // namespace

FomPasswordChange::FomPasswordChange(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FomPasswordChange"));
    setWindowTitle(QStringLiteral("패스워드 변경"));
    setModal(true);

    auto* intro = new QLabel(QStringLiteral("◈ 패스워드를  변경합니다."), this);
    auto* spanNow =
        NewCaptionPanel(QStringLiteral("현재 패스워드 :"), this, QStringLiteral("SpanNowPassword"));
    auto* spanNew =
        NewCaptionPanel(QStringLiteral("새 패스워드 :"), this, QStringLiteral("SpanNewPassword"));
    auto* spanVerify = NewCaptionPanel(QStringLiteral("새 패스워드 확인 :"), this,
                                       QStringLiteral("SpanNewPasswordVerification"));
    TxtNowPassword = passwordField(QStringLiteral("TxtNowPassword"), this);
    TxtNewPassword = passwordField(QStringLiteral("TxtNewPassword"), this);
    TxtNewPasswordVerification = passwordField(QStringLiteral("TxtNewPasswordVerification"), this);
    LblMessage = new QLabel(this);
    LblMessage->setObjectName(QStringLiteral("LblMessage"));
    LblMessage->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    LblMessage->setWordWrap(true);
    LblMessage->hide();
    ScmdChange = new QPushButton(QStringLiteral("변 경"), this);
    ScmdChange->setObjectName(QStringLiteral("ScmdChange"));
    ScmdCancel = new QPushButton(QStringLiteral("취 소"), this);
    ScmdCancel->setObjectName(QStringLiteral("ScmdCancel"));
    ScmdChange->setAutoDefault(false);
    ScmdCancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(spanNow, 0, 0);
    grid->addWidget(TxtNowPassword, 0, 1);
    grid->addWidget(spanNew, 1, 0);
    grid->addWidget(TxtNewPassword, 1, 1);
    grid->addWidget(spanVerify, 2, 0);
    grid->addWidget(TxtNewPasswordVerification, 2, 1);
    grid->setColumnMinimumWidth(0, 140);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ScmdChange);
    buttons->addWidget(ScmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(LblMessage);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(ScmdChange, &QPushButton::clicked, this, &FomPasswordChange::ScmdChange_Click);
    connect(ScmdCancel, &QPushButton::clicked, this, &FomPasswordChange::ScmdCancel_Click);

    auto* behaviour = new ScreenBehaviour(this);
    behaviour->AddField(TxtNowPassword, spanNow);
    behaviour->AddField(TxtNewPassword, spanNew);
    behaviour->AddField(TxtNewPasswordVerification, spanVerify);
    behaviour->SetEnterOnButtonsMovesFocus(true);
    behaviour->SetEscAction([this] { reject(); });
    behaviour->Install();

    // Load: a missing or empty stored password becomes "7391".
    if (const QString problem = EnsureDefaultPassword(); !problem.isEmpty()) {
        LblMessage->setText(problem);
        LblMessage->show();
    }
    TxtNowPassword->setFocus();
}

void FomPasswordChange::fail(const QString& text, QLineEdit* focus) {
    LblMessage->setText(text);
    LblMessage->show();
    focus->setFocus();
}

void FomPasswordChange::ScmdChange_Click() {
    if (TxtNowPassword->text().isEmpty()) {
        return fail(QStringLiteral("현재 패스워드를 입력 하십시요"), TxtNowPassword);
    }
    if (TxtNewPassword->text().isEmpty()) {
        return fail(QStringLiteral("새 패스워드를 입력 하십시요"), TxtNewPassword);
    }
    if (TxtNewPasswordVerification->text().isEmpty()) {
        return fail(QStringLiteral("새 패스워드 확인을 입력 하십시요"), TxtNewPasswordVerification);
    }
    // A store that cannot take the default still compares with "7391"; the
    // failure itself is reported when the new password is stored below.
    (void)EnsureDefaultPassword();
    if (TxtNowPassword->text() != EffectivePassword()) {
        return fail(QStringLiteral("암호가 일치하지 않습니다."), TxtNowPassword);
    }
    if (TxtNewPassword->text() != TxtNewPasswordVerification->text()) {
        return fail(QStringLiteral("새 암호가 서로 일치하지 않습니다."), TxtNewPassword);
    }
    if (const QString failed = StorePassword(TxtNewPassword->text()); !failed.isEmpty()) {
        return fail(QStringLiteral("새 패스워드를 저장하지 못했습니다. ") + failed, TxtNewPassword);
    }
    accept();
}

void FomPasswordChange::ScmdCancel_Click() {
    reject();
}

} // namespace marking::shell
