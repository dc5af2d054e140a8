#include "line/LineScript.h"

#include <QRegularExpression>
#include <cmath>

namespace linesim {

namespace {

// The longest wait (a day) and the highest rate a script may ask for.
constexpr double kLongestWait = 86400;
constexpr double kHighestRate = 10000;

std::optional<bool> onOff(const QString& word) {
    if (word == u"on" || word == u"1")
        return true;
    if (word == u"off" || word == u"0")
        return false;
    return std::nullopt;
}

std::optional<double> positive(const QString& word, double highest) {
    bool ok = false;
    const double v = word.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0 || v > highest)
        return std::nullopt;
    return v;
}

std::optional<int> faultInput(const QString& word) {
    static const std::pair<const char*, int> names[] = {
        {"2", InverterFault}, {"inverter", InverterFault}, {"4", VskFault},
        {"vsk", VskFault},    {"5", PaintFault},           {"paint", PaintFault},
        {"6", CleanerFault},  {"cleaner", CleanerFault},
    };
    for (const auto& [name, input] : names) {
        if (word == QLatin1String(name))
            return input;
    }
    return std::nullopt;
}

Command level(int channel, bool on) {
    Command c;
    c.kind = Command::Kind::Level;
    c.channel = channel;
    c.on = on;
    return c;
}

} // namespace

QString InputName(int channel) {
    switch (channel) {
    case Forward:
        return QStringLiteral("forward");
    case Back:
        return QStringLiteral("back");
    case InverterFault:
        return QStringLiteral("inverter fault");
    case Mode:
        return QStringLiteral("automatic mode");
    case VskFault:
        return QStringLiteral("VSK-9 fault");
    case PaintFault:
        return QStringLiteral("paint fault");
    case CleanerFault:
        return QStringLiteral("cleaner fault");
    default:
        return QStringLiteral("input %1").arg(channel);
    }
}

std::optional<Command> ParseCommand(const QString& text, QString* error) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList w = text.trimmed().toLower().split(space, Qt::SkipEmptyParts);
    auto fail = [&](const QString& message) -> std::optional<Command> {
        *error = message;
        return std::nullopt;
    };
    if (w.isEmpty())
        return fail(QStringLiteral("empty command"));
    const QString& cmd = w[0];
    const qsizetype n = w.size();

    if ((cmd == u"auto" || cmd == u"manual") && n == 1)
        return level(Mode, cmd == u"auto");
    if (cmd == u"forward" || cmd == u"back") {
        const auto on = n == 2 ? onOff(w[1]) : std::nullopt;
        if (!on)
            return fail(QStringLiteral("usage: %1 on|off").arg(cmd));
        return level(cmd == u"forward" ? Forward : Back, *on);
    }
    if (cmd == u"fault") {
        if (n != 3)
            return fail(QStringLiteral("usage: fault 2|4|5|6|inverter|vsk|paint|cleaner on|off"));
        const auto input = faultInput(w[1]);
        if (!input)
            return fail(QStringLiteral("no fault '%1': the fault inputs are 2 (inverter), 4 "
                                       "(VSK-9), 5 (paint) and 6 (cleaner)")
                            .arg(w[1]));
        const auto on = onOff(w[2]);
        if (!on)
            return fail(QStringLiteral("usage: fault %1 on|off").arg(w[1]));
        return level(*input, *on);
    }
    if (cmd == u"input") {
        bool ok = false;
        const int channel = n == 3 ? w[1].toInt(&ok) : -1;
        const auto on = n == 3 ? onOff(w[2]) : std::nullopt;
        if (!ok || channel < 0 || channel > 0xFFFF || !on)
            return fail(QStringLiteral("usage: input CHANNEL on|off"));
        return level(channel, *on);
    }
    if ((cmd == u"pipe" && n == 1) || cmd == u"pipes") {
        Command c;
        c.kind = Command::Kind::Pipes;
        c.count = 1;
        if (cmd == u"pipes") {
            if (n < 2 || n > 3)
                return fail(QStringLiteral("usage: pipes COUNT|forever [PER_SECOND]"));
            bool ok = false;
            c.count = w[1] == u"forever" ? -1 : w[1].toLongLong(&ok);
            if (w[1] != u"forever" && (!ok || c.count < 1))
                return fail(QStringLiteral("pipe count '%1' is not a whole number above 0 or "
                                           "'forever'")
                                .arg(w[1]));
            if (n == 3) {
                const auto rate = positive(w[2], kHighestRate);
                if (!rate)
                    return fail(QStringLiteral("rate '%1' is not a number of pipes per second "
                                               "above 0 and at most %2")
                                    .arg(w[2])
                                    .arg(kHighestRate));
                c.value = *rate;
            }
        }
        return c;
    }
    if (cmd == u"rate" || cmd == u"wait") {
        const bool rate = cmd == u"rate";
        const auto v = n == 2 ? positive(w[1], rate ? kHighestRate : kLongestWait) : std::nullopt;
        if (!v)
            return fail(rate ? QStringLiteral("usage: rate PER_SECOND (above 0, at most %1)")
                                   .arg(kHighestRate)
                             : QStringLiteral("usage: wait SECONDS (above 0, at most %1)")
                                   .arg(kLongestWait));
        Command c;
        c.kind = rate ? Command::Kind::Rate : Command::Kind::Wait;
        c.value = *v;
        return c;
    }
    if (cmd == u"repeat" && n == 1) {
        Command c;
        c.kind = Command::Kind::Repeat;
        return c;
    }
    static const QStringList known{QStringLiteral("auto"), QStringLiteral("manual"),
                                   QStringLiteral("pipe"), QStringLiteral("repeat")};
    if (known.contains(cmd))
        return fail(QStringLiteral("usage: %1 (no arguments)").arg(cmd));
    return fail(QStringLiteral("unknown command '%1'").arg(cmd));
}

ParsedScript ParseScript(const QString& text, const QString& source) {
    ParsedScript out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool paced = false; // a wait or pipes so far
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (const qsizetype hash = line.indexOf(QLatin1Char('#')); hash >= 0)
            line.truncate(hash);
        if (line.trimmed().isEmpty())
            continue;
        const QString where = QStringLiteral("%1:%2: ").arg(source).arg(i + 1);
        if (!out.commands.empty() && out.commands.back().kind == Command::Kind::Repeat) {
            out.error = where + QStringLiteral("nothing may follow 'repeat'");
            out.commands.clear();
            return out;
        }
        QString error;
        auto c = ParseCommand(line, &error);
        if (!c) {
            out.error = where + error;
            out.commands.clear();
            return out;
        }
        if (c->kind == Command::Kind::Repeat && !paced) {
            out.error = where + QStringLiteral("'repeat' needs a wait or pipes before it");
            out.commands.clear();
            return out;
        }
        paced = paced || c->kind == Command::Kind::Wait || c->kind == Command::Kind::Pipes;
        c->line = static_cast<int>(i + 1);
        out.commands.push_back(*c);
    }
    return out;
}

QStringList ScriptSyntax() {
    return {
        QStringLiteral("auto | manual                 input 3 on (automatic) or off (manual)"),
        QStringLiteral("forward on|off | back on|off  input 0 (전진) or 1 (후진)"),
        QStringLiteral("fault 2|4|5|6 on|off          inverter (2), VSK-9 (4), paint (5), "
                       "cleaner (6); also by name"),
        QStringLiteral("input N on|off                any input channel"),
        QStringLiteral("pipe | pipes N|forever [R]    pipes: an input-0, then an input-1 edge"),
        QStringLiteral("rate R                        R pipes per second from here on"),
        QStringLiteral("wait S                        pause S seconds"),
        QStringLiteral("repeat                        start again from the top (last line)"),
    };
}

} // namespace linesim
