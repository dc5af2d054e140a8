#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace devsim {

// The devices that can stand at the far end of a pseudo-terminal.
enum class Device { TRX20, TRX30, HVL5, PLC, Carving };

// "trx20", "trx30", "hvl5", "plc", "carving" (also "TRX-20" ...).
std::optional<Device> ParseDevice(const QString& name);
QString DeviceName(Device device);

// How the device answers each frame it receives.
struct Script {
    enum class Mode {
        Positive,             // ACK (controllers) or a "GG" answer (PLC)
        NegativeThenPositive, // `negatives` NAK / "NN" answers, then positive ones
        Silent,               // no answer at all
        Garbage,              // an answer that is neither positive nor negative
        Stream,               // after the first frame, bytes without end
        Short,                // a PLC answer shorter than 7 characters
    };
    Mode mode = Mode::Positive;
    int negatives = 0; // NegativeThenPositive: this many first; -1: negative for ever
    int delayMs = 0;   // the answer leaves this long after the frame's last byte

    // "ack", "gg", "nak", "nak:N", "nn", "nn:N", "silent", "garbage", "stream",
    // "short"; an optional "@MS" suffix sets the delay ("nak:2@100").
    static std::optional<Script> Parse(const QString& text);
};

// One frame (or stray bytes) the device received.
struct Frame {
    QByteArray bytes;
    qint64 atMs = 0;      // milliseconds since the device started
    qint64 steadyNs = 0;  // std::chrono::steady_clock time of the last byte, in ns
    bool complete = true; // false: bytes that were not part of a frame
    bool checkOk = true;  // the check character matched (models that carry one)
    QByteArray answer;    // what the device answered (empty: nothing)
};

// The check character(s) of a TRX-20 / HVL-5 frame given from its STX through its ETX.
QByteArray CheckCharacter(const QByteArray& frameThroughEtx);

// Answers of the PLC.
QByteArray PlcPositiveAnswer(); // STX "00FFGG" ETX (characters 6 and 7 are "GG")
QByteArray PlcNegativeAnswer(); // STX "00FFNN06" ETX
QByteArray PlcShortAnswer();    // STX "00F" ETX: shorter than 7 characters

// A device on the master side of a pseudo-terminal pair. Start() opens the
// pair and starts a worker thread that reads frames and answers them by the
// script; the slave path is what a CommPort opens. Every method may be called
// from any thread.
class DeviceSim {
public:
    DeviceSim(Device device, Script script = {});
    ~DeviceSim();
    DeviceSim(const DeviceSim&) = delete;
    DeviceSim& operator=(const DeviceSim&) = delete;

    // Opens the pseudo-terminal and starts the worker. False with ErrorText() on failure.
    bool Start();
    // Stops the worker and closes the pseudo-terminal.
    void Stop();
    QString SlavePath() const;
    QString ErrorText() const;
    Device Kind() const { return device_; }

    void SetScript(const Script& script);
    // Sends bytes to the port as one burst (the carving machine's data, or anything).
    void SendBurst(const QByteArray& bytes);
    // Stops a running stream.
    void StopStream();
    // Closes the master side: to the port it looks as if the device was unplugged.
    void Unplug();

    // Everything received so far, in order.
    QList<Frame> Frames() const;
    QList<QByteArray> FrameBytes() const; // complete frames only
    int FrameCount() const;               // complete frames only
    // Waits until at least `count` complete frames arrived; false on timeout.
    bool WaitForFrames(int count, int timeoutMs) const;
    void ClearFrames();

    // The log: one line per frame received (time stamp, hex, answer).
    QStringList LogLines() const;
    // Also hands every log line to this function (the program prints them).
    void SetLogSink(std::function<void(const QString&)> sink);

private:
    void run();
    void onBytes(const char* data, qsizetype size);
    void finishFrame(const QByteArray& bytes, bool checkOk);
    void recordStray(const QByteArray& bytes);
    QByteArray answerFor(bool checkOk);
    void writeAll(const QByteArray& bytes);
    void wake();
    void log(const Frame& frame);
    qint64 nowMs() const;

    const Device device_;
    mutable std::mutex mutex_;
    mutable std::condition_variable framesChanged_;
    Script script_;
    int negativesSent_ = 0;
    QList<Frame> frames_;
    QStringList logLines_;
    std::function<void(const QString&)> sink_;
    QList<QByteArray> outbox_;
    QList<std::pair<qint64, QByteArray>> delayed_; // due time (ms), bytes
    bool streaming_ = false;
    bool unplug_ = false;
    QString error_;
    QString slavePath_;

    // Worker-only state.
    QByteArray pending_;
    bool inFrame_ = false;
    int checkBytesLeft_ = 0;
    QByteArray expectedCheck_;

    int master_ = -1;
    int slave_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<bool> stop_{false};
    std::thread worker_;
    qint64 startMs_ = 0;
};

} // namespace devsim
