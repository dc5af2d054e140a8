#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// The serial traffic log: one line per transmission attempt and PLC exchange.
// The lines go through this category (info level); while the category is
// enabled for info they are also appended to logs/comm.log in the program
// directory, which rotates at CommLogMaxBytes (comm.log.1 .. comm.log.4).
// Switch it off with QT_LOGGING_RULES="marking.comm.info=false"; the lines are
// echoed on standard error with "marking.comm.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcComm)

namespace marking {

struct CommLogEntry {
    QString port;       // port object name, e.g. "ComTRX20"
    QString comName;    // "COM 3"
    QString devicePath; // "/dev/ttyS2"
    QString what;       // "TRX-20", "HVL-5", "PLC", ...
    int attempt = 0;    // 1 for the first frame of a transmission; 0 when not an attempt
    QByteArray frame;   // bytes written (may be empty)
    QByteArray reply;   // bytes drained (may be empty)
    QString outcome;    // "ack", "nak", "no reply", "GG", "NN", "refused", "port error", ...
    QString note;       // free text, e.g. the Korean error message
};

// Writes one line. May be called from any thread.
void WriteCommLog(const CommLogEntry& entry);

// The line as written (without the trailing newline).
QString FormatCommLogLine(const CommLogEntry& entry);

// ProgramDirectory()/logs/comm.log.
QString CommLogPath();

// Size at which comm.log is rotated (tests lower it). May be called from any thread.
void SetCommLogMaxBytes(qint64 bytes);
constexpr qint64 CommLogDefaultMaxBytes = 1024 * 1024;
constexpr int CommLogKeptFiles = 4;

} // namespace marking
