#include "shell/FomEnd.h"

#include "common/MessagePort.h"
#include "common/widgets/ScreenBehaviour.h"
#include "store/BulkDelete.h"
#include "store/ModProgramSettingData.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace marking::shell {

namespace {
std::function<void()>& endAction() {
    static std::function<void()> action;
    return action;
}
} // namespace

void SetProgramEndAction(std::function<void()> action) {
    endAction() = std::move(action);
}

void EndProgram() {
    if (endAction()) {
        endAction()();
    } else {
        QCoreApplication::exit(0);
    }
}

FomEnd::FomEnd(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FomEnd"));
    setWindowTitle(QStringLiteral("프로그램 종료"));
    setModal(true);

    auto* text = new QLabel(QStringLiteral("프로그램을 종료하시겠습니까?"), this);
    QFont font = text->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    text->setFont(font);
    text->setAlignment(Qt::AlignCenter);
    ScmdOk = new QPushButton(QStringLiteral("예"), this);
    ScmdOk->setObjectName(QStringLiteral("ScmdOk"));
    ScmdCancel = new QPushButton(QStringLiteral("아니오"), this);
    ScmdCancel->setObjectName(QStringLiteral("ScmdCancel"));
    ScmdOk->setAutoDefault(false);
    ScmdCancel->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ScmdOk);
    buttons->addWidget(ScmdCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(12);
    layout->addWidget(text);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setMinimumWidth(340);

    connect(ScmdOk, &QPushButton::clicked, this, &FomEnd::ScmdOk_Click);
    connect(ScmdCancel, &QPushButton::clicked, this, &FomEnd::ScmdCancel_Click);

    auto* behaviour = new ScreenBehaviour(this);
    behaviour->AddEnterMovesFocus(ScmdOk);
    behaviour->SetEscAction([this] { ScmdCancel_Click(); });
    behaviour->Install();

    ScmdOk->setFocus();
    Messages().Beep();
}

void FomEnd::ScmdOk_Click() {
    // The work list goes when the settings ask for it. A failure is shown;
    // the program still ends, as the operator asked (the list stays whole:
    // the deletion is all or nothing).
    const auto check = store::ReadMarkingWorkDeleteCheck();
    if (!check.ok()) {
        store::ShowStoreError(check.error());
    } else if (check.value().value_or(false)) {
        (void)ModMarkingWorkAllDelete().ReportIfFailed();
    }
    accept();
    EndProgram();
}

void FomEnd::ScmdCancel_Click() {
    reject();
}

} // namespace marking::shell
