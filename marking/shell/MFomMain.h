#pragma once

#include "common/widgets/ScreenHost.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <functional>

class QAction;
class QMenu;
class QTimer;

namespace marking {
class MainPorts;
}

namespace marking::shell {

// The main window: menus, the working screens as its children, the exit rule
// and the one-second input-poll timer.
class MFomMain : public QMainWindow, public ScreenHost {
    Q_OBJECT
public:
    // Creates a working screen as a child of parent (the screen area).
    using ScreenFactory = std::function<QWidget*(QWidget* parent)>;

    // The screens this build has. A menu entry whose screen has no factory
    // stays in the menu, greyed.
    static void SetScreenFactory(ScreenId id, ScreenFactory factory);
    static void ClearScreenFactory(ScreenId id);
    static bool HasScreenFactory(ScreenId id);

    // Initialisation: clears the run-screen flags, runs the start-up check of
    // the work list and leaves TmrComCheck disabled. Installs itself as the
    // screen host.
    explicit MFomMain(QWidget* parent = nullptr);
    ~MFomMain() override;

    // Load. otherInstanceRunning: set the second-instance flag and close at
    // once (a beep, no question); returns false then. Otherwise sizes the
    // window, shows the run screen and the information screen, locks the
    // password-gated menu items and returns true. The caller shows the window.
    bool Load(bool otherInstanceRunning);

    // The start-up check: with exactly one ProgramSetting row whose
    // P_NullRecordDelete is set, removes the work rows without data.
    void FunMarkingWorkDatabaseNullCheck();

    // Switching rule of the menu items.
    void SwitchTo(ScreenId id);
    // The screen when it was created already, else nullptr (creates nothing).
    QWidget* ExistingScreen(ScreenId id) const;
    // The screen that is shown now (nullptr: none).
    QWidget* VisibleScreen() const;

    bool IsSecondInstance() const { return secondInstance_; }

    // ScreenHost
    QWidget* Screen(ScreenId id) override;
    void ShowScreen(ScreenId id) override;
    void HideScreen(ScreenId id) override;
    void ShowEndDialog() override;
    void SetComCheckEnabled(bool enabled) override;
    bool ComCheckEnabled() const override;
    void SetComCheckHandler(std::function<void()> handler) override;

    void TmrComCheck_Timer();
    // Unlocks MnuPasswordChange and MnuProgramSetting (a correct password).
    void UnlockAdministratorMenus();

    QMenu* MnuFile;
    QMenu* MnuAdministrator;
    QMenu* MnuSetting;
    QMenu* MnuMarkingWork;
    QMenu* MnuReport;
    QMenu* MnuInformation;
    QAction* MnuEnd;
    QAction* MnuPassword;
    QAction* MnuPasswordChange;
    QAction* MnuProgramSetting;
    QAction* MnuMarkingSetting;
    QAction* MnuMarkingWorkState;
    QAction* MnuMarkingStateDisplay;
    QAction* MnuWorkReport;
    QAction* MnuProgramInformation;
    QAction* MnuProrgamDeveloper;
    QTimer* TmrComCheck;
    // ComTRX20, ComHVL5, ComTRX30, ComYNS7, ComMASTERK200H: owned here for the
    // window's life and installed as the program's ports (Ports()).
    MainPorts* ComPorts;

signals:
    // Every tick of TmrComCheck.
    void ComCheckTick();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& key);
    void addSwitch(QAction* item, ScreenId id);
    void showPassword();
    void showPasswordChange();
    void showDeveloper();

    QWidget* screenArea_;
    QHash<int, QPointer<QWidget>> screens_;
    QSet<int> creating_;
    std::function<void()> comCheckHandler_;
    bool secondInstance_ = false;
    bool administratorUnlocked_ = false;
};

} // namespace marking::shell
