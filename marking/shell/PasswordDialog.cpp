#include "shell/PasswordDialog.h"

#include "shell/PasswordStore.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace marking::shell {

PasswordDialog::PasswordDialog(QWidget* parent, const QString& name, const QString& title,
                               const QString& intro, const QString& messageName, ScreenSpec spec)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(title);
    setModal(true);

    for (ButtonSpec& button : spec.buttons) {
        button.enterMovesFocus = true;
    }
    spec.onEsc = [this] { reject(); };
    form_ = new ScreenForm(this, std::move(spec));
    auto* introduction = new QLabel(intro, this);
    message_ = new QLabel(this);
    message_->setObjectName(messageName);
    message_->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    message_->setWordWrap(true);
    message_->hide();

    auto* grid = new QGridLayout;
    QStringList fields;
    for (const FieldSpec& f : form_->Spec().fields) {
        fields << f.name;
    }
    form_->AddRows(grid, fields);
    grid->setColumnMinimumWidth(0, 140);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(introduction);
    layout->addLayout(grid);
    layout->addWidget(message_);
    layout->addLayout(form_->ButtonRow());
    setMinimumWidth(420);

    // Load: a missing or empty stored password becomes "7391".
    if (const QString problem = EnsureDefaultPassword(); !problem.isEmpty()) {
        ShowMessage(problem);
    }
}

void PasswordDialog::ShowMessage(const QString& text, QWidget* focus) {
    message_->setText(text);
    message_->show();
    if (focus) {
        focus->setFocus();
    }
}

} // namespace marking::shell
