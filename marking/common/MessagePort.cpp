#include "common/MessagePort.h"

#include <QDebug>

namespace marking {

namespace {
MessagePort*& current() {
    static MessagePort* port = nullptr;
    return port;
}

// Stand-in before the program installs its port: logs and answers No.
class FallbackPort : public ScriptedMessagePort {
public:
    void ShowMessage(const QString& text, const QString& title, MessageIcon icon) override {
        qWarning().noquote() << "message:" << title << text;
        ScriptedMessagePort::ShowMessage(text, title, icon);
    }
};
} // namespace

MessagePort& Messages() {
    static FallbackPort fallback;
    MessagePort* port = current();
    return port ? *port : fallback;
}

void SetMessagePort(MessagePort* port) {
    current() = port;
}

void ScriptedMessagePort::ShowMessage(const QString& text, const QString& title, MessageIcon icon) {
    entries_.append({Kind::Message, text, title, icon});
}

Answer ScriptedMessagePort::Ask(const QString& text, const QString& title, MessageIcon icon) {
    entries_.append({Kind::Question, text, title, icon});
    if (answers_.empty())
        return defaultAnswer_;
    const Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedMessagePort::Beep() {
    entries_.append({Kind::Beep, {}, {}, MessageIcon::None});
}

void ScriptedMessagePort::QueueAnswers(std::initializer_list<Answer> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

QList<ScriptedMessagePort::Entry> ScriptedMessagePort::Messages() const {
    QList<Entry> out;
    for (const Entry& e : entries_) {
        if (e.kind == Kind::Message)
            out.append(e);
    }
    return out;
}

QList<ScriptedMessagePort::Entry> ScriptedMessagePort::Questions() const {
    QList<Entry> out;
    for (const Entry& e : entries_) {
        if (e.kind == Kind::Question)
            out.append(e);
    }
    return out;
}

int ScriptedMessagePort::BeepCount() const {
    int n = 0;
    for (const Entry& e : entries_)
        n += e.kind == Kind::Beep ? 1 : 0;
    return n;
}

ScopedMessagePort::ScopedMessagePort(MessagePort* port)
    : previous_(current()) {
    current() = port;
}

ScopedMessagePort::~ScopedMessagePort() {
    current() = previous_;
}

} // namespace marking
