#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace linesim {

// The digital inputs of the packing line as the station reads them.
enum Input : int {
    Forward = 0,       // drive forward (전진); a rising edge is the first pipe sensor
    Back = 1,          // drive back (후진); a rising edge is the second pipe sensor
    InverterFault = 2, // inverter fault (인버터 이상), on = fault
    Mode = 3,          // on = automatic mode (자동), off = manual (수동)
    VskFault = 4,      // VSK-9 fault (이상), on = fault
    PaintFault = 5,    // VSK-9 paint (페인트), on = fault
    CleanerFault = 6,  // VSK-9 cleaner (세정제), on = fault
};

// The fault inputs, in the order of their keys.
inline constexpr int kFaultInputs[] = {InverterFault, VskFault, PaintFault, CleanerFault};

// Short English name of an input ("forward", "VSK-9 fault", ... "input 7").
QString InputName(int channel);

// One step of a line script.
struct Command {
    enum class Kind {
        Level,  // `channel` := `on`
        Pipes,  // `count` pipes (-1: without end), `value` per second (0: the current rate)
        Rate,   // pipes per second from here on: `value`
        Wait,   // `value` seconds
        Repeat, // start again from the first command
    };
    Kind kind = Kind::Wait;
    int channel = 0;
    bool on = false;
    long long count = 0;
    double value = 0;
    int line = 0; // line of the script (0: from the command line)

    bool operator==(const Command&) const = default;
};

// One command in the script syntax (keywords in any case):
//   auto | manual
//   forward on|off | back on|off
//   fault 2|4|5|6|inverter|vsk|paint|cleaner on|off
//   input N on|off
//   pipe | pipes N|forever [RATE]
//   rate RATE            (pipes per second, > 0)
//   wait SECONDS
//   repeat
// Empty optional: `error` says what is wrong with it.
std::optional<Command> ParseCommand(const QString& text, QString* error);

// A whole script: one command per line, "#" starts a comment. `source` names
// the script in messages ("demo.line:3: ..."). A `repeat` must be the last
// command and needs a wait or pipes before it.
struct ParsedScript {
    std::vector<Command> commands;
    QString error; // empty: parsed
};
ParsedScript ParseScript(const QString& text, const QString& source);

// The commands of the help, one a line, for usage texts.
QStringList ScriptSyntax();

} // namespace linesim
