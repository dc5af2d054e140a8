#include "Cli.h"

#include <QJsonDocument>
#include <cstdio>

namespace markingctl {

Args::Args(const QStringList& argv, const std::set<QString>& valued,
           const std::set<QString>& flags) {
    bool optionsEnded = false;
    for (qsizetype i = 0; i < argv.size(); ++i) {
        const QString& a = argv.at(i);
        if (optionsEnded || !a.startsWith(QLatin1String("--"))) {
            positionals_.append(a);
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = a.mid(2);
        if (flags.count(name)) {
            flags_.insert(name);
            continue;
        }
        if (!valued.count(name))
            throw UsageError{QStringLiteral("unknown option --%1").arg(name)};
        if (i + 1 >= argv.size())
            throw UsageError{QStringLiteral("option --%1 needs a value").arg(name)};
        values_[name] = argv.at(++i);
    }
}

bool Args::has(const QString& name) const {
    return values_.count(name) || flags_.count(name);
}

QString Args::value(const QString& name) const {
    auto it = values_.find(name);
    if (it == values_.end())
        throw UsageError{QStringLiteral("missing option --%1").arg(name)};
    return it->second;
}

QString Args::value(const QString& name, const QString& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

int Args::intValue(const QString& name, int min, int max) const {
    bool ok = false;
    const int v = value(name).toInt(&ok);
    if (!ok || v < min || v > max)
        throw UsageError{
            QStringLiteral("--%1 takes a whole number from %2 to %3").arg(name).arg(min).arg(max)};
    return v;
}

int Args::intValue(const QString& name, int fallback, int min, int max) const {
    return values_.count(name) ? intValue(name, min, max) : fallback;
}

double Args::doubleValue(const QString& name) const {
    bool ok = false;
    const double v = value(name).toDouble(&ok);
    if (!ok)
        throw UsageError{QStringLiteral("--%1 takes a number").arg(name)};
    return v;
}

double Args::doubleValue(const QString& name, double fallback) const {
    return values_.count(name) ? doubleValue(name) : fallback;
}

QString Args::text() const {
    if (positionals_.size() != 1)
        throw UsageError{QStringLiteral("expected exactly one TEXT argument")};
    return positionals_.front();
}

void PrintJson(const QJsonObject& object) {
    const QByteArray out = QJsonDocument(object).toJson(QJsonDocument::Compact);
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int DataError(const QString& reason) {
    PrintJson(QJsonObject{{QStringLiteral("error"), reason}});
    return ExitDataError;
}

} // namespace markingctl
