#include "store/QueryText.h"

#include "store/Schema.h"

#include <QDate>
#include <QRegularExpression>

namespace marking::store {

namespace {

const QString& selectFrom() {
    static const QString text = QStringLiteral("select * from ");
    return text;
}

StoreError unknown(const QString& text, const QString& why = QString()) {
    QString shown = text;
    if (shown.size() > 120)
        shown = shown.left(120) + QStringLiteral("...");
    QString reason = QStringLiteral("프로그램이 쓰지 않는 조회문입니다: \"%1\"").arg(shown);
    if (!why.isEmpty())
        reason += QStringLiteral(" (%1)").arg(why);
    return {StoreError::Kind::UnknownQuery, QString(), reason};
}

// A whole number appended by the program as decimal text.
std::optional<qlonglong> parseNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*(-?\\d{1,18})\\s*$"));
    const auto m = number.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong v = m.captured(1).toLongLong(&ok);
    return ok ? std::optional<qlonglong>(v) : std::nullopt;
}

bool startsWith(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

MappedQuery make(const QString& text, Table t, const QString& where, const QString& order,
                 QVariantList values = {}) {
    MappedQuery q;
    q.text = text;
    q.table = TableName(t);
    q.key = KeyColumn(t);
    q.sql = QStringLiteral("SELECT * FROM %1").arg(q.table);
    if (!where.isEmpty())
        q.sql += QStringLiteral(" WHERE ") + where;
    q.sql += QStringLiteral(" ORDER BY ") + (order.isEmpty() ? q.key : order);
    q.values = std::move(values);
    return q;
}

// The work report's date queries; rest is what follows the fixed start.
Result<MappedQuery> dateEquals(const QString& text, Table t, const QString& rest) {
    static const QRegularExpression form(QStringLiteral("^([^']*)' AND R_WorkTeam = (.*)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(rest);
    if (!m.hasMatch())
        return unknown(text);
    const QDate date = ParseDateText(m.captured(1));
    if (!date.isValid())
        return unknown(text, QStringLiteral("날짜가 아님: %1").arg(m.captured(1)));
    const std::optional<qlonglong> team = parseNumber(m.captured(2));
    if (!team)
        return unknown(text, QStringLiteral("작업조 번호가 아님"));
    return make(text, t, QStringLiteral("R_Date = ? AND R_WorkTeam = ?"), QString(),
                {date.toString(Qt::ISODate), *team});
}

Result<MappedQuery> dateBetween(const QString& text, Table t, const QString& rest) {
    static const QRegularExpression form(
        QStringLiteral("^([^#]*)#\\s+and\\s+#([^#]*)#"
                       "(?:\\s+AND\\s+R_WorkTeam\\s*=\\s*(-?\\d{1,9}))?"
                       "(\\s+order\\s+by\\s+R_Date)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(rest);
    if (!m.hasMatch())
        return unknown(text);
    const QDate from = ParseDateText(m.captured(1));
    const QDate to = ParseDateText(m.captured(2));
    if (!from.isValid() || !to.isValid())
        return unknown(text, QStringLiteral("날짜가 아님"));
    // Stored dates are "YYYY-MM-DD", so comparing the texts compares dates.
    QString where = QStringLiteral("R_Date BETWEEN ? AND ?");
    QVariantList values{from.toString(Qt::ISODate), to.toString(Qt::ISODate)};
    if (m.capturedLength(3) > 0) {
        where += QStringLiteral(" AND R_WorkTeam = ?");
        values << m.captured(3).toLongLong();
    }
    const QString order = m.capturedLength(4) > 0 ? QStringLiteral("R_Date, R_ID") : QString();
    return make(text, t, where, order, values);
}

// The fixed parts of the work report's texts, as the mapping below reads them.
const QString& reportByDate() {
    static const QString text = QStringLiteral(" where  R_ID order by  R_Date");
    return text;
}
const QString& reportDayStart() {
    static const QString text = QStringLiteral(" Where R_Date = '");
    return text;
}
const QString& reportBetweenStart() {
    static const QString text = QStringLiteral(" where R_Date between #");
    return text;
}
const QString& methodCondition() {
    static const QString text = QStringLiteral(" where M_MarkingMethod=");
    return text;
}

} // namespace

namespace QueryText {

QString All(Table table) {
    return selectFrom() + TableName(table);
}

QString AllByKey(Table table) {
    return All(table) + QStringLiteral(" where ") + KeyColumn(table);
}

QString ByKey(Table table, qint64 key) {
    return AllByKey(table) + QStringLiteral(" = ") + QString::number(key);
}

QString ByLowerCaseKey(Table table, qint64 key) {
    return All(table) + QStringLiteral(" where ") + QString(KeyColumn(table)).toLower() +
           QStringLiteral(" = ") + QString::number(key);
}

QString MarkingSettingsOfMethod(int method) {
    return All(Table::MarkingSetting) + methodCondition() + QString::number(method);
}

QString WorkReportByDate() {
    return All(Table::WorkReport) + reportByDate();
}

QString WorkReportOfDay(const QDate& date, int workTeam) {
    return All(Table::WorkReport) + reportDayStart() + DateText(date) +
           QStringLiteral("' AND R_WorkTeam = ") + QString::number(workTeam);
}

QString WorkReportBetween(const QDate& from, const QDate& to, int workTeam) {
    return All(Table::WorkReport) + reportBetweenStart() + DateText(from) +
           QStringLiteral("# and #") + DateText(to) + QStringLiteral("#  AND R_WorkTeam = ") +
           QString::number(workTeam) + QStringLiteral(" order by  R_Date");
}

} // namespace QueryText

QString DateText(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QDate ParseDateText(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})\\s*$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return QDate();
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

Result<MappedQuery> MapQueryText(const QString& text) {
    if (!startsWith(text, selectFrom()))
        return unknown(text);
    const QString afterSelect = text.mid(selectFrom().size());

    for (const Table t : kAllTables) {
        const QString table = TableName(t);
        const QString key = KeyColumn(t);
        if (!startsWith(afterSelect, table))
            continue;
        const QString rest = afterSelect.mid(table.size());

        // "select * from T": every row.
        if (rest.isEmpty())
            return make(text, t, QString(), QString());
        // "select * from T where KEY": every row whose key is not 0.
        if (rest.compare(QStringLiteral(" where ") + key, Qt::CaseInsensitive) == 0)
            return make(text, t, key + QStringLiteral(" <> 0"), QString());
        // "select * from T where KEY = " + number.
        const QString byKey = QStringLiteral(" where ") + key + QStringLiteral(" = ");
        if (startsWith(rest, byKey)) {
            const std::optional<qlonglong> n = parseNumber(rest.mid(byKey.size()));
            if (!n)
                return unknown(text, QStringLiteral("번호가 아님"));
            return make(text, t, key + QStringLiteral(" = ?"), QString(), {*n});
        }
        if (t == Table::MarkingSetting) {
            if (startsWith(rest, methodCondition())) {
                const std::optional<qlonglong> n = parseNumber(rest.mid(methodCondition().size()));
                if (!n)
                    return unknown(text, QStringLiteral("번호가 아님"));
                return make(text, t, QStringLiteral("M_MarkingMethod = ?"), QString(), {*n});
            }
        }
        if (t == Table::WorkReport) {
            if (rest.compare(reportByDate(), Qt::CaseInsensitive) == 0)
                return make(text, t, QStringLiteral("R_ID <> 0"), QStringLiteral("R_Date, R_ID"));
            if (startsWith(rest, reportDayStart()))
                return dateEquals(text, t, rest.mid(reportDayStart().size()));
            if (startsWith(rest, reportBetweenStart()))
                return dateBetween(text, t, rest.mid(reportBetweenStart().size()));
        }
        return unknown(text);
    }
    return unknown(text);
}

} // namespace marking::store
