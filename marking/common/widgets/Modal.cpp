#include "common/widgets/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace marking {

FocusKeeper::FocusKeeper(QWidget* fallback)
    : focus_(QApplication::focusWidget()) {
    window_ = focus_ ? focus_->window() : QApplication::activeWindow();
    if (!window_ && fallback) {
        window_ = fallback->window();
    }
}

void FocusKeeper::Restore() const {
    if (!window_ || !window_->isVisible()) {
        return;
    }
    window_->activateWindow();
    if (focus_ && focus_->window() == window_ && focus_->isVisible() && focus_->isEnabled()) {
        // Takes effect when the window is active again.
        focus_->setFocus(Qt::ActiveWindowFocusReason);
    }
}

int RunModal(QDialog& dialog) {
    const FocusKeeper keeper(dialog.parentWidget());
    const int result = dialog.exec();
    keeper.Restore();
    return result;
}

void ReportLater(QObject* context, std::function<void()> report) {
    QTimer::singleShot(0, context, std::move(report));
}

} // namespace marking
