#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <map>
#include <set>

namespace markingctl {

// Exit codes of every subcommand.
enum ExitCode { ExitOk = 0, ExitOutcome = 1, ExitUsage = 2, ExitDataError = 3 };

// Thrown by the parser and by subcommands for a usage error (exit 2).
struct UsageError {
    QString message;
};

// Options of one subcommand: "--name value" pairs, flags, and positionals.
// "--" ends the options; everything after it is positional.
class Args {
public:
    // valued: options that take a value; flags: options without a value.
    Args(const QStringList& argv, const std::set<QString>& valued,
         const std::set<QString>& flags = {});

    bool has(const QString& name) const;
    QString value(const QString& name) const; // required: UsageError if missing
    QString value(const QString& name, const QString& fallback) const;
    int intValue(const QString& name, int min, int max) const; // required, range-checked
    int intValue(const QString& name, int fallback, int min, int max) const;
    double doubleValue(const QString& name) const; // required
    double doubleValue(const QString& name, double fallback) const;
    const QStringList& positionals() const { return positionals_; }
    // The one TEXT argument (the last positional); UsageError unless exactly one.
    QString text() const;

private:
    std::map<QString, QString> values_;
    std::set<QString> flags_;
    QStringList positionals_;
};

// Prints one JSON object and a newline on standard output.
void PrintJson(const QJsonObject& object);
// Prints {"error": reason} and returns ExitDataError.
int DataError(const QString& reason);

// A subcommand: receives the arguments after its name, returns the exit code.
using Command = int (*)(const QStringList& args);

} // namespace markingctl
