#pragma once

#include <QDialog>
#include <functional>

class QPushButton;

namespace marking {
class ScreenForm;
}

namespace marking::shell {

// What "end the program immediately" does: by default leave every event loop
// of the application (no close handling of any window runs). Tests record it.
void SetProgramEndAction(std::function<void()> action); // empty: the default
void EndProgram();

// The exit confirmation.
class FomEnd : public QDialog {
    Q_OBJECT
public:
    explicit FomEnd(QWidget* parent = nullptr);

    QPushButton* ScmdOk;
    QPushButton* ScmdCancel;

    void ScmdOk_Click();
    void ScmdCancel_Click();

    ScreenForm& Form() const { return *form_; }

private:
    ScreenForm* form_;
};

} // namespace marking::shell
