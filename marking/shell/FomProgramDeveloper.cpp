#include "shell/FomProgramDeveloper.h"

#include "common/widgets/ScreenSpec.h"
#include "shell/Pictures.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace marking::shell {

FomProgramDeveloper::FomProgramDeveloper(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FomProgramDeveloper"));
    setWindowTitle(QStringLiteral("Program Developer"));
    setModal(true);

    auto* version = new QLabel(QStringLiteral("KORU VANT Ver 2.5.01 알파"), this);
    version->setObjectName(QStringLiteral("LblVersion"));
    QFont font = version->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    version->setFont(font);
    version->setAlignment(Qt::AlignCenter);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(ProgramPicture(320, 160));
    picture->setAlignment(Qt::AlignCenter);
    auto* team = new QLabel(QStringLiteral("(주)ORVEL 자동화 소프트웨어 개발팀"), this);
    team->setObjectName(QStringLiteral("LblTeam"));
    team->setAlignment(Qt::AlignCenter);
    auto* form = new ScreenForm(
        this,
        {.buttons = {{.name = "ScmdEnter", .caption = "Enter", .onClick = [this] { accept(); }}},
         .onEsc = [this] { reject(); }});
    ScmdEnter = form->Button(QStringLiteral("ScmdEnter"));

    QHBoxLayout* buttons = form->ButtonRow();
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(version);
    layout->addWidget(picture);
    layout->addWidget(team);
    layout->addLayout(buttons);
}

} // namespace marking::shell
