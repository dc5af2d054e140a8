#include "report/render/ReportSummary.h"

#include "report/render/ReportTable.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace marking::report {

std::optional<double> ParseCount(const QString& text) {
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString FormatCount(double value) {
    if (std::abs(value - std::round(value)) < 1e-9)
        return QString::number(static_cast<qlonglong>(std::llround(value)));
    QString s = QString::number(value, 'f', 2);
    while (s.endsWith(u'0'))
        s.chop(1);
    return s;
}

namespace {

// Group keys in the order the report lists them.
struct Groups {
    QStringList names;
    QHash<QString, int> index;

    int indexOf(const QString& name) {
        const auto it = index.constFind(name);
        if (it != index.constEnd())
            return *it;
        names.append(name);
        return index[name] = static_cast<int>(names.size()) - 1;
    }
};

QString cell(const QStringList& record, int field) {
    return field >= 0 && field < record.size() ? record.at(field) : QString();
}

// "YYYY-MM-DD", one-digit month and day too, as the work save writes it.
QDate parseDay(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

QString dayKey(const QString& text) {
    const QDate d = parseDay(text.trimmed());
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : text.trimmed();
}

// Known teams first (A..E), other texts after them in the order met;
// dates in date order, other texts after them.
QList<int> orderOf(const QStringList& names, bool days) {
    QList<int> order(names.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    auto rank = [&](int i) -> QString {
        const QString& n = names.at(i);
        if (days)
            return parseDay(n).isValid() ? QStringLiteral("0") + n : QStringLiteral("1");
        for (int t = 0; t <= 4; ++t) {
            if (n == WorkTeamListText(t))
                return QStringLiteral("0") + QString::number(t);
        }
        return QStringLiteral("1");
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) < rank(b); });
    return order;
}

template <class T> QList<T> permuted(const QList<T>& values, const QList<int>& order) {
    QList<T> out;
    out.reserve(order.size());
    for (int i : order)
        out.append(values.at(i));
    return out;
}

} // namespace

ReportSummary Summarize(const ReportTable& table, int teamField, int dateField, int countField) {
    Groups teams;
    Groups days;
    QHash<QPair<int, int>, double> cells;
    QList<double> teamPipes;
    QList<int> teamRows;
    ReportSummary s;
    for (qsizetype r = 0; r < table.records.size(); ++r) {
        const QStringList& rec = table.records.at(r);
        const std::optional<double> count = ParseCount(cell(rec, countField));
        if (!count) {
            ++s.nonNumericRows;
            s.nonNumericRecords.append(static_cast<int>(r));
            continue;
        }
        const int t = teams.indexOf(NormalizeWorkTeam(cell(rec, teamField)));
        const int d = days.indexOf(dayKey(cell(rec, dateField)));
        if (t >= teamPipes.size()) {
            teamPipes.append(0);
            teamRows.append(0);
        }
        teamPipes[t] += *count;
        teamRows[t] += 1;
        cells[{d, t}] += *count;
        s.totalPipes += *count;
        ++s.numericRows;
    }

    const QList<int> teamOrder = orderOf(teams.names, false);
    const QList<int> dayOrder = orderOf(days.names, true);
    s.teams = permuted(teams.names, teamOrder);
    s.teamPipes = permuted(teamPipes, teamOrder);
    s.teamRows = permuted(teamRows, teamOrder);
    s.days = permuted(days.names, dayOrder);
    for (int d : dayOrder) {
        QList<double> row;
        double sum = 0;
        for (int t : teamOrder) {
            const double v = cells.value({d, t});
            row.append(v);
            sum += v;
        }
        s.dayTeamPipes.append(row);
        s.dayPipes.append(sum);
    }
    return s;
}

} // namespace marking::report
