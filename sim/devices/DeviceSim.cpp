#include "devices/DeviceSim.h"

#include <QDateTime>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace devsim {

namespace {
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr int streamChunk = 64;
constexpr int streamIntervalMs = 2;

bool hasCheckCharacter(Device d) {
    return d == Device::TRX20 || d == Device::HVL5;
}

QString hex(const QByteArray& bytes) {
    return bytes.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(bytes.toHex(' '));
}

QByteArray streamBytes() {
    QByteArray chunk;
    for (int i = 0; i < streamChunk; ++i)
        chunk.append("0123456789abcdef"[i % 16]);
    return chunk;
}
} // namespace

std::optional<Device> ParseDevice(const QString& name) {
    QString n = name.trimmed().toLower();
    n.remove(u'-');
    n.remove(u' ');
    if (n == u"trx20")
        return Device::TRX20;
    if (n == u"trx30")
        return Device::TRX30;
    if (n == u"hvl5")
        return Device::HVL5;
    if (n == u"plc" || n == u"yns7")
        return Device::PLC;
    if (n == u"carving" || n == u"dre40t")
        return Device::Carving;
    return std::nullopt;
}

QString DeviceName(Device device) {
    switch (device) {
    case Device::TRX20:
        return QStringLiteral("TRX-20");
    case Device::TRX30:
        return QStringLiteral("TRX-30");
    case Device::HVL5:
        return QStringLiteral("HVL-5");
    case Device::PLC:
        return QStringLiteral("PLC");
    case Device::Carving:
        return QStringLiteral("DRE 40 T");
    }
    return {};
}

std::optional<Script> Script::Parse(const QString& text) {
    Script s;
    QString body = text.trimmed().toLower();
    const qsizetype at = body.indexOf(u'@');
    if (at >= 0) {
        bool ok = false;
        s.delayMs = body.mid(at + 1).toInt(&ok);
        if (!ok || s.delayMs < 0)
            return std::nullopt;
        body = body.left(at);
    }
    QString name = body;
    int count = -1;
    const qsizetype colon = body.indexOf(u':');
    if (colon >= 0) {
        bool ok = false;
        count = body.mid(colon + 1).toInt(&ok);
        if (!ok || count < 0)
            return std::nullopt;
        name = body.left(colon);
    }
    if (name == u"ack" || name == u"gg")
        s.mode = Mode::Positive;
    else if (name == u"nak" || name == u"nn") {
        s.mode = Mode::NegativeThenPositive;
        s.negatives = count;
    } else if (name == u"silent")
        s.mode = Mode::Silent;
    else if (name == u"garbage")
        s.mode = Mode::Garbage;
    else if (name == u"stream")
        s.mode = Mode::Stream;
    else if (name == u"short")
        s.mode = Mode::Short;
    else
        return std::nullopt;
    if (colon >= 0 && s.mode != Mode::NegativeThenPositive)
        return std::nullopt;
    return s;
}

QByteArray CheckCharacter(const QByteArray& frameThroughEtx) {
    // XOR of the code page 949 codes from the command character through the
    // ETX; a double-byte character's code is its 16-bit value. A value above
    // 0xFF goes out as two bytes, high byte first.
    unsigned check = 0;
    const qsizetype n = frameThroughEtx.size();
    for (qsizetype i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(frameThroughEtx.at(i));
        if (b >= 0x81 && i + 1 < n - 1) {
            check ^= (unsigned(b) << 8) | static_cast<unsigned char>(frameThroughEtx.at(i + 1));
            ++i;
        } else {
            check ^= b;
        }
    }
    QByteArray out;
    if (check > 0xFF)
        out.append(static_cast<char>((check >> 8) & 0xFF));
    out.append(static_cast<char>(check & 0xFF));
    return out;
}

QByteArray PlcPositiveAnswer() {
    return QByteArray("\x02"
                      "00FFGG"
                      "\x03");
}

QByteArray PlcNegativeAnswer() {
    return QByteArray("\x02"
                      "00FFNN06"
                      "\x03");
}

QByteArray PlcShortAnswer() {
    return QByteArray("\x02"
                      "00F"
                      "\x03");
}

DeviceSim::DeviceSim(Device device, Script script)
    : device_(device)
    , script_(script) {}

DeviceSim::~DeviceSim() {
    Stop();
}

qint64 DeviceSim::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() - startMs_;
}

bool DeviceSim::Start() {
    if (worker_.joinable())
        return true;
    startMs_ = 0;
    startMs_ = nowMs();
    auto failWith = [this](const QString& what) {
        std::lock_guard lock(mutex_);
        error_ = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return failWith(QStringLiteral("posix_openpt"));
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return failWith(QStringLiteral("grantpt/unlockpt"));
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0)
        return failWith(QStringLiteral("ptsname"));
    // Hold the slave side open ourselves: without any opener the master
    // reports a hang-up between the port's close and its next open.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        return failWith(QStringLiteral("open %1").arg(QString::fromLocal8Bit(name)));
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    int pipeFds[2];
    if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0)
        return failWith(QStringLiteral("pipe"));
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    {
        std::lock_guard lock(mutex_);
        slavePath_ = QString::fromLocal8Bit(name);
    }
    stop_ = false;
    worker_ = std::thread([this] { run(); });
    return true;
}

void DeviceSim::Stop() {
    stop_ = true;
    if (worker_.joinable()) {
        wake();
        worker_.join();
    }
    for (int* fd : {&master_, &slave_, &wakeRead_, &wakeWrite_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

QString DeviceSim::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

QString DeviceSim::ErrorText() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void DeviceSim::SetScript(const Script& script) {
    std::lock_guard lock(mutex_);
    script_ = script;
    negativesSent_ = 0;
    streaming_ = false;
}

void DeviceSim::SendBurst(const QByteArray& bytes) {
    {
        std::lock_guard lock(mutex_);
        outbox_.append(bytes);
    }
    wake();
}

void DeviceSim::StopStream() {
    {
        std::lock_guard lock(mutex_);
        streaming_ = false;
    }
    wake();
}

void DeviceSim::Unplug() {
    {
        std::lock_guard lock(mutex_);
        unplug_ = true;
    }
    wake();
}

QList<Frame> DeviceSim::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

QList<QByteArray> DeviceSim::FrameBytes() const {
    std::lock_guard lock(mutex_);
    QList<QByteArray> out;
    for (const Frame& f : frames_) {
        if (f.complete)
            out.append(f.bytes);
    }
    return out;
}

int DeviceSim::FrameCount() const {
    return static_cast<int>(FrameBytes().size());
}

bool DeviceSim::WaitForFrames(int count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return framesChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        int n = 0;
        for (const Frame& f : frames_)
            n += f.complete ? 1 : 0;
        return n >= count;
    });
}

void DeviceSim::ClearFrames() {
    std::lock_guard lock(mutex_);
    frames_.clear();
    logLines_.clear();
}

QStringList DeviceSim::LogLines() const {
    std::lock_guard lock(mutex_);
    return logLines_;
}

void DeviceSim::SetLogSink(std::function<void(const QString&)> sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void DeviceSim::wake() {
    if (wakeWrite_ >= 0) {
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &b, 1);
    }
}

void DeviceSim::writeAll(const QByteArray& bytes) {
    qsizetype done = 0;
    int stalls = 0;
    while (done < bytes.size() && master_ >= 0) {
        const ssize_t n =
            ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            stalls = 0;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && ++stalls < 50) {
            // Nobody reads the port: give it a moment, then drop the rest.
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 2);
            continue;
        }
        break;
    }
}

void DeviceSim::log(const Frame& frame) {
    QString line =
        QStringLiteral("%1 +%2ms %3 %4 rx %5")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("HH:mm:ss.zzz'Z'")))
            .arg(frame.atMs)
            .arg(DeviceName(device_))
            .arg(frame.complete ? QStringLiteral("frame") : QStringLiteral("bytes"))
            .arg(hex(frame.bytes));
    if (!frame.checkOk)
        line += QStringLiteral(" (check character wrong)");
    line += QStringLiteral(" answer %1").arg(hex(frame.answer));
    std::function<void(const QString&)> sink;
    {
        std::lock_guard lock(mutex_);
        logLines_.append(line);
        sink = sink_;
    }
    if (sink)
        sink(line);
}

QByteArray DeviceSim::answerFor(bool checkOk) {
    std::lock_guard lock(mutex_);
    if (device_ == Device::Carving)
        return {};
    const bool plc = device_ == Device::PLC;
    const QByteArray positive = plc ? PlcPositiveAnswer() : QByteArray(1, ACK);
    const QByteArray negative = plc ? PlcNegativeAnswer() : QByteArray(1, NAK);
    if (!checkOk)
        return negative;
    switch (script_.mode) {
    case Script::Mode::Positive:
        return positive;
    case Script::Mode::NegativeThenPositive:
        if (script_.negatives < 0 || negativesSent_ < script_.negatives) {
            ++negativesSent_;
            return negative;
        }
        return positive;
    case Script::Mode::Silent:
        return {};
    case Script::Mode::Garbage:
        return plc ? QByteArray("\x02"
                                "00FFZZ"
                                "\x03")
                   : QByteArray("\x7f?x\xff", 4);
    case Script::Mode::Stream:
        streaming_ = true;
        return {};
    case Script::Mode::Short:
        return plc ? PlcShortAnswer() : QByteArray("\x7f", 1);
    }
    return {};
}

void DeviceSim::finishFrame(const QByteArray& bytes, bool checkOk) {
    Frame frame;
    frame.bytes = bytes;
    frame.atMs = nowMs();
    frame.steadyNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    frame.checkOk = checkOk;
    frame.answer = answerFor(checkOk);
    int delay = 0;
    {
        std::lock_guard lock(mutex_);
        delay = script_.delayMs;
        frames_.append(frame);
    }
    framesChanged_.notify_all();
    log(frame);
    if (frame.answer.isEmpty())
        return;
    if (delay > 0) {
        std::lock_guard lock(mutex_);
        delayed_.append({nowMs() + delay, frame.answer});
    } else {
        writeAll(frame.answer);
    }
}

void DeviceSim::recordStray(const QByteArray& bytes) {
    Frame frame;
    frame.bytes = bytes;
    frame.atMs = nowMs();
    frame.complete = false;
    {
        std::lock_guard lock(mutex_);
        frames_.append(frame);
    }
    framesChanged_.notify_all();
    log(frame);
}

void DeviceSim::onBytes(const char* data, qsizetype size) {
    if (device_ == Device::Carving) {
        recordStray(QByteArray(data, size));
        return;
    }
    for (qsizetype i = 0; i < size; ++i) {
        const char b = data[i];
        if (checkBytesLeft_ > 0) {
            pending_.append(b);
            if (--checkBytesLeft_ > 0)
                continue;
            inFrame_ = false;
            const bool ok = pending_.endsWith(expectedCheck_);
            const QByteArray frame = pending_;
            pending_.clear();
            finishFrame(frame, ok);
            continue;
        }
        if (!inFrame_) {
            if (b == STX) {
                if (!pending_.isEmpty())
                    recordStray(pending_);
                pending_ = QByteArray(1, b);
                inFrame_ = true;
            } else {
                pending_.append(b);
            }
            continue;
        }
        pending_.append(b);
        if (b == ETX) {
            if (hasCheckCharacter(device_)) {
                expectedCheck_ = CheckCharacter(pending_);
                checkBytesLeft_ = static_cast<int>(expectedCheck_.size());
            } else {
                inFrame_ = false;
                const QByteArray frame = pending_;
                pending_.clear();
                finishFrame(frame, true);
            }
        }
    }
    if (!inFrame_ && !pending_.isEmpty()) {
        recordStray(pending_);
        pending_.clear();
    }
}

void DeviceSim::run() {
    const QByteArray stream = streamBytes();
    qint64 nextStream = 0;
    bool masterUsable = true;
    char buf[4096];
    while (!stop_) {
        int timeout = -1;
        bool streaming = false;
        {
            std::lock_guard lock(mutex_);
            if (unplug_ && master_ >= 0) {
                ::close(master_);
                master_ = -1;
                if (slave_ >= 0)
                    ::close(slave_);
                slave_ = -1;
            }
            streaming = streaming_ && master_ >= 0;
            const qint64 now = nowMs();
            for (const auto& d : delayed_) {
                const qint64 left = d.first - now;
                const int t = left < 0 ? 0 : static_cast<int>(left);
                timeout = timeout < 0 ? t : std::min(timeout, t);
            }
        }
        if (streaming) {
            const qint64 left = nextStream - nowMs();
            const int t = left < 0 ? 0 : static_cast<int>(left);
            timeout = timeout < 0 ? t : std::min(timeout, t);
        }
        pollfd fds[2] = {{(master_ >= 0 && masterUsable) ? master_ : -1, POLLIN, 0},
                         {wakeRead_, POLLIN, 0}};
        const int rc = ::poll(fds, 2, timeout);
        if (rc < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char sink[64];
            while (::read(wakeRead_, sink, sizeof sink) > 0) {
            }
        }
        if (master_ >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0)
                onBytes(buf, n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                masterUsable = false; // hang-up: nothing more to read
        }
        // Bursts asked for by the caller.
        QList<QByteArray> outbox;
        QList<QByteArray> due;
        {
            std::lock_guard lock(mutex_);
            outbox.swap(outbox_);
            const qint64 now = nowMs();
            for (qsizetype i = 0; i < delayed_.size();) {
                if (delayed_.at(i).first <= now) {
                    due.append(delayed_.at(i).second);
                    delayed_.removeAt(i);
                } else {
                    ++i;
                }
            }
            streaming = streaming_ && master_ >= 0;
        }
        for (const QByteArray& b : due)
            writeAll(b);
        for (const QByteArray& b : outbox)
            writeAll(b);
        if (streaming && nowMs() >= nextStream) {
            writeAll(stream);
            nextStream = nowMs() + streamIntervalMs;
        }
    }
}

} // namespace devsim
