#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace marking {

// The working screens of the main window.
enum class ScreenId {
    Information,         // FomInformation
    ProgramSetting,      // FomProgramSetting
    MarkingSetting,      // FomMarkingSetting
    MarkingWorkState,    // FomMarkingWorkState
    MarkingStateDisplay, // FomMarkingStateDisplay (the run screen)
    WorkReport,          // FomWorkReport
};

QString ScreenName(ScreenId id); // "FomInformation", ...

// What a screen may ask of the main window without depending on it: the
// other screens (created on first use), the exit confirmation and the
// one-second input-poll timer. The main window installs itself; until then a
// stand-in that has no screens and no timer answers.
class ScreenHost {
public:
    virtual ~ScreenHost() = default;

    // The screen, created (and loaded) on first use; nullptr when this build
    // has no such screen or it is being created right now.
    virtual QWidget* Screen(ScreenId id) = 0;
    // Shows a screen and brings it to the front.
    virtual void ShowScreen(ScreenId id) = 0;
    // Hides a screen; a screen never shown before is created by this.
    virtual void HideScreen(ScreenId id) = 0;
    // The exit confirmation FomEnd, modal.
    virtual void ShowEndDialog() = 0;
    // TmrComCheck: enabled by the run screen while it is active.
    virtual void SetComCheckEnabled(bool enabled) = 0;
    virtual bool ComCheckEnabled() const = 0;
    // What each tick of TmrComCheck runs (the input poll of the run screen).
    virtual void SetComCheckHandler(std::function<void()> handler) = 0;
};

ScreenHost& Host();
void SetScreenHost(ScreenHost* host); // nullptr: back to the stand-in

// Hides every listed screen (creating those never shown).
void HideScreens(std::initializer_list<ScreenId> ids);

} // namespace marking
