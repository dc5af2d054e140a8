#pragma once

// The marking data fields the special letter editors write into, and a
// program directory with the delivered database files.

#include "common/ProgramDirectory.h"
#include "controllers/MarkingDataFocus.h"
#include "store/Schema.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace letterstest {

using namespace marking;

// The marking data field (TxtData) of the screen registered for one
// SpecialLetterTarget, in a window of its own.
struct TargetField : MarkingDataFocus {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    int target;

    explicit TargetField(int t)
        : target(t) {
        window.setObjectName(QStringLiteral("Screen%1").arg(t));
        field->setMaxLength(500);
        SetMarkingDataFocus(target, this);
    }
    ~TargetField() override { SetMarkingDataFocus(target, nullptr); }

    void Set(const QString& text, int caret) {
        field->setText(text);
        field->setCursorPosition(caret);
    }
    void FocusMarkingData() override { field->setFocus(); }
    void AppendMarkingData(const QString& letter) override {
        field->setText(field->text() + letter);
    }
    void InsertMarkingDataAtCaret(const QString& letter) override {
        const int at = field->cursorPosition();
        QString text = field->text();
        text.insert(at, letter);
        field->setText(text);
        field->setCursorPosition(at + static_cast<int>(letter.size()));
    }
};

// A temporary program directory holding the delivered database files.
struct ProgramDir {
    QTemporaryDir dir;
    ProgramDir() {
        const store::Status made = store::CreateDatabaseFiles(dir.path(), false);
        if (!made.ok())
            qFatal("cannot make the databases: %s", qPrintable(made.error().Text()));
        SetProgramDirectory(dir.path());
    }
    QString path() const { return dir.path(); }
};

// Runs `act` on the modal dialog once it is open (the call that opens it
// does not return before it is closed). `act` must close it.
inline void WhenModalOpen(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    int rounds = 0;
    QObject::connect(poll, &QTimer::timeout, [poll, act, rounds]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal || ++rounds > 1000) {
            poll->stop();
            poll->deleteLater();
            if (modal) {
                act(modal);
            }
        }
    });
    poll->start();
}

} // namespace letterstest
