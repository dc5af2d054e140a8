#pragma once

#include <QList>
#include <QString>
#include <deque>

namespace marking {

enum class MessageIcon { None, Information, Question, Warning, Critical };
enum class Answer { Yes, No };

// Everything the operator is told or asked goes through the message port:
// message boxes, Yes/No questions and the beep. The program installs the
// Qt implementation; tests install a ScriptedMessagePort.
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual void ShowMessage(const QString& text, const QString& title,
                             MessageIcon icon = MessageIcon::Information) = 0;
    virtual Answer Ask(const QString& text, const QString& title,
                       MessageIcon icon = MessageIcon::Question) = 0;
    virtual void Beep() = 0;
};

// The port in force. Before one is installed a recording port that answers
// No stands in, so nothing blocks and nothing is lost.
MessagePort& Messages();
void SetMessagePort(MessagePort* port); // nullptr: back to the stand-in

// Records every call and answers questions from a script (tests, markingctl).
class ScriptedMessagePort : public MessagePort {
public:
    enum class Kind { Message, Question, Beep };
    struct Entry {
        Kind kind;
        QString text;
        QString title;
        MessageIcon icon;
    };

    void ShowMessage(const QString& text, const QString& title, MessageIcon icon) override;
    Answer Ask(const QString& text, const QString& title, MessageIcon icon) override;
    void Beep() override;

    // Answers for the next questions, in order; when the script is empty the
    // default answer is given.
    void QueueAnswers(std::initializer_list<Answer> answers);
    void SetDefaultAnswer(Answer answer) { defaultAnswer_ = answer; }

    const QList<Entry>& Entries() const { return entries_; }
    QList<Entry> Messages() const;  // message boxes only
    QList<Entry> Questions() const; // questions only
    int BeepCount() const;
    void Clear() { entries_.clear(); }

private:
    QList<Entry> entries_;
    std::deque<Answer> answers_;
    Answer defaultAnswer_ = Answer::No;
};

// Installs a port for the lifetime of the guard and restores the previous one.
class ScopedMessagePort {
public:
    explicit ScopedMessagePort(MessagePort* port);
    ~ScopedMessagePort();
    ScopedMessagePort(const ScopedMessagePort&) = delete;
    ScopedMessagePort& operator=(const ScopedMessagePort&) = delete;

private:
    MessagePort* previous_;
};

} // namespace marking
