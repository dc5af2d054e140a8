#include "serial/CommPort.h"

#include "common/Cp949.h"
#include "serial/CommLog.h"
#include "serial/PortMap.h"

#include <QFile>
#include <QMetaObject>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace marking {

namespace {

// Whether text is the system's text of an error that a read of a vanished
// device gives. A read that ends because the device hung up returns 0 and
// sets no error, and the port then reports whatever error an earlier call
// left behind ("File exists" from making a folder that was there, say).
bool isDeviceLossText(const QString& text) {
    for (const int e : {EIO, ENXIO, ENODEV, EBADF, EPIPE}) {
        if (text == QString::fromLocal8Bit(std::strerror(e)))
            return true;
    }
    return false;
}

} // namespace

bool IsPseudoTerminal(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    // The slave sides of Unix 98 pseudo-terminals.
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

CommPort::CommPort(const QString& name, QObject* parent)
    : QObject(parent) {
    setObjectName(name);
    connect(&serial_, &QSerialPort::readyRead, this, &CommPort::onReadyRead);
    connect(&serial_, &QSerialPort::errorOccurred, this, &CommPort::onError);
}

CommPort::~CommPort() {
    if (serial_.isOpen())
        serial_.close();
}

CommResult CommPort::SetCommPort(int number) {
    if (number < 1 || number > MaxComNumber)
        return fail(QStringLiteral("COM 번호 %1은(는) 쓸 수 없습니다 (1부터 %2까지).")
                        .arg(number)
                        .arg(MaxComNumber));
    comNumber_ = number;
    return CommResult::Ok();
}

void CommPort::SetDevicePath(const QString& path) {
    boundPath_ = path;
}

QString CommPort::DevicePath() const {
    return boundPath_.isEmpty() ? DevicePathForCom(comNumber_) : boundPath_;
}

QString CommPort::ComName() const {
    return boundPath_.isEmpty() ? QStringLiteral("COM %1").arg(comNumber_) : QStringLiteral("-");
}

QString CommPort::PortLabel() const {
    if (!boundPath_.isEmpty())
        return boundPath_;
    return QStringLiteral("COM %1 (%2)").arg(comNumber_).arg(DevicePath());
}

CommResult CommPort::SetSettings(const QString& settings) {
    const auto parsed = LineSettings::Parse(settings);
    if (!parsed)
        return fail(QStringLiteral("%1 포트의 통신 설정 \"%2\"이(가) 올바르지 않습니다 "
                                   "(예: \"9600,N,8,1\").")
                        .arg(PortLabel(), settings));
    settings_ = *parsed;
    if (!serial_.isOpen())
        return CommResult::Ok();
    if (!applyLine())
        return fail(QStringLiteral("%1 포트에 통신 설정 \"%2\"을(를) 적용할 수 없습니다: %3")
                        .arg(PortLabel(), settings, reasonText(serial_.error())));
    return CommResult::Ok();
}

CommResult CommPort::SetOutBufferSize(int size) {
    if (size < 1)
        return fail(QStringLiteral("%1 포트의 송신 버퍼 크기 %2은(는) 올바르지 않습니다.")
                        .arg(PortLabel())
                        .arg(size));
    outBufferSize_ = size;
    return CommResult::Ok();
}

CommResult CommPort::SetPortOpen(bool open) {
    if (!open) {
        if (serial_.isOpen())
            serial_.close();
        return CommResult::Ok();
    }
    if (serial_.isOpen() && !lost_)
        return CommResult::Ok();
    if (serial_.isOpen())
        serial_.close(); // the device went away; open it afresh
    const QString path = DevicePath();
    serial_.setPortName(path);
    // A port that does not open is written to the traffic log as well: the
    // engineer finds there which COM number and device failed, and why.
    const auto openFailed = [this](const QString& message) {
        const CommResult r = fail(message);
        CommLogEntry entry;
        entry.port = objectName();
        entry.comName = ComName();
        entry.devicePath = DevicePath();
        entry.outcome = QStringLiteral("open failed");
        entry.note = message;
        WriteCommLog(entry);
        return r;
    };
    if (!serial_.open(QIODevice::ReadWrite))
        return openFailed(QStringLiteral("%1 포트를 열 수 없습니다: %2")
                              .arg(PortLabel(), reasonText(serial_.error())));
    if (!applyLine() || !serial_.setFlowControl(QSerialPort::NoFlowControl)) {
        const QString reason = reasonText(serial_.error());
        serial_.close();
        return openFailed(QStringLiteral("%1 포트에 통신 설정 \"%2\"을(를) 적용할 수 없습니다: %3")
                              .arg(PortLabel(), settings_.ToString(), reason));
    }
    lost_ = false;
    commEvent_ = comEvNone;
    lastError_ = CommResult::Ok();
    return CommResult::Ok();
}

bool CommPort::PortOpen() const {
    return serial_.isOpen() && !lost_;
}

CommResult CommPort::Output(const QString& text) {
    const cp949::EncodeResult encoded = cp949::Encode(text);
    if (!encoded.ok)
        return fail(QStringLiteral("%1 포트로 보낼 텍스트를 변환할 수 없어 보내지 않았습니다: %2")
                        .arg(PortLabel(), encoded.errorText()));
    return OutputBytes(encoded.bytes);
}

CommResult CommPort::OutputBytes(const QByteArray& bytes) {
    if (!PortOpen()) {
        if (lost_)
            return fail(QStringLiteral("%1 포트의 장치와 연결이 끊어져 보낼 수 없습니다.")
                            .arg(PortLabel()));
        return fail(QStringLiteral("%1 포트가 열려 있지 않아 보낼 수 없습니다.").arg(PortLabel()));
    }
    if (bytes.isEmpty())
        return CommResult::Ok();
    if (serial_.bytesToWrite() + bytes.size() > outBufferSize_)
        return fail(QStringLiteral("%1 포트의 송신 버퍼(%2바이트)보다 큰 %3바이트는 보낼 수 "
                                   "없습니다.")
                        .arg(PortLabel())
                        .arg(outBufferSize_)
                        .arg(bytes.size() + serial_.bytesToWrite()));
    const qint64 written = serial_.write(bytes);
    if (written != bytes.size())
        return fail(QStringLiteral("%1 포트에 쓰지 못했습니다: %2")
                        .arg(PortLabel(), reasonText(serial_.error())));
    // Hand the bytes to the driver now rather than at the next event loop turn.
    serial_.flush();
    return CommResult::Ok();
}

int CommPort::InBufferCount() const {
    if (!serial_.isOpen())
        return 0;
    return static_cast<int>(serial_.bytesAvailable());
}

CommResult CommPort::SetInBufferCount(int count) {
    if (count != 0)
        return fail(QStringLiteral("%1 포트의 수신 버퍼 크기는 0으로만 지울 수 있습니다 (%2).")
                        .arg(PortLabel())
                        .arg(count));
    if (serial_.isOpen()) {
        serial_.readAll();
        if (!lost_)
            serial_.clear(QSerialPort::Input);
    }
    return CommResult::Ok();
}

QByteArray CommPort::InputBytes() {
    if (!serial_.isOpen())
        return {};
    return inputLen_ > 0 ? serial_.read(inputLen_) : serial_.readAll();
}

QString CommPort::Input() {
    return QString::fromLatin1(InputBytes());
}

qint64 CommPort::BytesToWrite() const {
    return serial_.isOpen() ? serial_.bytesToWrite() : 0;
}

void CommPort::Flush() {
    if (serial_.isOpen())
        serial_.flush();
}

void CommPort::onReadyRead() {
    commEvent_ = comEvReceive;
    emit OnComm();
}

void CommPort::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError)
        return;
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
        if (lost_)
            return;
        // The device went away. Close at once: an open port that keeps
        // failing would report the error again on every event loop turn.
        lost_ = true;
        commEvent_ = comEventDeviceLost;
        const QString reason = reasonText(error, true);
        fail(QStringLiteral("%1 포트의 장치와 연결이 끊어졌습니다: %2").arg(PortLabel(), reason));
        CommLogEntry entry;
        entry.port = objectName();
        entry.comName = ComName();
        entry.devicePath = DevicePath();
        entry.outcome = QStringLiteral("device lost");
        entry.note = lastError_.message;
        WriteCommLog(entry);
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (lost_ && serial_.isOpen())
                    serial_.close();
            },
            Qt::QueuedConnection);
        emit OnComm();
        return;
    }
    // Other errors belong to the call that caused them and are returned there.
}

bool CommPort::applyLine() {
    if (!serial_.setBaudRate(settings_.baudRate) || !serial_.setDataBits(settings_.dataBits) ||
        !serial_.setStopBits(settings_.stopBits))
        return false;
    if (serial_.setParity(settings_.parity))
        return true;
    // A pseudo-terminal has no parity bit and Linux refuses one; the simulated
    // devices stand there, so the parity stays what the port was asked for.
    if (settings_.parity != QSerialPort::NoParity && IsPseudoTerminal(DevicePath())) {
        serial_.clearError();
        return true;
    }
    return false;
}

CommResult CommPort::fail(const QString& message) {
    lastError_ = CommResult::Error(message);
    return lastError_;
}

QString CommPort::reasonText(QSerialPort::SerialPortError error, bool lost) const {
    QString reason;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        reason = QStringLiteral("장치 파일이 없습니다");
        break;
    case QSerialPort::PermissionError:
        reason = QStringLiteral("다른 프로그램이 포트를 쓰고 있거나 접근 권한이 없습니다");
        break;
    case QSerialPort::OpenError:
        reason = QStringLiteral("포트가 이미 열려 있습니다");
        break;
    case QSerialPort::NotOpenError:
        reason = QStringLiteral("포트가 열려 있지 않습니다");
        break;
    case QSerialPort::WriteError:
        reason = QStringLiteral("쓰기 오류");
        break;
    case QSerialPort::ReadError:
        reason = QStringLiteral("읽기 오류");
        break;
    case QSerialPort::ResourceError:
        reason = QStringLiteral("장치가 사라졌습니다");
        break;
    case QSerialPort::UnsupportedOperationError:
        reason = QStringLiteral("장치가 이 설정을 지원하지 않습니다");
        break;
    case QSerialPort::TimeoutError:
        reason = QStringLiteral("시간 초과");
        break;
    default:
        reason = QStringLiteral("알 수 없는 오류");
        break;
    }
    const QString system = serial_.errorString();
    if (!system.isEmpty() && system != QLatin1String("Unknown error") &&
        (!lost || isDeviceLossText(system)))
        reason += QStringLiteral(" (%1)").arg(system);
    return reason;
}

} // namespace marking
