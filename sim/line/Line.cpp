#include "line/Line.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace linesim {

namespace {

constexpr int kReplyMs = 5000; // the driver answers at once; longer means it hangs
constexpr int kRetryMs = 250;  // between connection attempts
constexpr int kMaxDeviceNumber = 0x7FFF;

QString seconds(qint64 ms) {
    return QString::number(static_cast<double>(ms) / 1000.0, 'g', 6);
}

} // namespace

QString DefaultSocketPath() {
    const QByteArray env = qgetenv("DAQDRV32_SOCKET");
    if (env == "off" || env == "none")
        return {};
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QByteArray run = qgetenv("XDG_RUNTIME_DIR");
    if (!run.isEmpty())
        return QString::fromLocal8Bit(run) + QStringLiteral("/daqdrv32.sock");
    return QStringLiteral("/tmp/daqdrv32-%1.sock").arg(getuid());
}

bool BoardLink::TryOnce() {
    socket_.abort();
    socket_.connectToServer(path_);
    if (!socket_.waitForConnected(kReplyMs)) {
        switch (socket_.error()) {
        case QLocalSocket::ServerNotFoundError:
            error_ = QStringLiteral("no socket there");
            break;
        case QLocalSocket::ConnectionRefusedError:
            error_ = QStringLiteral("nobody serves the socket: left by a station that ended");
            break;
        case QLocalSocket::SocketAccessError:
            error_ = QStringLiteral("no permission to connect");
            break;
        default:
            error_ = socket_.errorString();
        }
        socket_.abort();
        return false;
    }
    const auto pong = Request(QStringLiteral("ping"));
    if (!pong)
        return false;
    if (*pong != u"OK daqdrv32") {
        error_ = QStringLiteral("it does not answer as the board driver ('%1')").arg(*pong);
        socket_.abort();
        return false;
    }
    error_.clear();
    return true;
}

bool BoardLink::Connect(qint64 waitMs, const Say& waiting, const std::function<bool()>& carryOn) {
    QElapsedTimer clock;
    clock.start();
    bool told = false;
    stopped_ = false;
    while (!TryOnce()) {
        if (waitMs >= 0 && clock.elapsed() >= waitMs)
            return false;
        if (carryOn && !carryOn()) {
            error_ = QStringLiteral("stopped waiting");
            stopped_ = true;
            return false;
        }
        if (!told && waiting) {
            waiting(error_);
            told = true;
        }
        QThread::msleep(kRetryMs);
    }
    return true;
}

std::optional<QString> BoardLink::Request(const QString& command) {
    if (!IsConnected()) {
        error_ = QStringLiteral("not connected");
        return std::nullopt;
    }
    socket_.write((command + QLatin1Char('\n')).toUtf8());
    socket_.flush();
    QElapsedTimer clock;
    clock.start();
    while (!socket_.canReadLine()) {
        const qint64 left = kReplyMs - clock.elapsed();
        if (left <= 0 || !socket_.waitForReadyRead(static_cast<int>(left))) {
            error_ = IsConnected() ? QStringLiteral("no answer within %1 s").arg(kReplyMs / 1000)
                                   : QStringLiteral("the station closed the connection");
            socket_.abort();
            return std::nullopt;
        }
    }
    return QString::fromUtf8(socket_.readLine()).trimmed();
}

bool BoardLink::PeerClosed() {
    if (!IsConnected())
        return true;
    pollfd p{Descriptor(), POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    // The driver never speaks unasked: readable means closed.
    socket_.waitForReadyRead(0);
    socket_.readAll();
    if (!IsConnected() || (p.revents & (POLLHUP | POLLERR))) {
        error_ = QStringLiteral("the station closed the connection");
        socket_.abort();
        return true;
    }
    return false;
}

Line::Line(Options options, Say out, Say err)
    : options_(std::move(options))
    , out_(std::move(out))
    , err_(std::move(err))
    , link_(options_.socketPath) {}

QString Line::WaitText() const {
    return options_.waitMs < 0 ? QStringLiteral("without limit")
                               : QStringLiteral("up to %1 s").arg(seconds(options_.waitMs));
}

bool Line::Start() {
    if (options_.socketPath.isEmpty()) {
        error_ = QStringLiteral("the board socket is switched off (DAQDRV32_SOCKET=%1); give "
                                "--socket PATH")
                     .arg(QString::fromLocal8Bit(qgetenv("DAQDRV32_SOCKET")));
        return false;
    }
    if (options_.device < 0 || options_.device > kMaxDeviceNumber) {
        error_ = QStringLiteral("device number %1 is out of range").arg(options_.device);
        return false;
    }
    const bool ok = link_.Connect(
        options_.waitMs,
        [this](const QString& why) {
            err_(QStringLiteral("waiting %1 for the station's board socket %2 (%3); it opens when "
                                "Marking opens the DIO device, on its run screen%4")
                     .arg(WaitText(), link_.Path(), why,
                          options_.carryOn ? QStringLiteral("; q quits") : QString()));
        },
        options_.carryOn);
    if (!ok && link_.StoppedWaiting()) {
        stopped_ = true;
        error_ = QStringLiteral("stopped waiting for the station on %1").arg(link_.Path());
        return false;
    }
    if (!ok) {
        error_ = QStringLiteral("no station answered on %1 within %2 s: %3. Is Marking running "
                                "with the simulated board, and is its run screen open?")
                     .arg(link_.Path(), seconds(options_.waitMs), link_.ErrorText());
        return false;
    }
    const auto devices = Send(QStringLiteral("devices"));
    if (!devices)
        return false;
    const QStringList numbers = devices->split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(1);
    if (!numbers.contains(QString::number(options_.device))) {
        error_ = QStringLiteral("the station's board has no device %1 (devices: %2)")
                     .arg(options_.device)
                     .arg(numbers.isEmpty() ? QStringLiteral("none") : numbers.join(u", "));
        return false;
    }
    const auto port = ReadPort0();
    if (!port)
        return false;
    for (int ch = 0; ch < 8; ++ch)
        levels_[ch] = (*port >> ch) & 1;
    out_(QStringLiteral("connected to device %1 on %2").arg(options_.device).arg(link_.Path()));
    return true;
}

bool Line::Reconnect(const QString& why) {
    err_(QStringLiteral("the station went away (%1: %2); waiting %3 for it to come back%4")
             .arg(link_.Path(), why, WaitText(),
                  options_.carryOn ? QStringLiteral("; q quits") : QString()));
    if (!link_.Connect(options_.waitMs, {}, options_.carryOn)) {
        if (link_.StoppedWaiting()) {
            stopped_ = true;
            error_ = QStringLiteral("stopped waiting for the station on %1").arg(link_.Path());
            return false;
        }
        error_ = QStringLiteral("the station did not come back on %1 within %2 s (%3)")
                     .arg(link_.Path(), seconds(options_.waitMs), link_.ErrorText());
        return false;
    }
    // A station that started again has a fresh board: set what this line set.
    for (const auto& [ch, on] : set_) {
        const auto reply = link_.Request(
            QStringLiteral("setbit %1 %2 %3").arg(options_.device).arg(ch).arg(on ? 1 : 0));
        if (!reply || !reply->startsWith(u"OK")) {
            error_ = QStringLiteral("the station came back but refused input %1: %2")
                         .arg(ch)
                         .arg(reply ? *reply : link_.ErrorText());
            return false;
        }
    }
    out_(QStringLiteral("the station is back on %1; inputs set again").arg(link_.Path()));
    return true;
}

std::optional<QString> Line::Send(const QString& command) {
    auto reply = link_.Request(command);
    if (!reply) {
        if (!Reconnect(link_.ErrorText()))
            return std::nullopt;
        reply = link_.Request(command);
        if (!reply) {
            error_ = QStringLiteral("%1: %2").arg(link_.Path(), link_.ErrorText());
            return std::nullopt;
        }
    }
    if (!reply->startsWith(u"OK")) {
        error_ = QStringLiteral("the board refused '%1': %2").arg(command, *reply);
        return std::nullopt;
    }
    return reply;
}

bool Line::CheckAlive() {
    if (!link_.PeerClosed())
        return true;
    return Reconnect(link_.ErrorText());
}

bool Line::SetLevel(int channel, bool on) {
    if (!Send(QStringLiteral("setbit %1 %2 %3").arg(options_.device).arg(channel).arg(on ? 1 : 0)))
        return false;
    levels_[channel] = on;
    set_[channel] = on;
    return true;
}

bool Line::Toggle(int channel) {
    return SetLevel(channel, !Level(channel));
}

bool Line::Level(int channel) const {
    const auto it = levels_.find(channel);
    return it != levels_.end() && it->second;
}

bool Line::Pulse(int channel) {
    if (!Send(QStringLiteral("edge %1 %2 rise").arg(options_.device).arg(channel)))
        return false;
    if (!Level(channel) &&
        !Send(QStringLiteral("setbit %1 %2 0").arg(options_.device).arg(channel)))
        return false;
    ++pulses_[channel];
    return true;
}

long long Line::Pulses(int channel) const {
    const auto it = pulses_.find(channel);
    return it == pulses_.end() ? 0 : it->second;
}

std::optional<int> Line::ReadPort0() {
    const auto reply = Send(QStringLiteral("get %1 di 0").arg(options_.device));
    if (!reply)
        return std::nullopt;
    bool ok = false;
    const int value = reply->mid(3).toInt(&ok);
    if (!ok) {
        error_ = QStringLiteral("unexpected answer to 'get': %1").arg(*reply);
        return std::nullopt;
    }
    return value;
}

std::chrono::duration<double> PipeGap(double rate) {
    return std::chrono::duration<double>(std::min(0.5 / rate, 0.5));
}

bool RunCommands(Line& line, const std::vector<Command>& commands, double rate, const Say& out) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const Command& c = commands[i];
        switch (c.kind) {
        case Command::Kind::Level:
            if (!line.SetLevel(c.channel, c.on))
                return false;
            if (c.channel == Mode)
                out(c.on ? QStringLiteral("automatic mode (input 3 on)")
                         : QStringLiteral("manual mode (input 3 off)"));
            else
                out(QStringLiteral("%1 %2 (input %3)")
                        .arg(InputName(c.channel), c.on ? u"on" : u"off")
                        .arg(c.channel));
            break;
        case Command::Kind::Rate:
            rate = c.value;
            break;
        case Command::Kind::Wait:
            std::this_thread::sleep_for(Seconds(c.value));
            break;
        case Command::Kind::Repeat:
            i = static_cast<std::size_t>(-1); // the loop's ++ makes it 0
            break;
        case Command::Kind::Pipes: {
            const double r = c.value > 0 ? c.value : rate;
            const Seconds period(1.0 / r);
            const Seconds gap = PipeGap(r);
            const QString count = c.count < 0 ? QStringLiteral("pipes until stopped")
                                              : QStringLiteral("%1 pipe(s)").arg(c.count);
            out(QStringLiteral("%1 at %2 per second").arg(count).arg(r));
            const bool each = r <= 1; // slow enough to name every pipe
            const auto start = Clock::now();
            long long k = 0;
            for (; c.count < 0 || k < c.count; ++k) {
                const auto at = start + std::chrono::duration_cast<Clock::duration>(period * k);
                std::this_thread::sleep_until(at);
                if (!line.Pulse(Forward))
                    return false;
                std::this_thread::sleep_until(at +
                                              std::chrono::duration_cast<Clock::duration>(gap));
                if (!line.Pulse(Back))
                    return false;
                if (each)
                    out(QStringLiteral("pipe %1").arg(line.Pulses(Back)));
            }
            std::this_thread::sleep_until(start +
                                          std::chrono::duration_cast<Clock::duration>(period * k));
            out(QStringLiteral("%1 pipe(s) done").arg(k));
            break;
        }
        }
    }
    return true;
}

} // namespace linesim
