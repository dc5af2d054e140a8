#include "shell/StartUp.h"

#include "central/Sender.h"
#include "common/MessagePort.h"
#include "common/ProgramDirectory.h"
#include "common/widgets/QtMessagePort.h"
#include "controllers/letters/FomHVL5SpecialLetter.h"
#include "controllers/letters/SpecialLetterPalette.h"
#include "report/screen/FomWorkReport.h"
#include "run/screen/FomMarkingStateDisplay.h"
#include "shell/FomEnd.h"
#include "shell/FomInformation.h"
#include "shell/FomPassword.h"
#include "shell/FomPasswordChange.h"
#include "shell/FomProgramDeveloper.h"
#include "shell/MFomMain.h"
#include "shell/SingleInstance.h"
#include "store/screen/FomProgramSetting.h"
#include "work/screens/FomMarkingSetting.h"
#include "work/screens/FomMarkingWorkState.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <cstdio>

namespace marking::shell {

void RegisterDeliveredScreens() {
    MFomMain::SetScreenFactory(ScreenId::Information,
                               [](QWidget* parent) { return new FomInformation(parent); });
    MFomMain::SetScreenFactory(ScreenId::ProgramSetting, [](QWidget* parent) {
        return new store::FomProgramSetting(parent);
    });
    MFomMain::SetScreenFactory(ScreenId::WorkReport,
                               [](QWidget* p) { return new report::FomWorkReport(p); });
    MFomMain::SetScreenFactory(ScreenId::MarkingSetting,
                               [](QWidget* parent) { return new work::FomMarkingSetting(parent); });
    MFomMain::SetScreenFactory(ScreenId::MarkingWorkState, [](QWidget* parent) {
        return new work::FomMarkingWorkState(parent);
    });
    MFomMain::SetScreenFactory(ScreenId::MarkingStateDisplay, [](QWidget* parent) {
        return new run::FomMarkingStateDisplay(parent);
    });
}

namespace {

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

bool save(QWidget* widget, const QString& dir, const QString& name) {
    QApplication::processEvents();
    const QString path = dir + u'/' + name + QStringLiteral(".png");
    const bool ok = widget->grab().save(path);
    std::fprintf(stdout, "%s %s\n", ok ? "saved" : "failed", qPrintable(path));
    return ok;
}

// Saves every screen of this build and every dialog. Questions a screen asks
// on the way (the run screen's start question) are answered No.
int takeScreenshots(MFomMain& window, const QString& dir) {
    ScriptedMessagePort answersNo;
    ScopedMessagePort guard(&answersNo);
    QDir().mkpath(dir);
    int failures = 0;
    for (ScreenId id :
         {ScreenId::Information, ScreenId::ProgramSetting, ScreenId::MarkingSetting,
          ScreenId::MarkingWorkState, ScreenId::MarkingStateDisplay, ScreenId::WorkReport}) {
        if (!MFomMain::HasScreenFactory(id)) {
            continue;
        }
        window.SwitchTo(id);
        if (auto* banner = window.findChild<QTextBrowser*>(QStringLiteral("WebInformation"))) {
            // The banner part-way across, so that its text is in the picture.
            QApplication::processEvents();
            banner->horizontalScrollBar()->setValue(banner->viewport()->width() - 40);
        }
        failures += save(&window, dir, ScreenName(id)) ? 0 : 1;
    }
    window.SwitchTo(ScreenId::Information);
    auto dialog = [&](QDialog* d) {
        d->show();
        failures += save(d, dir, d->objectName()) ? 0 : 1;
        d->hide();
        delete d;
    };
    dialog(new FomEnd(&window));
    dialog(new FomPassword(&window));
    dialog(new FomPasswordChange(&window));
    dialog(new FomProgramDeveloper(&window));
    dialog(new letters::SpecialLetterPalette(*letters::PaletteOf(SpecialLetterEditor::Trx20),
                                             &window));
    dialog(new letters::FomHVL5SpecialLetter(&window));
    return failures == 0 ? 0 : 1;
}

} // namespace

int RunMarkingProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marking"));
    SetProgramDirectory(QCoreApplication::applicationDirPath());
    QtMessagePort port;
    SetMessagePort(&port);
    RegisterDeliveredScreens();
    // Delivers finished work to the plant's archive when it is configured.
    central::StartCentralReporting(ProgramDirectory());

    const QString screenshotDir = qEnvironmentVariable("MARKING_SCREENSHOT_DIR");
    const bool exitAfterShow = qEnvironmentVariableIsSet("MARKING_EXIT_AFTER_SHOW");

    // Initialisation runs in every instance (the start-up clean-up included).
    MFomMain window;
    SingleInstanceLock lock;
    const bool acquired = lock.TryAcquire();
    if (!acquired && !lock.Problem().isEmpty()) {
        // The lock cannot be made at all: say so and run without it.
        Messages().ShowMessage(lock.Problem(), QStringLiteral("확인!"));
    }
    if (!window.Load(!acquired && lock.OtherInstanceRunning())) {
        SetMessagePort(nullptr);
        return 0;
    }
    window.show();
    // Without a window manager (a station running the program alone on X)
    // nothing else gives the new window the keyboard.
    window.activateWindow();

    if (!screenshotDir.isEmpty()) {
        const int code = takeScreenshots(window, screenshotDir);
        SetMessagePort(nullptr);
        return code;
    }
    if (exitAfterShow) {
        QTimer::singleShot(0, &app, [] {
            std::fprintf(stdout, "shown rss_kb=%ld\n", residentKilobytes());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    const int code = app.exec();
    SetMessagePort(nullptr);
    return code;
}

} // namespace marking::shell
