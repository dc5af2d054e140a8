#include "shell/MFomMain.h"

#include "common/MessagePort.h"
#include "common/SettingsStore.h"
#include "common/SharedValues.h"
#include "common/widgets/Modal.h"
#include "common/widgets/ScreenBehaviour.h"
#include "serial/MainPorts.h"
#include "shell/FomEnd.h"
#include "shell/FomPassword.h"
#include "shell/FomPasswordChange.h"
#include "shell/FomProgramDeveloper.h"
#include "store/BulkDelete.h"
#include "store/ModProgramSettingData.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>
#include <map>

namespace marking::shell {

namespace {
std::map<int, MFomMain::ScreenFactory>& factories() {
    static std::map<int, MFomMain::ScreenFactory> table;
    return table;
}

// The working screens every switch hides (all but its target).
constexpr ScreenId kSwitchedScreens[] = {
    ScreenId::ProgramSetting,      ScreenId::MarkingSetting, ScreenId::MarkingWorkState,
    ScreenId::MarkingStateDisplay, ScreenId::Information,    ScreenId::WorkReport,
};
} // namespace

void MFomMain::SetScreenFactory(ScreenId id, ScreenFactory factory) {
    factories()[static_cast<int>(id)] = std::move(factory);
}

void MFomMain::ClearScreenFactory(ScreenId id) {
    factories().erase(static_cast<int>(id));
}

bool MFomMain::HasScreenFactory(ScreenId id) {
    const auto it = factories().find(static_cast<int>(id));
    return it != factories().end() && it->second;
}

MFomMain::MFomMain(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("MFomMain"));
    setWindowTitle(
        QStringLiteral("(주)ORVEL 포장기 PIPE AUTO MARKING PROGRAM 'KORU VANT' VER 2.5.01 알파"));

    // The working screens are children of one area filling the client area.
    // A screen loads at 1024 x 768; the area then fits it to the room the
    // window has (no scroll bars, the buttons along the bottom stay in view).
    screenArea_ = new QWidget(this);
    screenArea_->setObjectName(QStringLiteral("ScreenArea"));
    screenArea_->installEventFilter(this);
    setCentralWidget(screenArea_);

    QMenuBar* bar = menuBar();
    MnuFile = bar->addMenu(QStringLiteral("파일"));
    MnuFile->setObjectName(QStringLiteral("MnuFile"));
    MnuEnd = addItem(MnuFile, QStringLiteral("MnuEnd"), QStringLiteral("프로그램 종료"),
                     QKeySequence(Qt::CTRL | Qt::Key_X));
    MnuAdministrator = bar->addMenu(QStringLiteral("관리자"));
    MnuAdministrator->setObjectName(QStringLiteral("MnuAdministrator"));
    MnuPassword = addItem(MnuAdministrator, QStringLiteral("MnuPassword"),
                          QStringLiteral("패스워드"), QKeySequence(Qt::CTRL | Qt::Key_P));
    MnuPasswordChange =
        addItem(MnuAdministrator, QStringLiteral("MnuPasswordChange"),
                QStringLiteral("패스워드 변경"), QKeySequence(Qt::CTRL | Qt::Key_C));
    MnuSetting = bar->addMenu(QStringLiteral("설정"));
    MnuSetting->setObjectName(QStringLiteral("MnuSetting"));
    MnuProgramSetting =
        addItem(MnuSetting, QStringLiteral("MnuProgramSetting"), QStringLiteral("프로그램 설정"),
                QKeySequence(Qt::CTRL | Qt::Key_S));
    MnuMarkingWork = bar->addMenu(QStringLiteral("마킹 작업"));
    MnuMarkingWork->setObjectName(QStringLiteral("MnuMarkingWork"));
    MnuMarkingSetting = addItem(MnuMarkingWork, QStringLiteral("MnuMarkingSetting"),
                                QStringLiteral("마킹 사양 설정"), QKeySequence(Qt::Key_F1));
    MnuMarkingWorkState = addItem(MnuMarkingWork, QStringLiteral("MnuMarkingWorkState"),
                                  QStringLiteral("마킹 작업 현황"), QKeySequence(Qt::Key_F2));
    MnuMarkingStateDisplay = addItem(MnuMarkingWork, QStringLiteral("MnuMarkingStateDisplay"),
                                     QStringLiteral("마킹 상태 보기"), QKeySequence(Qt::Key_F3));
    MnuReport = bar->addMenu(QStringLiteral("리포트"));
    MnuReport->setObjectName(QStringLiteral("MnuReport"));
    MnuWorkReport = addItem(MnuReport, QStringLiteral("MnuWorkReport"),
                            QStringLiteral("작업현황 리포트"), QKeySequence(Qt::CTRL | Qt::Key_R));
    MnuInformation = bar->addMenu(QStringLiteral("설명"));
    MnuInformation->setObjectName(QStringLiteral("MnuInformation"));
    MnuProgramInformation =
        addItem(MnuInformation, QStringLiteral("MnuProgramInformation"),
                QStringLiteral("프로그램 설명"), QKeySequence(Qt::CTRL | Qt::Key_H));
    MnuProrgamDeveloper =
        addItem(MnuInformation, QStringLiteral("MnuProrgamDeveloper"),
                QStringLiteral("Program Developer"), QKeySequence(Qt::CTRL | Qt::Key_D));

    connect(MnuEnd, &QAction::triggered, this, &MFomMain::ShowEndDialog);
    connect(MnuPassword, &QAction::triggered, this, &MFomMain::showPassword);
    connect(MnuPasswordChange, &QAction::triggered, this, &MFomMain::showPasswordChange);
    connect(MnuProrgamDeveloper, &QAction::triggered, this, &MFomMain::showDeveloper);
    addSwitch(MnuProgramSetting, ScreenId::ProgramSetting);
    addSwitch(MnuMarkingSetting, ScreenId::MarkingSetting);
    addSwitch(MnuMarkingWorkState, ScreenId::MarkingWorkState);
    addSwitch(MnuMarkingStateDisplay, ScreenId::MarkingStateDisplay);
    addSwitch(MnuWorkReport, ScreenId::WorkReport);
    addSwitch(MnuProgramInformation, ScreenId::Information);

    // Switched off in the window's design and shown greyed; the installation's
    // work report option switches the report menu on.
    const bool workReport = WorkReportOptionEnabled();
    MnuReport->menuAction()->setEnabled(workReport);
    MnuWorkReport->setEnabled(workReport && HasScreenFactory(ScreenId::WorkReport));
    MnuProrgamDeveloper->setEnabled(false);

    TmrComCheck = new QTimer(this);
    TmrComCheck->setObjectName(QStringLiteral("TmrComCheck"));
    TmrComCheck->setInterval(1000);
    connect(TmrComCheck, &QTimer::timeout, this, &MFomMain::TmrComCheck_Timer);

    ComPorts = new MainPorts(this);
    SetPorts(ComPorts);
    SetScreenHost(this);

    // Initialisation (also in a second instance).
    Shared().RunScreenActivated = false;
    Shared().MarkingWorkStarted = false;
    FunMarkingWorkDatabaseNullCheck();
    TmrComCheck->stop();
}

MFomMain::~MFomMain() {
    TmrComCheck->stop();
    if (&Host() == this) {
        SetScreenHost(nullptr);
    }
    if (&Ports() == ComPorts) {
        SetPorts(nullptr);
    }
}

QAction* MFomMain::addItem(QMenu* menu, const QString& name, const QString& caption,
                           const QKeySequence& key) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setShortcut(key);
    // The keys work on every screen of the window.
    item->setShortcutContext(Qt::WindowShortcut);
    addAction(item);
    return item;
}

void MFomMain::addSwitch(QAction* item, ScreenId id) {
    connect(item, &QAction::triggered, this, [this, id] { SwitchTo(id); });
    // A screen that arrives with a later build stays listed, greyed.
    if (!HasScreenFactory(id)) {
        item->setEnabled(false);
    }
}

bool MFomMain::Load(bool otherInstanceRunning) {
    if (otherInstanceRunning) {
        secondInstance_ = true;
        close();
        return false;
    }
    resize(kScreenWidth, kScreenHeight);
    if (HasScreenFactory(ScreenId::MarkingStateDisplay)) {
        ShowScreen(ScreenId::MarkingStateDisplay);
    }
    ShowScreen(ScreenId::Information);
    // The information screen's load hides the run screen; when the run
    // screen's own load made the information screen first, that load is
    // over, and the run screen is hidden here.
    HideScreen(ScreenId::MarkingStateDisplay);
    MnuPasswordChange->setEnabled(false);
    MnuProgramSetting->setEnabled(false);
    return true;
}

void MFomMain::FunMarkingWorkDatabaseNullCheck() {
    const auto flag = store::ReadNullRecordDelete();
    if (!flag.ok()) {
        store::ShowStoreError(flag.error());
        return;
    }
    if (flag.value().value_or(false)) {
        (void)ModMarkingWorkDatabaseNullRecordDelete().ReportIfFailed();
    }
}

QWidget* MFomMain::ExistingScreen(ScreenId id) const {
    return screens_.value(static_cast<int>(id)).data();
}

QWidget* MFomMain::VisibleScreen() const {
    for (const auto& screen : screens_) {
        if (screen && screen->isVisibleTo(screenArea_)) {
            return screen;
        }
    }
    return nullptr;
}

QWidget* MFomMain::Screen(ScreenId id) {
    const int key = static_cast<int>(id);
    if (QWidget* existing = screens_.value(key)) {
        return existing;
    }
    if (creating_.contains(key) || !HasScreenFactory(id)) {
        return nullptr;
    }
    creating_.insert(key);
    QWidget* screen = factories()[key](screenArea_);
    creating_.remove(key);
    if (!screen) {
        return nullptr;
    }
    if (screen->parentWidget() != screenArea_) {
        screen->setParent(screenArea_);
    }
    screen->move(0, 0);
    screen->resize(screenArea_->size());
    screen->hide();
    screens_.insert(key, screen);
    return screen;
}

void MFomMain::ShowScreen(ScreenId id) {
    if (QWidget* screen = Screen(id)) {
        screen->show();
        screen->raise();
    }
}

void MFomMain::HideScreen(ScreenId id) {
    if (QWidget* screen = Screen(id)) {
        screen->hide();
    }
}

void MFomMain::SwitchTo(ScreenId id) {
    QWidget* target = Screen(id);
    if (!target) {
        return;
    }
    target->show();
    if (id != ScreenId::Information && id != ScreenId::WorkReport) {
        target->raise();
    }
    for (ScreenId other : kSwitchedScreens) {
        if (other != id) {
            HideScreen(other);
        }
    }
    // The shown screen takes the keys: the focus goes to its first control.
    if (target->isVisible() && !target->isAncestorOf(QApplication::focusWidget())) {
        QWidget* first = ScreenBehaviour::NextInTabOrder(target);
        if (first && target->isAncestorOf(first)) {
            first->setFocus(Qt::OtherFocusReason);
        } else {
            target->setFocus(Qt::OtherFocusReason);
        }
    }
}

void MFomMain::ShowEndDialog() {
    FomEnd dialog(this);
    RunModal(dialog);
}

void MFomMain::showPassword() {
    FomPassword dialog(this);
    connect(&dialog, &FomPassword::PasswordAccepted, this, &MFomMain::UnlockAdministratorMenus);
    RunModal(dialog);
}

void MFomMain::showPasswordChange() {
    FomPasswordChange dialog(this);
    RunModal(dialog);
}

void MFomMain::showDeveloper() {
    FomProgramDeveloper dialog(this);
    RunModal(dialog);
}

void MFomMain::UnlockAdministratorMenus() {
    administratorUnlocked_ = true;
    MnuPasswordChange->setEnabled(true);
    MnuProgramSetting->setEnabled(HasScreenFactory(ScreenId::ProgramSetting));
}

void MFomMain::SetComCheckEnabled(bool enabled) {
    if (enabled) {
        TmrComCheck->start();
    } else {
        TmrComCheck->stop();
    }
}

bool MFomMain::ComCheckEnabled() const {
    return TmrComCheck->isActive();
}

void MFomMain::SetComCheckHandler(std::function<void()> handler) {
    comCheckHandler_ = std::move(handler);
}

void MFomMain::TmrComCheck_Timer() {
    if (comCheckHandler_) {
        comCheckHandler_();
    }
    emit ComCheckTick();
}

bool MFomMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == screenArea_ && event->type() == QEvent::Resize) {
        for (const auto& screen : std::as_const(screens_)) {
            if (screen) {
                screen->resize(screenArea_->size());
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MFomMain::closeEvent(QCloseEvent* event) {
    Messages().Beep();
    if (secondInstance_) {
        event->accept();
        return;
    }
    event->ignore();
    ShowEndDialog();
}

} // namespace marking::shell
