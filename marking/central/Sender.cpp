#include "central/Sender.h"

#include "central/CentralServer.h"
#include "central/Sync.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace marking::central {

DeliveryState::DeliveryState(QObject* parent)
    : QObject(parent) {}

QString DeliveryState::Text() const {
    switch (state_) {
    case Delivery::Off:
        return QString();
    case Delivery::Delivered:
        return QStringLiteral("중앙 전송 완료");
    case Delivery::Waiting: // 0: the first round has not counted yet
        return waiting_ > 0 ? QStringLiteral("중앙 전송 대기 %1건").arg(waiting_)
                            : QStringLiteral("중앙 전송 대기");
    case Delivery::Failing:
        return QStringLiteral("중앙 전송 실패 (대기 %1건)").arg(waiting_);
    }
    return QString();
}

QString DeliveryState::ToolTip() const {
    return state_ == Delivery::Failing ? Text() + u'\n' + reason_ : Text();
}

void DeliveryState::Set(Delivery state, int waiting, const QString& reason) {
    if (state == state_ && waiting == waiting_ && reason == reason_)
        return;
    if (state == Delivery::Failing && reason != reason_)
        qCWarning(lcCentral).noquote()
            << "central delivery failing," << waiting << "rows waiting:" << reason;
    else if (state_ == Delivery::Failing && state != Delivery::Failing)
        qCInfo(lcCentral).noquote() << "central delivery works again," << waiting << "rows waiting";
    state_ = state;
    waiting_ = waiting;
    reason_ = reason;
    emit Changed();
}

// Runs the delivery rounds on the sender's thread.
class SenderWorker : public QObject {
    Q_OBJECT
public:
    SenderWorker(Settings settings, QString directory)
        : settings_(std::move(settings))
        , directory_(std::move(directory))
        , retry_(new QTimer(this)) {
        retry_->setSingleShot(true);
        connect(retry_, &QTimer::timeout, this, &SenderWorker::Round);
    }

    std::atomic<bool> stop{false};
    std::atomic<bool> scheduled{false};
    std::atomic<int> retryInterval{30000};

    // Any thread: at most one round is queued at a time.
    void Schedule() {
        if (!scheduled.exchange(true))
            QMetaObject::invokeMethod(this, &SenderWorker::Round, Qt::QueuedConnection);
    }

signals:
    void Report(marking::central::Delivery state, int waiting, const QString& reason);

private:
    void Round() {
        scheduled.store(false);
        retry_->stop();
        if (stop.load())
            return;
        SyncOptions options;
        options.stop = &stop;
        options.progress = [this](int, int pending) {
            emit Report(pending == 0 ? Delivery::Delivered : Delivery::Waiting, pending, QString());
        };
        const SyncResult r = SyncOnce(settings_, directory_, options);
        if (stop.load())
            return;
        const int waiting = std::max(0, r.pending);
        if (!r.ok)
            emit Report(Delivery::Failing, waiting, r.reason);
        else
            emit Report(waiting == 0 ? Delivery::Delivered : Delivery::Waiting, waiting, QString());
        if ((!r.ok || waiting > 0) && !scheduled.load())
            retry_->start(retryInterval.load());
    }

    Settings settings_;
    QString directory_;
    QTimer* retry_;
};

Sender::Sender(Settings settings, QString programDirectory, QObject* parent)
    : QObject(parent)
    , settings_(std::move(settings))
    , worker_(new SenderWorker(settings_, std::move(programDirectory))) {
    thread_.setObjectName(QStringLiteral("CentralSender"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &SenderWorker::Report, &state_, &DeliveryState::Set, Qt::QueuedConnection);
    state_.Set(Delivery::Waiting, 0);
    thread_.start();
}

Sender::~Sender() {
    worker_->stop.store(true);
    thread_.quit();
    thread_.wait();
}

void Sender::Kick() {
    worker_->Schedule();
}

void Sender::SetRetryInterval(int milliseconds) {
    worker_->retryInterval.store(std::max(0, milliseconds));
}

namespace {
std::unique_ptr<Sender>& programSender() {
    static std::unique_ptr<Sender> sender;
    return sender;
}
} // namespace

Sender* StartCentralReporting(const QString& programDirectory) {
    StopCentralReporting();
    const Settings settings = ReadSettings();
    if (!settings.Enabled())
        return nullptr;
    programSender() = std::make_unique<Sender>(settings, programDirectory);
    if (auto* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, programSender().get(),
                         [] { StopCentralReporting(); });
    programSender()->Kick();
    return programSender().get();
}

Sender* CentralSender() {
    return programSender().get();
}

void StopCentralReporting() {
    programSender().reset();
}

void NotifyOutboxChanged() {
    if (Sender* s = CentralSender())
        s->Kick();
}

} // namespace marking::central

#include "Sender.moc"
