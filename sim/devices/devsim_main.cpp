// marking-devsim: plays one serial device on a pseudo-terminal.
//
//   marking-devsim --device trx20|trx30|hvl5|plc|carving [--script SCRIPT]
//                  [--burst HEX --every MS]
//   marking-devsim --hold PATH
//
// Prints the slave path on the first line of standard output, then logs every
// frame it receives (time stamp, hex, answer) on standard error. Commands on
// standard input, one a line: "burst HEX" (send bytes), "script SCRIPT",
// "stop-stream", "unplug" (close the master side), "quit".
// SCRIPT: ack | gg | nak[:N] | nn[:N] | silent | garbage | stream | short, with an
// optional "@MS" answer delay (nak:2@100). --hold opens PATH as a serial port
// and keeps it (and its lock) until the program is stopped.
#include "devices/DeviceSim.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

using namespace devsim;

namespace {

int usage() {
    std::fputs("usage: marking-devsim --device trx20|trx30|hvl5|plc|carving [--script SCRIPT] "
               "[--burst HEX --every MS]\n"
               "       marking-devsim --hold PATH\n"
               "SCRIPT: ack|gg|nak[:N]|nn[:N]|silent|garbage|stream|short[@DELAY_MS]\n",
               stderr);
    return 2;
}

void printLine(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Blocks until SIGINT, SIGTERM or SIGHUP (blocked in every thread before).
void waitForSignal(const sigset_t& set) {
    int sig = 0;
    sigwait(&set, &sig);
}

int hold(const QString& path, const sigset_t& set) {
    QSerialPort port;
    port.setPortName(path);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "marking-devsim: cannot open %s: %s\n", qPrintable(path),
                     qPrintable(port.errorString()));
        return 1;
    }
    std::printf("held %s\n", qPrintable(path));
    std::fflush(stdout);
    waitForSignal(set);
    port.close();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    QString deviceName, scriptText = QStringLiteral("ack"), holdPath, burstHex;
    int everyMs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        auto next = [&]() -> QString {
            if (i + 1 >= argc)
                return {};
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (a == u"--device")
            deviceName = next();
        else if (a == u"--script")
            scriptText = next();
        else if (a == u"--hold")
            holdPath = next();
        else if (a == u"--burst")
            burstHex = next();
        else if (a == u"--every")
            everyMs = next().toInt();
        else
            return usage();
    }
    if (!holdPath.isEmpty())
        return hold(holdPath, set);

    const auto device = ParseDevice(deviceName);
    const auto script = Script::Parse(scriptText);
    if (!device || !script)
        return usage();

    static DeviceSim* sim = new DeviceSim(*device, *script);
    sim->SetLogSink(printLine);
    if (!sim->Start()) {
        std::fprintf(stderr, "marking-devsim: %s\n", qPrintable(sim->ErrorText()));
        return 1;
    }
    std::printf("%s\n", qPrintable(sim->SlavePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "marking-devsim: %s on %s, script %s\n", qPrintable(DeviceName(*device)),
                 qPrintable(sim->SlavePath()), qPrintable(scriptText));

    if (!burstHex.isEmpty() && everyMs > 0) {
        const QByteArray burst = QByteArray::fromHex(burstHex.toLatin1());
        std::thread([burst, everyMs] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
                sim->SendBurst(burst);
            }
        }).detach();
    }

    // Commands on standard input; end of input just stops reading them.
    std::thread([] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString cmd = QString::fromLocal8Bit(line.c_str()).trimmed();
            if (cmd.startsWith(u"burst ")) {
                sim->SendBurst(QByteArray::fromHex(cmd.mid(6).toLatin1()));
            } else if (cmd.startsWith(u"script ")) {
                if (const auto s = Script::Parse(cmd.mid(7)))
                    sim->SetScript(*s);
                else
                    printLine(QStringLiteral("marking-devsim: bad script %1").arg(cmd.mid(7)));
            } else if (cmd == u"stop-stream") {
                sim->StopStream();
            } else if (cmd == u"unplug") {
                sim->Unplug();
                printLine(QStringLiteral("marking-devsim: unplugged"));
            } else if (cmd == u"quit") {
                sim->Stop();
                std::_Exit(0);
            } else if (!cmd.isEmpty()) {
                printLine(QStringLiteral("marking-devsim: unknown command %1").arg(cmd));
            }
        }
    }).detach();

    waitForSignal(set);
    sim->Stop();
    std::_Exit(0);
}
