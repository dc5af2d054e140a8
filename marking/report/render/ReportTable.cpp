#include "report/render/ReportTable.h"

#include "store/Connection.h"
#include "store/Recordset.h"

namespace marking::report {

int ReportTable::FieldIndex(const QString& name) const {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

void ReportTable::Append(QStringList values) {
    values.resize(fields.size());
    records.append(std::move(values));
}

QString WorkTeamListText(int team) {
    if (team < 0 || team > 4)
        return {};
    return QString(QChar(u'A' + team)) + QStringLiteral("   조");
}

QString NormalizeWorkTeam(const QString& value) {
    const QString trimmed = value.trimmed();
    bool isCode = false;
    const int code = trimmed.toInt(&isCode);
    if (isCode)
        return code >= 0 && code <= 4 ? WorkTeamListText(code) : trimmed;
    QString packed = trimmed;
    packed.remove(u' ');
    if (packed.size() == 2 && packed.at(1) == u'조' && packed.at(0) >= u'A' && packed.at(0) <= u'E')
        return WorkTeamListText(packed.at(0).unicode() - u'A');
    return trimmed;
}

ReportResult<ReportTable> ReadPrintRows(const QString& directory) {
    store::Connection conn;
    if (const store::Status s = conn.Open(directory, store::DatabaseFile::Print); !s)
        return ReportError::FromStore(s.error());
    store::Recordset rs;
    if (const store::Status s = rs.Open(QStringLiteral("select * from WorkReport"), conn); !s)
        return ReportError::FromStore(s.error());
    ReportTable table;
    table.fields = rs.Columns();
    table.records.reserve(rs.RecordCount());
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        values.reserve(table.fields.size());
        for (const QString& f : table.fields)
            values.append(rs.Field(f).toString());
        table.records.append(std::move(values));
    }
    rs.Close();
    conn.Close();
    return table;
}

} // namespace marking::report
