#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QDialog;

namespace marking {

// Remembers the window and the control that have the keyboard focus now and
// hands the focus back to them later. A station may run the program alone on
// X, without a window manager: there the focus stays on the root window when
// a dialog or message box closes, and every key is dead until someone clicks.
class FocusKeeper {
public:
    // fallback: the window to activate when no window has the focus now.
    explicit FocusKeeper(QWidget* fallback = nullptr);
    void Restore() const;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

// Runs a modal dialog (exec) and gives the focus back to the window and the
// control that had it. Every dialog of the program is run through this.
int RunModal(QDialog& dialog);

// Runs `report` once the event loop is free again. For failures found inside
// a show or paint event: a message box opened there runs a nested event loop
// in the middle of the window's show.
void ReportLater(QObject* context, std::function<void()> report);

} // namespace marking
