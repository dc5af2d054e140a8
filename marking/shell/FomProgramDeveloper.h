#pragma once

#include <QDialog>

class QPushButton;

namespace marking::shell {

// The developer dialog (its menu entry is switched off).
class FomProgramDeveloper : public QDialog {
    Q_OBJECT
public:
    explicit FomProgramDeveloper(QWidget* parent = nullptr);

    QPushButton* ScmdEnter;
};

} // namespace marking::shell
