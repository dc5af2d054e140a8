#include "shell/FomPassword.h"

#include "common/MessagePort.h"
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

FomPassword::FomPassword(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FomPassword"));
    setWindowTitle(QStringLiteral("패스워드"));
    setModal(true);

    auto* intro = new QLabel(QStringLiteral("◈ 패스워드를 입력하십시오"), this);
    auto* panel =
        NewCaptionPanel(QStringLiteral("패스워드 :"), this, QStringLiteral("SpanPassword"));
    panel->setMinimumWidth(110);
    TxtPassword = new QLineEdit(this);
    TxtPassword->setObjectName(QStringLiteral("TxtPassword"));
    ShowPasswordAsStars(TxtPassword);
    LblPasswordMessage = new QLabel(this);
    LblPasswordMessage->setObjectName(QStringLiteral("LblPasswordMessage"));
    LblPasswordMessage->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    LblPasswordMessage->setWordWrap(true);
    LblPasswordMessage->hide();
    ScmdOk = new QPushButton(QStringLiteral("확 인"), this);
    ScmdOk->setObjectName(QStringLiteral("ScmdOk"));
    ScmdCancel = new QPushButton(QStringLiteral("취 소"), this);
    ScmdCancel->setObjectName(QStringLiteral("ScmdCancel"));
    ScmdOk->setAutoDefault(false);
    ScmdCancel->setAutoDefault(false);

    auto* field = new QHBoxLayout;
    field->addWidget(panel);
    field->addWidget(TxtPassword, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ScmdOk);
    buttons->addWidget(ScmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(field);
    layout->addWidget(LblPasswordMessage);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(ScmdOk, &QPushButton::clicked, this, &FomPassword::ScmdOk_Click);
    connect(ScmdCancel, &QPushButton::clicked, this, &FomPassword::ScmdCancel_Click);

    behaviour_ = new ScreenBehaviour(this);
    behaviour_->AddField(TxtPassword, panel);
    behaviour_->SetEnterOnButtonsMovesFocus(true);
    behaviour_->SetEscAction([this] { reject(); });
    behaviour_->Install();

    // Load: a missing or empty stored password becomes "7391".
    if (const QString problem = EnsureDefaultPassword(); !problem.isEmpty()) {
        LblPasswordMessage->setText(problem);
        LblPasswordMessage->show();
    }
    TxtPassword->clear();
    TxtPassword->setFocus();
}

void FomPassword::ScmdOk_Click() {
    if (TxtPassword->text() != EffectivePassword()) {
        Messages().Beep();
        LblPasswordMessage->setText(QStringLiteral("패스워드가 정확하지 않습니다."));
        LblPasswordMessage->show();
        TxtPassword->clear();
        TxtPassword->setFocus();
        return;
    }
    emit PasswordAccepted();
    accept();
}

void FomPassword::ScmdCancel_Click() {
    reject();
}

} // namespace marking::shell
