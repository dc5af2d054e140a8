#pragma once

#include "line/LineScript.h"

#include <QLocalSocket>
#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace linesim {

using Say = std::function<void(const QString&)>;

// Where the simulated board driver serves its line socket, by the driver's
// own rule: $DAQDRV32_SOCKET, else $XDG_RUNTIME_DIR/daqdrv32.sock, else
// /tmp/daqdrv32-<uid>.sock. Empty when DAQDRV32_SOCKET switches it off.
QString DefaultSocketPath();

// The board socket of a running station: one command line, one reply line.
class BoardLink {
public:
    explicit BoardLink(QString path)
        : path_(std::move(path)) {}

    const QString& Path() const { return path_; }
    // Tries to connect until `waitMs` has passed (< 0: without limit), a few
    // times a second, while `carryOn` (if given) says so; `waiting` hears once,
    // after the first failed attempt, why it failed. The far end must answer
    // as the board driver.
    bool Connect(qint64 waitMs, const Say& waiting, const std::function<bool()>& carryOn = {});
    // The reply line ("OK ..." or "ERR ..."), or nothing when the link is gone
    // or the station does not answer (ErrorText says which; the link is closed).
    std::optional<QString> Request(const QString& command);
    // Whether the station closed the link; does not block.
    bool PeerClosed();
    bool IsConnected() const { return socket_.state() == QLocalSocket::ConnectedState; }
    int Descriptor() const { return static_cast<int>(socket_.socketDescriptor()); }
    const QString& ErrorText() const { return error_; }
    // The last Connect ended because carryOn said so.
    bool StoppedWaiting() const { return stopped_; }

private:
    bool TryOnce();

    QString path_;
    QLocalSocket socket_;
    QString error_;
    bool stopped_ = false;
};

// The packing line on one device of the station's board: the levels it keeps
// on the inputs, pipe-sensor edges, and the way back when the station went
// away and came again (the levels it set are then set again).
class Line {
public:
    struct Options {
        QString socketPath;
        int device = 0;
        qint64 waitMs = 30000; // for the station, at start and after it went away; < 0: no limit
        std::function<bool()> carryOn; // asked while waiting; false: stop waiting
    };
    Line(Options options, Say out, Say err);

    // Connects, waiting for the station, checks that the device exists and
    // reads the levels of its inputs 0 to 7.
    bool Start();
    bool SetLevel(int channel, bool on);
    bool Toggle(int channel);
    // The level last set or read; off when unknown.
    bool Level(int channel) const;
    // A pipe sensor: a rising edge on `channel`, after which the input is back
    // at its level (the edge reaches the station even if the input is on).
    bool Pulse(int channel);
    // How many pulses this line gave on `channel`.
    long long Pulses(int channel) const;
    // The inputs 0 to 7 as the board has them now.
    std::optional<int> ReadPort0();
    // Notices a station that went away and waits for it to come back.
    bool CheckAlive();

    const QString& ErrorText() const { return error_; }
    // The last failure was a wait that carryOn stopped.
    bool Stopped() const { return stopped_; }
    const QString& SocketPath() const { return link_.Path(); }
    int Device() const { return options_.device; }
    QString WaitText() const;

private:
    std::optional<QString> Send(const QString& command);
    bool Reconnect(const QString& why);

    Options options_;
    Say out_, err_;
    BoardLink link_;
    std::map<int, bool> levels_; // known levels
    std::map<int, bool> set_;    // the levels this line set, for a new station
    std::map<int, long long> pulses_;
    QString error_;
    bool stopped_ = false;
};

// Time from a pipe's input-0 edge to its input-1 edge at `rate` pipes per
// second: half the period, at most half a second.
std::chrono::duration<double> PipeGap(double rate);

// Runs script commands in real time; `rate` is the pipes per second until a
// `rate` command changes it. False when the station is gone or refused a
// command (line.ErrorText()).
bool RunCommands(Line& line, const std::vector<Command>& commands, double rate, const Say& out);

} // namespace linesim
