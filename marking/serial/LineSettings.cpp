#include "serial/LineSettings.h"

#include <QStringList>

namespace marking {

std::optional<LineSettings> LineSettings::Parse(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    const QString baud = parts.at(0).trimmed();
    s.baudRate = baud.toInt(&ok);
    if (!ok || s.baudRate <= 0 || baud.startsWith(u'+'))
        return std::nullopt;

    const QString parity = parts.at(1).trimmed().toUpper();
    if (parity == u"N")
        s.parity = QSerialPort::NoParity;
    else if (parity == u"E")
        s.parity = QSerialPort::EvenParity;
    else if (parity == u"O")
        s.parity = QSerialPort::OddParity;
    else if (parity == u"M")
        s.parity = QSerialPort::MarkParity;
    else if (parity == u"S")
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const QString data = parts.at(2).trimmed();
    if (data == u"5")
        s.dataBits = QSerialPort::Data5;
    else if (data == u"6")
        s.dataBits = QSerialPort::Data6;
    else if (data == u"7")
        s.dataBits = QSerialPort::Data7;
    else if (data == u"8")
        s.dataBits = QSerialPort::Data8;
    else
        return std::nullopt;

    const QString stop = parts.at(3).trimmed();
    if (stop == u"1")
        s.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

QString LineSettings::ToString() const {
    QChar p = u'N';
    switch (parity) {
    case QSerialPort::EvenParity:
        p = u'E';
        break;
    case QSerialPort::OddParity:
        p = u'O';
        break;
    case QSerialPort::MarkParity:
        p = u'M';
        break;
    case QSerialPort::SpaceParity:
        p = u'S';
        break;
    default:
        break;
    }
    const QString stop = stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                         : stopBits == QSerialPort::TwoStop      ? QStringLiteral("2")
                                                                 : QStringLiteral("1");
    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(p).arg(int(dataBits)).arg(stop);
}

double LineSettings::BitsPerCharacter() const {
    const double stop = stopBits == QSerialPort::OneAndHalfStop ? 1.5
                        : stopBits == QSerialPort::TwoStop      ? 2.0
                                                                : 1.0;
    const double par = parity == QSerialPort::NoParity ? 0.0 : 1.0;
    return 1.0 + int(dataBits) + par + stop;
}

qint64 LineSettings::LineTimeUs(qsizetype bytes) const {
    return static_cast<qint64>(static_cast<double>(bytes) * BitsPerCharacter() * 1e6 /
                               static_cast<double>(baudRate));
}

} // namespace marking
