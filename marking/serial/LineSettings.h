#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

namespace marking {

// Line settings in the form "9600,E,8,1": baud rate, parity (N, E, O, M, S),
// data bits (5 to 8) and stop bits (1, 1.5 or 2).
struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // The settings text, or nothing when it is malformed.
    static std::optional<LineSettings> Parse(const QString& text);
    QString ToString() const;

    // Bits one character takes on the line (start, data, parity, stop).
    double BitsPerCharacter() const;
    // Microseconds the line needs for `bytes` characters at this setting.
    qint64 LineTimeUs(qsizetype bytes) const;

    bool operator==(const LineSettings&) const = default;
};

} // namespace marking
