#include "common/widgets/QtMessagePort.h"

#include "common/widgets/Modal.h"
#include "common/widgets/ScreenBehaviour.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace marking {

namespace {
QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Runs the box; afterwards the window and control that had the focus get it
// back (also without a window manager).
int run(QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
        UseScreenStyle(button);
    }
    return RunModal(box);
}
} // namespace

void QtMessagePort::ShowMessage(const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("확인"));
    run(box);
}

Answer QtMessagePort::Ask(const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("예(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("아니오(&N)"));
    box.setDefaultButton(QMessageBox::Yes);
    return run(box) == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtMessagePort::Beep() {
    QApplication::beep();
}

} // namespace marking
