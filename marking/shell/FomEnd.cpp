#include "shell/FomEnd.h"

#include "common/MessagePort.h"
#include "common/widgets/ScreenSpec.h"
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
    form_ = new ScreenForm(this, {.buttons = {{.name = "ScmdOk",
                                               .caption = "예",
                                               .onClick = [this] { ScmdOk_Click(); },
                                               .enterMovesFocus = true},
                                              {.name = "ScmdCancel",
                                               .caption = "아니오",
                                               .onClick = [this] { ScmdCancel_Click(); },
                                               .enterClicks = true}},
                                  .onEsc = [this] { ScmdCancel_Click(); }});
    ScmdOk = form_->Button(QStringLiteral("ScmdOk"));
    ScmdCancel = form_->Button(QStringLiteral("ScmdCancel"));

    QHBoxLayout* buttons = form_->ButtonRow();
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(12);
    layout->addWidget(text);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setMinimumWidth(340);

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
