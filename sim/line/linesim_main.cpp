// marking-linesim: plays the packing line on the simulated board of a running
// station, through the board driver's line socket.
//
//   marking-linesim [--socket PATH] [--device N] [--wait S|forever] [--rate R]
//                   [--auto|--manual] [--forward] [--back] [--fault N]...
//                   [--pipes N|forever] [--script FILE|-] [--interactive]
//
// The options run first (levels, then pipes), then the script, then the keys.
// Exit codes: 0 done, 1 the station is not there or refused a command,
// 2 usage or script error.
#include "line/Line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace linesim;

namespace {

void say(std::FILE* f, const QString& text) {
    std::fprintf(f, "%s\n", text.toLocal8Bit().constData());
    std::fflush(f);
}
void out(const QString& text) {
    say(stdout, text);
}
void err(const QString& text) {
    say(stderr, QStringLiteral("marking-linesim: ") + text);
}

// The terminal as it was before the keys were read one by one.
termios savedTerminal;
volatile std::sig_atomic_t terminalRaw = 0;

void restoreTerminal() {
    if (terminalRaw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        terminalRaw = 0;
    }
}

extern "C" void onSignal(int sig) {
    restoreTerminal();
    _exit(128 + sig);
}

void rawTerminal() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
        return;
    termios raw = savedTerminal;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0)
        terminalRaw = 1;
}

const char* const kKeys[] = {
    "keys:  a  automatic mode (input 3 on, 자동)    m  manual mode (input 3 off, 수동)",
    "       p  one pipe: an input-0, then an input-1 edge",
    "       s  pipes at the rate: start / stop (also space)    +  faster   -  slower",
    "       f  forward on/off (input 0, 전진)       b  back on/off (input 1, 후진)",
    "       2  inverter fault (input 2, 인버터 이상)",
    "       4  VSK-9 fault (input 4, 이상)           5  paint fault (input 5, 페인트)",
    "       6  cleaner fault (input 6, 세정제)       7  input 7",
    "       i  read the inputs back from the board  h  this help   q  quit",
    "In automatic mode the run screen counts a rising edge of input 0 and then one of",
    "input 1, so a pipe counts 2; raising forward or back gives such an edge too.",
};

class Keys {
public:
    Keys(Line& line, double rate)
        : line_(line)
        , rate_(rate) {}

    int Run() {
        rawTerminal();
        Help();
        Status();
        const int code = Loop();
        restoreTerminal();
        return code;
    }

private:
    using Clock = std::chrono::steady_clock;

    void Help() {
        out(QStringLiteral("device %1 on %2").arg(line_.Device()).arg(line_.SocketPath()));
        for (const char* k : kKeys)
            out(QString::fromUtf8(k));
    }

    void Status() {
        QStringList faults;
        for (int ch : kFaultInputs) {
            if (line_.Level(ch))
                faults << InputName(ch);
        }
        out(QStringLiteral("[%1] forward %2, back %3 | faults: %4 | pipes %5 | %6 per second%7")
                .arg(line_.Level(Mode) ? u"automatic 자동" : u"manual 수동")
                .arg(line_.Level(Forward) ? u"on" : u"off", line_.Level(Back) ? u"on" : u"off")
                .arg(faults.isEmpty() ? QStringLiteral("none") : faults.join(u", "))
                .arg(line_.Pulses(Back))
                .arg(rate_)
                .arg(streaming_ ? u", running" : u""));
    }

    void Pipe(Clock::time_point at) {
        edges_.emplace(at, Forward);
        edges_.emplace(at + std::chrono::duration_cast<Clock::duration>(PipeGap(rate_)), Back);
    }

    Clock::duration Period() const {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / rate_));
    }

    // False: quit.
    bool Key(char key, bool* failed) {
        bool ok = true;
        switch (key) {
        case 'q':
        case 'Q':
            return false;
        case 'a':
            ok = line_.SetLevel(Mode, true);
            break;
        case 'm':
            ok = line_.SetLevel(Mode, false);
            break;
        case 'f':
            ok = line_.Toggle(Forward);
            break;
        case 'b':
            ok = line_.Toggle(Back);
            break;
        case '2':
        case '4':
        case '5':
        case '6':
        case '7':
            ok = line_.Toggle(key - '0');
            break;
        case 'p':
            Pipe(Clock::now());
            return true;
        case 's':
        case ' ':
            streaming_ = !streaming_;
            nextPipe_ = Clock::now();
            break;
        case '+':
            rate_ = std::min(rate_ * 2, 10000.0);
            break;
        case '-':
            rate_ = std::max(rate_ / 2, 1.0 / 64);
            break;
        case 'i': {
            const auto port = line_.ReadPort0();
            if (port) {
                QString bits;
                for (int ch = 0; ch < 8; ++ch)
                    bits += QStringLiteral(" %1=%2").arg(ch).arg((*port >> ch) & 1);
                out(QStringLiteral("board inputs:") + bits);
                return true;
            }
            ok = false;
            break;
        }
        case 'h':
        case '?':
            Help();
            return true;
        case '\n':
        case '\r':
            return true;
        default:
            out(QStringLiteral("no key '%1' (h: help)").arg(QChar::fromLatin1(key)));
            return true;
        }
        if (!ok) {
            err(line_.ErrorText());
            if (line_.Stopped())
                return false;
            // A refused command leaves the line usable; a station gone for good does not.
            *failed = !line_.CheckAlive();
            return !*failed;
        }
        Status();
        return true;
    }

    // Ends the pipes under way, so that the station never waits for a pipe's second edge.
    int Finish() {
        for (const auto& [at, ch] : edges_) {
            std::this_thread::sleep_until(at);
            if (!line_.Pulse(ch)) {
                err(line_.ErrorText());
                return 1;
            }
        }
        edges_.clear();
        if (line_.Pulses(Back) > 0)
            Status();
        return 0;
    }

    int Loop() {
        for (;;) {
            auto wake = Clock::now() + std::chrono::milliseconds(500);
            if (!edges_.empty())
                wake = std::min(wake, edges_.begin()->first);
            if (streaming_)
                wake = std::min(wake, nextPipe_);
            const auto waitMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()).count();
            pollfd p{STDIN_FILENO, POLLIN, 0};
            const int n = ::poll(&p, 1, static_cast<int>(std::max<long long>(waitMs, 0)));
            if (n > 0) {
                char buf[64];
                const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
                if (got <= 0) {
                    out(QStringLiteral("end of the keys"));
                    return Finish();
                }
                for (ssize_t i = 0; i < got; ++i) {
                    bool failed = false;
                    if (!Key(buf[i], &failed))
                        return failed ? 1 : Finish();
                }
            }
            if (!line_.CheckAlive()) {
                err(line_.ErrorText());
                return line_.Stopped() ? 0 : 1;
            }
            const auto now = Clock::now();
            if (streaming_ && now >= nextPipe_) {
                Pipe(nextPipe_);
                nextPipe_ += Period();
                if (nextPipe_ < now) // far behind (a wait for the station): no burst
                    nextPipe_ = now + Period();
            }
            while (!edges_.empty() && edges_.begin()->first <= Clock::now()) {
                const int ch = edges_.begin()->second;
                edges_.erase(edges_.begin());
                if (!line_.Pulse(ch)) {
                    err(line_.ErrorText());
                    return line_.Stopped() ? 0 : 1;
                }
                if (ch == Back)
                    Status();
            }
        }
    }

    Line& line_;
    double rate_;
    bool streaming_ = false;
    Clock::time_point nextPipe_;
    std::multimap<Clock::time_point, int> edges_;
};

int usageError(const QString& message) {
    err(message);
    err(QStringLiteral("see marking-linesim --help"));
    return 2;
}

// One command from an option, in the script syntax.
bool optionCommand(const QString& option, const QString& text, std::vector<Command>* into,
                   QString* error) {
    QString why;
    const auto c = ParseCommand(text, &why);
    if (!c) {
        *error = QStringLiteral("%1: %2").arg(option, why);
        return false;
    }
    into->push_back(*c);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, onSignal);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the packing line on the simulated DIO board of a running station.\n"
                       "Options run first (levels, then pipes), then the script, then the keys.\n"
                       "Script commands, one a line, # starts a comment:\n  ") +
        ScriptSyntax().join(QStringLiteral("\n  ")) + QStringLiteral("\n\n") + [] {
            QStringList k;
            for (const char* line : kKeys)
                k << QString::fromUtf8(line);
            return k.join(QLatin1Char('\n'));
        }());
    const QCommandLineOption socketOpt(
        QStringLiteral("socket"),
        QStringLiteral(
            "Board socket (default $DAQDRV32_SOCKET, else $XDG_RUNTIME_DIR/daqdrv32.sock)."),
        QStringLiteral("path"));
    const QCommandLineOption deviceOpt(QStringLiteral("device"),
                                       QStringLiteral("Board device number (default 0)."),
                                       QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption waitOpt(
        QStringLiteral("wait"),
        QStringLiteral("How long to wait for the station, at start and when it went away "
                       "(default 30; 'forever')."),
        QStringLiteral("seconds"), QStringLiteral("30"));
    const QCommandLineOption rateOpt(QStringLiteral("rate"),
                                     QStringLiteral("Pipes per second (default 1)."),
                                     QStringLiteral("r"), QStringLiteral("1"));
    const QCommandLineOption autoOpt(QStringLiteral("auto"), QStringLiteral("Automatic mode."));
    const QCommandLineOption manualOpt(QStringLiteral("manual"), QStringLiteral("Manual mode."));
    const QCommandLineOption forwardOpt(QStringLiteral("forward"), QStringLiteral("Forward on."));
    const QCommandLineOption backOpt(QStringLiteral("back"), QStringLiteral("Back on."));
    const QCommandLineOption faultOpt(
        QStringLiteral("fault"),
        QStringLiteral("A fault on: 2|inverter, 4|vsk, 5|paint, 6|cleaner (repeatable)."),
        QStringLiteral("input"));
    const QCommandLineOption pipesOpt(QStringLiteral("pipes"),
                                      QStringLiteral("This many pipes at the rate, or 'forever'."),
                                      QStringLiteral("n"));
    const QCommandLineOption scriptOpt(QStringLiteral("script"),
                                       QStringLiteral("Script file of commands ('-': stdin)."),
                                       QStringLiteral("file"));
    const QCommandLineOption keysOpt(
        {QStringLiteral("i"), QStringLiteral("interactive")},
        QStringLiteral("Keys on standard input (the default on a terminal without other work)."));
    parser.addHelpOption();
    for (const auto* o : {&socketOpt, &deviceOpt, &waitOpt, &rateOpt, &autoOpt, &manualOpt,
                          &forwardOpt, &backOpt, &faultOpt, &pipesOpt, &scriptOpt, &keysOpt})
        parser.addOption(*o);
    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    std::vector<Command> commands;
    QString error;
    if (parser.isSet(autoOpt) && parser.isSet(manualOpt))
        return usageError(QStringLiteral("--auto and --manual exclude each other"));
    bool ok = true;
    const QString rateText = parser.value(rateOpt);
    QString why;
    const auto rateCmd = ParseCommand(QStringLiteral("rate ") + rateText, &why);
    if (!rateCmd)
        return usageError(QStringLiteral("--rate: ") + why);
    if (parser.isSet(autoOpt))
        ok = optionCommand(QStringLiteral("--auto"), QStringLiteral("auto"), &commands, &error);
    if (ok && parser.isSet(manualOpt))
        ok = optionCommand(QStringLiteral("--manual"), QStringLiteral("manual"), &commands, &error);
    if (ok && parser.isSet(forwardOpt))
        ok = optionCommand(QStringLiteral("--forward"), QStringLiteral("forward on"), &commands,
                           &error);
    if (ok && parser.isSet(backOpt))
        ok = optionCommand(QStringLiteral("--back"), QStringLiteral("back on"), &commands, &error);
    for (const QString& f : parser.values(faultOpt)) {
        if (ok)
            ok = optionCommand(QStringLiteral("--fault"), QStringLiteral("fault %1 on").arg(f),
                               &commands, &error);
    }
    if (ok && parser.isSet(pipesOpt))
        ok = optionCommand(QStringLiteral("--pipes"),
                           QStringLiteral("pipes %1").arg(parser.value(pipesOpt)), &commands,
                           &error);
    if (!ok)
        return usageError(error);
    if (parser.isSet(scriptOpt)) {
        const QString name = parser.value(scriptOpt);
        QFile file;
        const bool opened = name == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                         : (file.setFileName(name), file.open(QIODevice::ReadOnly));
        if (!opened)
            return usageError(
                QStringLiteral("cannot read the script %1: %2").arg(name, file.errorString()));
        const ParsedScript script = ParseScript(QString::fromUtf8(file.readAll()),
                                                name == u"-" ? QStringLiteral("stdin") : name);
        if (!script.error.isEmpty())
            return usageError(script.error);
        commands.insert(commands.end(), script.commands.begin(), script.commands.end());
    }
    const bool keys = parser.isSet(keysOpt) ||
                      (commands.empty() && isatty(STDIN_FILENO) && !parser.isSet(scriptOpt));
    if (commands.empty() && !keys)
        return usageError(QStringLiteral("nothing to do: give options, --script or --interactive"));
    if (keys && parser.value(scriptOpt) == u"-")
        return usageError(QStringLiteral("--script - and --interactive both want standard input"));

    Line::Options options;
    options.socketPath = parser.isSet(socketOpt) ? parser.value(socketOpt) : DefaultSocketPath();
    bool numberOk = false;
    options.device = parser.value(deviceOpt).toInt(&numberOk);
    if (!numberOk || options.device < 0)
        return usageError(
            QStringLiteral("--device: '%1' is not a device number").arg(parser.value(deviceOpt)));
    const QString wait = parser.value(waitOpt);
    if (wait == u"forever") {
        options.waitMs = -1;
    } else {
        const double s = wait.toDouble(&numberOk);
        if (!numberOk || !(s >= 0) || s > 86400)
            return usageError(
                QStringLiteral("--wait: '%1' is not a number of seconds (0 to 86400) or 'forever'")
                    .arg(wait));
        options.waitMs = static_cast<qint64>(s * 1000);
    }

    if (keys) {
        // While the station is awaited, q quits and other keys are dropped.
        rawTerminal();
        options.carryOn = [] {
            pollfd p{STDIN_FILENO, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0)
                return true;
            char buf[64];
            const ssize_t got = ::read(STDIN_FILENO, buf, sizeof buf);
            return got > 0 && std::find_if(buf, buf + got, [](char c) {
                                  return c == 'q' || c == 'Q';
                              }) == buf + got;
        };
    }
    Line line(options, out, err);
    if (!line.Start()) {
        restoreTerminal();
        err(line.ErrorText());
        return line.Stopped() ? 0 : 1;
    }
    if (!RunCommands(line, commands, rateCmd->value, out)) {
        restoreTerminal();
        err(line.ErrorText());
        return line.Stopped() ? 0 : 1;
    }
    if (keys)
        return Keys(line, rateCmd->value).Run();
    return 0;
}
