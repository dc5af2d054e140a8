#include "ScreenTablesCheck.h"
#include "ShellTestSupport.h"

#include "common/MessagePort.h"
#include "common/SharedValues.h"
#include "common/widgets/QtMessagePort.h"
#include "common/widgets/ScreenHost.h"
#include "serial/MainPorts.h"
#include "shell/FomEnd.h"
#include "shell/FomInformation.h"
#include "shell/FomPassword.h"
#include "shell/FomProgramDeveloper.h"
#include "shell/MFomMain.h"
#include "shell/StartUp.h"
#include "store/screen/FomProgramSetting.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>

using namespace marking;
using namespace marking::shell;
using namespace shelltest;

namespace {

// Stand-in for a screen of a later build: counts its load and, like the run
// screen, runs the input-poll timer only while it is shown.
class StandInScreen : public QWidget {
public:
    StandInScreen(QWidget* parent, ScreenId id, bool drivesTimer)
        : QWidget(parent)
        , drivesTimer_(drivesTimer) {
        setObjectName(ScreenName(id));
        ++loads;
    }
    static inline int loads = 0;

protected:
    void showEvent(QShowEvent*) override {
        if (drivesTimer_) {
            Host().SetComCheckEnabled(true);
        }
    }
    void hideEvent(QHideEvent*) override {
        if (drivesTimer_) {
            Host().SetComCheckEnabled(false);
        }
    }

private:
    bool drivesTimer_;
};

// Answers the next modal dialog once it is up.
template <class Dialog, class F> void whenModal(F action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY2(dialog, "the expected dialog is not open");
        action(dialog);
    });
}

struct EndRecorder {
    int ends = 0;
    EndRecorder() {
        SetProgramEndAction([this] { ++ends; });
    }
    ~EndRecorder() { SetProgramEndAction({}); }
};

} // namespace

// Receives the addresses the desktop would open in its browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestMainWindow : public QObject {
    Q_OBJECT

    SettingsDir* settings_ = nullptr;

private slots:
    void initTestCase() {
        settings_ = new SettingsDir;
        RegisterDeliveredScreens();
    }
    void cleanupTestCase() { delete settings_; }
    void init() {
        ResetSharedValues();
        MFomMain::ClearScreenFactory(ScreenId::MarkingStateDisplay);
        MFomMain::ClearScreenFactory(ScreenId::MarkingSetting);
        MFomMain::ClearScreenFactory(ScreenId::MarkingWorkState);
        StandInScreen::loads = 0;
    }

    void startUp_showsInformationFirstAndLocksAdministratorItems() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        Shared().RunScreenActivated = true;
        Shared().MarkingWorkStarted = true;
        MFomMain w;
        QVERIFY(!Shared().RunScreenActivated);
        QVERIFY(!Shared().MarkingWorkStarted);
        QVERIFY(w.Load(false));
        w.show();
        QCOMPARE(w.size(), QSize(1024, 768));
        QVERIFY(w.VisibleScreen());
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
        // The information screen's load hid (and so created) the settings screen.
        QVERIFY(w.ExistingScreen(ScreenId::ProgramSetting));
        QVERIFY(!w.ExistingScreen(ScreenId::ProgramSetting)->isVisibleTo(&w));
        QVERIFY(!w.MnuPasswordChange->isEnabled());
        QVERIFY(!w.MnuProgramSetting->isEnabled());
        QVERIFY(!w.TmrComCheck->isActive());
        QCOMPARE(w.TmrComCheck->interval(), 1000);
        QVERIFY(port.Messages().isEmpty());
        QVERIFY(w.windowTitle() ==
                QStringLiteral("(주)ORVEL 포장기 PIPE AUTO MARKING PROGRAM 'KORU VANT' VER "
                               "2.5.01 알파"));
    }

    void startUp_runScreenOfALaterBuildIsShownThenCovered() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain::SetScreenFactory(ScreenId::MarkingStateDisplay, [](QWidget* p) {
            return new StandInScreen(p, ScreenId::MarkingStateDisplay, true);
        });
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        QCOMPARE(StandInScreen::loads, 1);
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
        QVERIFY(!w.TmrComCheck->isActive());
    }

    void menus_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("menuCaption");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("key");
        QTest::newRow("MnuEnd") << "MnuFile"
                                << "파일"
                                << "MnuEnd"
                                << "프로그램 종료"
                                << "Ctrl+X";
        QTest::newRow("MnuPassword") << "MnuAdministrator"
                                     << "관리자"
                                     << "MnuPassword"
                                     << "패스워드"
                                     << "Ctrl+P";
        QTest::newRow("MnuPasswordChange") << "MnuAdministrator"
                                           << "관리자"
                                           << "MnuPasswordChange"
                                           << "패스워드 변경"
                                           << "Ctrl+C";
        QTest::newRow("MnuProgramSetting") << "MnuSetting"
                                           << "설정"
                                           << "MnuProgramSetting"
                                           << "프로그램 설정"
                                           << "Ctrl+S";
        QTest::newRow("MnuMarkingSetting") << "MnuMarkingWork"
                                           << "마킹 작업"
                                           << "MnuMarkingSetting"
                                           << "마킹 사양 설정"
                                           << "F1";
        QTest::newRow("MnuMarkingWorkState") << "MnuMarkingWork"
                                             << "마킹 작업"
                                             << "MnuMarkingWorkState"
                                             << "마킹 작업 현황"
                                             << "F2";
        QTest::newRow("MnuMarkingStateDisplay") << "MnuMarkingWork"
                                                << "마킹 작업"
                                                << "MnuMarkingStateDisplay"
                                                << "마킹 상태 보기"
                                                << "F3";
        QTest::newRow("MnuWorkReport") << "MnuReport"
                                       << "리포트"
                                       << "MnuWorkReport"
                                       << "작업현황 리포트"
                                       << "Ctrl+R";
        QTest::newRow("MnuProgramInformation") << "MnuInformation"
                                               << "설명"
                                               << "MnuProgramInformation"
                                               << "프로그램 설명"
                                               << "Ctrl+H";
        QTest::newRow("MnuProrgamDeveloper") << "MnuInformation"
                                             << "설명"
                                             << "MnuProrgamDeveloper"
                                             << "Program Developer"
                                             << "Ctrl+D";
    }
    void menus() {
        QFETCH(QString, menu);
        QFETCH(QString, menuCaption);
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QString, key);
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain w;
        auto* m = w.findChild<QMenu*>(menu);
        QVERIFY(m);
        QCOMPARE(m->title(), menuCaption);
        QAction* action = w.findChild<QAction*>(item);
        QVERIFY(action);
        QVERIFY(m->actions().contains(action));
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), QKeySequence(key));
    }

    void menus_inDisplayOrder() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain w;
        QStringList titles;
        for (QAction* a : w.menuBar()->actions()) {
            titles << a->text();
        }
        QCOMPARE(titles, (QStringList{"파일", "관리자", "설정", "마킹 작업", "리포트", "설명"}));
    }

    void switchedOffAndLaterEntries_areGreyed() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain w;
        QVERIFY(w.Load(false));
        QVERIFY(!w.MnuReport->menuAction()->isEnabled());
        QVERIFY(w.MnuReport->menuAction()->isVisible());
        QVERIFY(!w.MnuWorkReport->isEnabled());
        QVERIFY(!w.MnuProrgamDeveloper->isEnabled());
        QVERIFY(w.MnuProrgamDeveloper->isVisible());
        // Screens of later builds.
        QVERIFY(!w.MnuMarkingSetting->isEnabled());
        QVERIFY(!w.MnuMarkingWorkState->isEnabled());
        QVERIFY(!w.MnuMarkingStateDisplay->isEnabled());
        QVERIFY(w.MnuProgramInformation->isEnabled());
        QVERIFY(w.MnuPassword->isEnabled());
        QVERIFY(w.MnuEnd->isEnabled());
    }

    void shortcuts_switchScreens() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain::SetScreenFactory(ScreenId::MarkingStateDisplay, [](QWidget* p) {
            return new StandInScreen(p, ScreenId::MarkingStateDisplay, true);
        });
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.UnlockAdministratorMenus();

        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomProgramSetting"));
        QVERIFY(!w.ExistingScreen(ScreenId::Information)->isVisibleTo(&w));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomMarkingStateDisplay"));
        QVERIFY(w.TmrComCheck->isActive());
        QVERIFY(w.ComCheckEnabled());

        // Leaving the run screen stops the one-second timer.
        QTest::keyClick(&w, Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
        QVERIFY(!w.TmrComCheck->isActive());

        int shown = 0;
        for (ScreenId id :
             {ScreenId::ProgramSetting, ScreenId::MarkingStateDisplay, ScreenId::Information}) {
            shown += w.ExistingScreen(id)->isVisibleTo(&w) ? 1 : 0;
        }
        QCOMPARE(shown, 1);
    }

    void settingsScreen_F10_asksTheExitQuestion() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.UnlockAdministratorMenus();
        w.MnuProgramSetting->trigger();
        auto* settings =
            qobject_cast<store::FomProgramSetting*>(w.ExistingScreen(ScreenId::ProgramSetting));
        QVERIFY(settings);
        // The shown screen has the focus on its first control.
        QVERIFY(settings->isAncestorOf(QApplication::focusWidget()));
        bool asked = false;
        whenModal<FomEnd>([&](FomEnd* d) {
            asked = true;
            QTest::keyClick(d->ScmdCancel, Qt::Key_Escape);
        });
        QTest::keyClick(settings->TxtRevision, Qt::Key_F10);
        QVERIFY(asked);
        QCOMPARE(end.ends, 0);
        QVERIFY(w.isVisible());
    }

    void ctrlC_copiesInTextFieldOpensPasswordChangeElsewhere_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("opens");
        QTest::newRow("text field") << "TxtPipeSide" << false;
        QTest::newRow("list") << "CboPrintControler" << true;
    }
    void ctrlC_copiesInTextFieldOpensPasswordChangeElsewhere() {
        QFETCH(QString, control);
        QFETCH(bool, opens);
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.UnlockAdministratorMenus();
        w.SwitchTo(ScreenId::ProgramSetting);
        auto* target = w.ExistingScreen(ScreenId::ProgramSetting)->findChild<QWidget*>(control);
        target->setFocus();
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened = d->objectName() == QStringLiteral("FomPasswordChange");
                d->reject();
            }
        });
        QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
        QTest::qWait(0);
        QCOMPARE(opened, opens);
    }

    void lockedSettingsShortcut_switchesNothing() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
    }

    void serialPorts_ownedByTheWindowAndInstalled() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        auto w = std::make_unique<MFomMain>();
        QCOMPARE(&Ports(), w->ComPorts);
        QCOMPARE(Ports().ComTRX20.objectName(), QStringLiteral("ComTRX20"));
        QCOMPARE(Ports().ComMASTERK200H.objectName(), QStringLiteral("ComMASTERK200H"));
        // Closing the window releases its ports; the program's set then falls
        // back to one of its own, so nothing is left pointing at them.
        QPointer<MainPorts> owned = w->ComPorts;
        MainPorts other;
        {
            ScopedPorts scoped(&other);
            QCOMPARE(&Ports(), &other);
        }
        QCOMPARE(&Ports(), owned.data()); // the guard put the window's set back
        w.reset();
        QVERIFY(owned.isNull());
        QCOMPARE(Ports().ComTRX20.objectName(), QStringLiteral("ComTRX20"));
    }

    void timerTick_runsTheHandlerAndSignals() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain w;
        int polls = 0;
        Host().SetComCheckHandler([&] { ++polls; });
        QSignalSpy ticks(&w, &MFomMain::ComCheckTick);
        w.TmrComCheck->setInterval(1); // the wiring, not the period
        w.SetComCheckEnabled(true);
        QVERIFY(ticks.wait(5000));
        w.SetComCheckEnabled(false);
        QVERIFY(polls >= 1);
        QCOMPARE(polls, ticks.count());
    }

    void closeBox_answeredNo_keepsRunning() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        AddWork(QStringLiteral("ABC"));
        SetSetting(QStringLiteral("P_MarkingWorkDeleteCheck"), true);
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        bool asked = false;
        whenModal<FomEnd>([&](FomEnd* d) {
            asked = true;
            QCOMPARE(d->windowTitle(), QStringLiteral("프로그램 종료"));
            QTest::mouseClick(d->ScmdCancel, Qt::LeftButton);
        });
        QVERIFY(!w.close());
        QVERIFY(asked);
        QVERIFY(w.isVisible());
        QCOMPARE(end.ends, 0);
        QCOMPARE(port.BeepCount(), 2); // the close, and the dialog's load
        QCOMPARE(WorkCount(), 1);
    }

    void endDialog_escCloses() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        FomEnd d;
        d.show();
        QTest::keyClick(d.ScmdOk, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(end.ends, 0);
    }

    void endDialog_enterOnYesMovesFocus() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        FomEnd d;
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.ScmdOk->setFocus();
        QTest::keyClick(d.ScmdOk, Qt::Key_Return);
        QVERIFY(d.ScmdCancel->hasFocus());
        QCOMPARE(end.ends, 0);
    }

    void exitYes_deletesWorkListOnlyWhenSet_data() {
        QTest::addColumn<bool>("deleteCheck");
        QTest::addColumn<bool>("secondRow");
        QTest::addColumn<int>("remaining");
        QTest::newRow("set") << true << false << 0;
        QTest::newRow("not set") << false << false << 3;
        QTest::newRow("set, but two settings rows") << true << true << 3;
    }
    void exitYes_deletesWorkListOnlyWhenSet() {
        QFETCH(bool, deleteCheck);
        QFETCH(bool, secondRow);
        QFETCH(int, remaining);
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        SetSetting(QStringLiteral("P_MarkingWorkDeleteCheck"), deleteCheck);
        if (secondRow) {
            AddSecondSettingRow();
        }
        AddWork(QStringLiteral("A"));
        AddWork(QStringLiteral("B"));
        AddWork(QStringLiteral("C"));
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        whenModal<FomEnd>([](FomEnd* d) { QTest::mouseClick(d->ScmdOk, Qt::LeftButton); });
        QTest::keyClick(&w, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(end.ends, 1);
        QCOMPARE(WorkCount(), remaining);
        QVERIFY(port.Messages().isEmpty());
    }

    void exitYes_missingDatabase_reportsAndStillEnds() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        QVERIFY(QFile::remove(dir.path() + "/Database.mdb"));
        FomEnd d;
        d.show();
        QTest::mouseClick(d.ScmdOk, Qt::LeftButton);
        QCOMPARE(end.ends, 1);
        QCOMPARE(port.Messages().size(), 1);
        QVERIFY(port.Messages().first().text.contains(QStringLiteral("Database.mdb")));
    }

    void nullCheck_atStart_data() {
        QTest::addColumn<bool>("nullDelete");
        QTest::addColumn<bool>("secondRow");
        QTest::addColumn<int>("remaining");
        QTest::newRow("set: three null rows go") << true << false << 2;
        QTest::newRow("not set: all stay") << false << false << 5;
        QTest::newRow("two settings rows: all stay") << true << true << 5;
    }
    void nullCheck_atStart() {
        QFETCH(bool, nullDelete);
        QFETCH(bool, secondRow);
        QFETCH(int, remaining);
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        SetSetting(QStringLiteral("P_NullRecordDelete"), nullDelete);
        if (secondRow) {
            AddSecondSettingRow();
        }
        AddWork(QStringLiteral("A"));
        AddWork(QVariant());
        AddWork(QVariant());
        AddWork(QVariant());
        AddWork(QString(""));
        MFomMain w;
        QCOMPARE(WorkCount(), remaining);
    }

    void secondInstance_beepsAndEndsWithoutWindowOrQuestion() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        EndRecorder end;
        AddWork(QVariant());
        MFomMain w;
        QCOMPARE(WorkCount(), 0); // the start-up clean-up ran first
        QVERIFY(!w.Load(true));
        QVERIFY(w.IsSecondInstance());
        QVERIFY(!w.isVisible());
        QCOMPARE(port.BeepCount(), 1);
        QVERIFY(port.Questions().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!w.ExistingScreen(ScreenId::Information));
        QCOMPARE(end.ends, 0);
    }

    void missingDatabase_atStart_reportedAndProgramOpens() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        QVERIFY(QFile::remove(dir.path() + "/Database.mdb"));
        MFomMain w;
        QCOMPARE(port.Messages().size(), 1);
        QVERIFY(port.Messages().first().text.contains(QStringLiteral("Database.mdb")));
        QVERIFY(w.Load(false));
        w.show();
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
        QCOMPARE(port.Messages().size(), 1); // reported once at start
        // The settings screen reports it when it is used.
        w.UnlockAdministratorMenus();
        w.MnuProgramSetting->trigger();
        QTRY_COMPARE(port.Messages().size(), 2);
        QVERIFY(port.Messages().last().text.contains(QStringLiteral("Database.mdb")));
    }

    void unreadableDatabase_atStart_reported() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        QFile file(dir.path() + "/Database.mdb");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("this is not a database at all, just some bytes of text");
        file.close();
        MFomMain w;
        QCOMPARE(port.Messages().size(), 1);
        QVERIFY(port.Messages().first().text.contains(QStringLiteral("Database.mdb")));
        QVERIFY(w.Load(false));
    }

    void information_writesBannerPageAtEveryActivation() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                        "Marking Program");
            s.setValue("Information/SupplierPhone", "031-123-4567");
            s.setValue("Information/SupplierWeb", "www.supplier.test");
        }
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        auto* info = qobject_cast<FomInformation*>(w.ExistingScreen(ScreenId::Information));
        QVERIFY(info);
        const QString path = dir.path() + "/WebActive.htm";
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray page = file.readAll();
        file.close();
        QVERIFY(page.endsWith("\r\n"));
        QCOMPARE(page.count("\r\n"), 6);
        QCOMPARE(page.count('\n'), 6);
        const QList<QByteArray> lines = page.left(page.size() - 2).split('\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QByteArray("<html>\r"));
        QCOMPARE(lines[1], QByteArray("<font color=  16711680 >\r"));
        QCOMPARE(lines[2], QByteArray("<body topmargin=1>\r"));
        QVERIFY(lines[3].contains("031-123-4567"));
        QVERIFY(lines[3].contains("www.supplier.test"));
        QCOMPARE(lines[4], QByteArray("</body>\r"));
        QCOMPARE(lines[5], QByteArray("</html>"));
        QCOMPARE(info->WebInformation->source(), QUrl::fromLocalFile(path));
        QVERIFY(info->WebInformation->toPlainText().contains("031-123-4567"));

        // Every activation writes it again.
        const int before = info->ActivationCount();
        QVERIFY(QFile::remove(path));
        w.UnlockAdministratorMenus();
        w.SwitchTo(ScreenId::ProgramSetting);
        w.SwitchTo(ScreenId::Information);
        QCOMPARE(info->ActivationCount(), before + 1);
        QVERIFY(QFile::exists(path));
    }

    void information_bannerUnwritable_reportedOnceTheWindowIsUp_data() {
        QTest::addColumn<bool>("messageBox"); // the Qt port, with its nested event loop
        QTest::newRow("scripted port") << false;
        QTest::newRow("message box") << true;
    }
    void information_bannerUnwritable_reportedOnceTheWindowIsUp() {
        QFETCH(bool, messageBox);
        ProgramDir dir;
        QVERIFY(QDir(dir.path()).mkdir("WebActive.htm"));
        ScriptedMessagePort scripted;
        QtMessagePort qt;
        ScopedMessagePort guard(messageBox ? static_cast<MessagePort*>(&qt) : &scripted);
        QStringList shown;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << box->text();
                box->accept();
            }
        });
        closer.start(10);
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        // Nothing was shown from inside the window's first show.
        QVERIFY(shown.isEmpty());
        QVERIFY(scripted.Messages().isEmpty());
        if (messageBox) {
            QTRY_COMPARE(shown.size(), 1);
        } else {
            QTRY_COMPARE(scripted.Messages().size(), 1);
            shown << scripted.Messages()[0].text;
        }
        QVERIFY2(shown[0].contains("WebActive.htm"), qPrintable(shown[0]));
        QVERIFY(w.isVisible());
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomInformation"));
    }

    void tables_matchTheExitAndInformationScreens() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        FomEnd end;
        end.show();
        end.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&end));
        screentest::CheckScreenTables(end.Form());
        FomInformation info;
        info.show();
        info.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&info));
        screentest::CheckScreenTables(info.Form());
    }

    void information_ok_showsMarkingSettingScreen() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        MFomMain::SetScreenFactory(ScreenId::MarkingSetting, [](QWidget* p) {
            return new StandInScreen(p, ScreenId::MarkingSetting, false);
        });
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        auto* info = qobject_cast<FomInformation*>(w.ExistingScreen(ScreenId::Information));
        QTest::mouseClick(info->ScmdOK, Qt::LeftButton);
        QVERIFY(!info->isVisibleTo(&w));
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomMarkingSetting"));
    }

    void deliveredScreens_F1F2AndInformationOk() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        RegisterDeliveredScreens();
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* info = qobject_cast<FomInformation*>(w.ExistingScreen(ScreenId::Information));
        // The keys of the three delivered marking screens are offered.
        const QString keys = info->LblProgram->text();
        QVERIFY(keys.contains("[F1]") && keys.contains("[F2]") && keys.contains("[F3]"));
        QVERIFY(w.MnuMarkingSetting->isEnabled() && w.MnuMarkingWorkState->isEnabled());
        // OK: the marking settings screen, with the keys in it.
        QTest::mouseClick(info->ScmdOK, Qt::LeftButton);
        QWidget* setting = w.ExistingScreen(ScreenId::MarkingSetting);
        QCOMPARE(w.VisibleScreen(), setting);
        QTRY_VERIFY(setting->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QCOMPARE(w.VisibleScreen()->objectName(), QStringLiteral("FomMarkingWorkState"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QCOMPARE(w.VisibleScreen(), setting);
        // Only the run screen's start-up speaks (this machine has no board and
        // no serial ports); switching screens says nothing.
        for (const auto& m : port.Messages())
            QVERIFY2(m.text.contains("Data I/O device") || m.title == QStringLiteral("통신에러!"),
                     qPrintable(m.text));
    }

    void information_picture_opensCustomerWeb() {
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        {
            QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Marking Program",
                        "Marking Program");
            s.setValue("Information/CustomerWeb", "https://customer.test/station");
        }
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        FomInformation info;
        QTest::mouseClick(info.Picture3, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl("https://customer.test/station")});
    }

    void passwordMenu_correctPasswordUnlocks_escLeavesLocked_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("esc");
        QTest::addColumn<bool>("unlocked");
        QTest::newRow("default password") << "7391" << false << true;
        QTest::newRow("wrong password") << "7392" << false << false;
        QTest::newRow("escape") << "7391" << true << false;
    }
    void passwordMenu_correctPasswordUnlocks_escLeavesLocked() {
        QFETCH(QString, typed);
        QFETCH(bool, esc);
        QFETCH(bool, unlocked);
        ProgramDir dir;
        ScriptedMessagePort port;
        ScopedMessagePort guard(&port);
        QFile::remove(settings_->file());
        MFomMain w;
        QVERIFY(w.Load(false));
        w.show();
        whenModal<FomPassword>([&](FomPassword* d) {
            QTest::keyClicks(d->TxtPassword, typed);
            if (esc) {
                QTest::keyClick(d->TxtPassword, Qt::Key_Escape);
            } else {
                QTest::mouseClick(d->ScmdOk, Qt::LeftButton);
            }
            if (d->isVisible()) {
                d->reject();
            }
        });
        w.MnuPassword->trigger();
        QCOMPARE(w.MnuProgramSetting->isEnabled(), unlocked);
        QCOMPARE(w.MnuPasswordChange->isEnabled(), unlocked);
    }

    void developerDialog_showsVersionAndCloses() {
        FomProgramDeveloper d;
        QCOMPARE(d.windowTitle(), QStringLiteral("Program Developer"));
        auto* version = d.findChild<QLabel*>("LblVersion");
        QVERIFY(version);
        QCOMPARE(version->text(), QStringLiteral("KORU VANT Ver 2.5.01 알파"));
        QCOMPARE(d.ScmdEnter->text(), QStringLiteral("Enter"));
        d.show();
        QTest::mouseClick(d.ScmdEnter, Qt::LeftButton);
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
