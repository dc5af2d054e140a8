#pragma once

#include "central/CentralSettings.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>

namespace marking::central {

// What a lamp of central delivery shows.
enum class Delivery {
    Off,       // central reporting is not configured
    Delivered, // the outbox is empty
    Waiting,   // rows wait and no failure is known (a round is due or running)
    Failing,   // the last round failed: Reason() says why; rows wait
};

// The delivery state for the run screen's and the report screen's lamp.
// Lives on the user-interface thread; the sender reports to it.
class DeliveryState : public QObject {
    Q_OBJECT
public:
    explicit DeliveryState(QObject* parent = nullptr);

    Delivery State() const { return state_; }
    int Waiting() const { return waiting_; } // rows in the outbox
    QString Reason() const { return reason_; }

    // "중앙 전송 완료", "중앙 전송 대기 3건", "중앙 전송 실패 (대기 3건)"; empty when off.
    QString Text() const;
    // For the lamp's tooltip: the text, and the reason when failing.
    QString ToolTip() const;

    void Set(Delivery state, int waiting, const QString& reason = QString());

signals:
    void Changed();

private:
    Delivery state_ = Delivery::Off;
    int waiting_ = 0;
    QString reason_;
};

class SenderWorker;

// Delivers the outbox of one program directory in the background: a worker
// thread with a connection of its own runs a delivery round at Kick(), and
// again every RetryInterval while rows wait. The user-interface thread never
// waits for the server.
class Sender : public QObject {
    Q_OBJECT
public:
    Sender(Settings settings, QString programDirectory, QObject* parent = nullptr);
    // Ends the worker: waits for the step it is in (a connection attempt is
    // bounded to a few seconds), never for the rest of the outbox.
    ~Sender() override;

    DeliveryState* State() { return &state_; }
    const Settings& CurrentSettings() const { return settings_; }

    // Asks for a delivery round now. Any thread.
    void Kick();
    // Pause between rounds while rows wait (default 30 s). Any thread.
    void SetRetryInterval(int milliseconds);

private:
    Settings settings_;
    DeliveryState state_;
    QThread thread_;
    SenderWorker* worker_;
};

// The program's sender. Started once at program start: with central reporting
// configured (ReadSettings()) it delivers what waits from earlier runs and
// returns the sender; otherwise it returns nullptr and nothing runs.
Sender* StartCentralReporting(const QString& programDirectory);
// The running sender, or nullptr when central reporting is off.
Sender* CentralSender();
// Ends the program's sender (also done when the application quits).
void StopCentralReporting();
// Tells the program's sender that the outbox has a new row; call after the
// work save's transaction committed. Does nothing when central reporting is off.
void NotifyOutboxChanged();

} // namespace marking::central
