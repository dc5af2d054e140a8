#pragma once

#include "serial/LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

namespace marking {

// Event codes that CommEvent reports (the serial component's numbering).
enum CommEventCode : int {
    comEvNone = 0,
    comEvSend = 1,
    comEvReceive = 2,
    comEvCTS = 3,
    comEvDSR = 4,
    comEvCD = 5,
    comEvRing = 6,
    comEvEOF = 7,
    comEventBreak = 1001,
    comEventFrame = 1004,
    comEventOverrun = 1006,
    comEventRxOver = 1008,
    comEventRxParity = 1009,
    comEventTxFull = 1010,
    comEventDCB = 1011,
    // Our own: the device went away (read error, unplugged); the port has been closed.
    comEventDeviceLost = 1100,
};

// Result of a port operation: ok, or a Korean message naming the COM number,
// the device path and the reason.
struct CommResult {
    bool ok = true;
    QString message;

    static CommResult Ok() { return {}; }
    static CommResult Error(const QString& message) { return {false, message}; }
    explicit operator bool() const { return ok; }
};

// The device at path is the slave side of a pseudo-terminal.
bool IsPseudoTerminal(const QString& path);

// A serial port with the contract of the serial communications component the
// program was designed around: a COM number, line settings such as
// "9600,E,8,1", InputLen, OutBufferSize, PortOpen, Output (text → code page
// 949 bytes), InBufferCount (read, and := 0 to discard), Input (one character
// per byte), CommEvent and the OnComm signal.
//
// The COM number maps to a device path (PortMap.h); SetDevicePath binds the
// port to a path directly. Every failure is returned as a CommResult and kept
// in LastError(); after a read or resource error (device gone) the port closes
// itself at once.
//
// User-interface thread only (the thread the object lives in).
class CommPort : public QObject {
    Q_OBJECT
public:
    explicit CommPort(const QString& name = {}, QObject* parent = nullptr);
    ~CommPort() override;

    // CommPort: the COM number (1 ..); takes effect at the next open.
    CommResult SetCommPort(int number);
    int CommPortNumber() const { return comNumber_; }
    // Binds the port to a device path instead of the COM number's mapping
    // (markingctl --port, tests); empty: back to the mapping.
    void SetDevicePath(const QString& path);
    // The path the port opens: the bound path, or the COM number's mapping.
    QString DevicePath() const;
    // "COM 3" (or the bound path when there is no COM number).
    QString ComName() const;
    // "COM 3 (/dev/ttyS2)": how messages name the port.
    QString PortLabel() const;

    // Settings, e.g. "9600,N,8,1". Applied at once when the port is open.
    CommResult SetSettings(const QString& settings);
    QString Settings() const { return settings_.ToString(); }
    const LineSettings& Line() const { return settings_; }

    // InputLen: at most this many bytes per Input; 0 = all waiting bytes.
    void SetInputLen(int length) { inputLen_ = length < 0 ? 0 : length; }
    int InputLen() const { return inputLen_; }

    // OutBufferSize: bytes one Output (plus bytes not yet written) may hold.
    CommResult SetOutBufferSize(int size);
    int OutBufferSize() const { return outBufferSize_; }

    // PortOpen := true opens the device with the configured number and
    // settings (no-op when already open); := false closes it.
    CommResult SetPortOpen(bool open);
    bool PortOpen() const;

    // Output := text: the text in code page 949, each character one byte
    // (Korean syllables two), in order. A text the code page cannot encode
    // is an error and nothing is sent.
    CommResult Output(const QString& text);
    // The same for bytes that are already encoded.
    CommResult OutputBytes(const QByteArray& bytes);

    // InBufferCount: received bytes waiting.
    int InBufferCount() const;
    // InBufferCount := 0: discards the waiting bytes. Other values are an error.
    CommResult SetInBufferCount(int count);

    // Input: the waiting bytes (at most InputLen), one character per byte.
    QString Input();
    QByteArray InputBytes();

    // The last event (CommEventCode).
    int CommEvent() const { return commEvent_; }

    // The last failure (ok when none since the last successful open).
    const CommResult& LastError() const { return lastError_; }

    // Bytes handed to the device but not yet written by the driver.
    qint64 BytesToWrite() const;
    // Writes what is queued without waiting for the event loop.
    void Flush();

signals:
    // A port event happened; read CommEvent. Emitted on the port's thread.
    void OnComm();

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    bool applyLine();
    CommResult fail(const QString& message);
    // The Korean reason, with the system's text. lost: the device went away
    // during a read, where the system's text may be a stale one.
    QString reasonText(QSerialPort::SerialPortError error, bool lost = false) const;

    QSerialPort serial_;
    int comNumber_ = 1;
    QString boundPath_;
    LineSettings settings_;
    int inputLen_ = 0;
    int outBufferSize_ = 512;
    int commEvent_ = comEvNone;
    bool lost_ = false;
    CommResult lastError_;
};

} // namespace marking
