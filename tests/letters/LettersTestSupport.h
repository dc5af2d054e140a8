#pragma once

// The marking data fields the special letter editors write into, a program
// directory with the delivered database files, and a shown window.

#include "common/ProgramDirectory.h"
#include "controllers/MarkingDataFocus.h"
#include "store/Schema.h"

#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace letterstest {

using namespace marking;

// TxtData of the screen registered for one SpecialLetterTarget: appends and
// inserts at the caret as a line edit does.
struct TargetField : MarkingDataFocus {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    int target;

    explicit TargetField(int t)
        : target(t) {
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
    void InsertMarkingDataAtCaret(const QString& letter) override { field->insert(letter); }
};

struct ProgramDir {
    QTemporaryDir dir;
    ProgramDir() {
        if (const store::Status made = store::CreateDatabaseFiles(dir.path(), false); !made.ok())
            qFatal("cannot make the databases: %s", qPrintable(made.error().Text()));
        SetProgramDirectory(dir.path());
    }
    QString path() const { return dir.path(); }
};

inline bool ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// Runs `act` on the modal dialog once it is open (the call that opens it
// returns only when it is closed); `act` must close it.
inline void WhenModalOpen(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act, rounds = 0]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal || ++rounds > 1000) {
            poll->deleteLater();
            poll->stop();
            if (modal)
                act(modal);
        }
    });
    poll->start();
}

// A key such as "Shift+F1" to the focused control of window w.
inline void PressKey(QWidget& w, const QString& key) {
    const QKeyCombination k = QKeySequence(key)[0];
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == &w ? focus : &w, k.key(), k.keyboardModifiers());
}

} // namespace letterstest
