#include "work/WorkList.h"

#include "common/SharedValues.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"

namespace marking::work {

using store::Connection;
using store::DatabaseFile;
using store::Recordset;
using store::Status;
using store::Table;
namespace col = store::col;
namespace QueryText = store::QueryText;

namespace {

// Opens a query of Database.mdb in directory and makes sure it has the columns.
Status openQuery(Connection& connection, Recordset& rs, const QString& directory,
                 const QString& text, const QList<QString>& columns) {
    if (Status s = connection.Open(directory, DatabaseFile::Database); !s) {
        return s;
    }
    if (Status s = rs.Open(text, connection); !s) {
        return s;
    }
    for (const QString& column : columns) {
        if (!rs.HasField(column)) {
            return connection.Error(
                store::StoreError::Kind::MissingColumn,
                QStringLiteral("테이블 %1에 열 %2이(가) 없습니다.").arg(rs.Table(), column));
        }
    }
    return Status();
}

// The grid rows of a query, numbered from 1. readerOf(rs) gives what makes
// one row (number) of the current record, its columns looked up once.
template <class ReaderOf>
store::Result<QList<QStringList>> readRows(const QString& directory, const QString& text,
                                           const QList<QString>& columns, ReaderOf readerOf) {
    Connection connection;
    Recordset rs;
    if (Status s = openQuery(connection, rs, directory, text, columns); !s) {
        return s.error();
    }
    QList<QStringList> rows;
    rows.reserve(rs.RecordCount());
    if (!rs.Eof()) {
        rs.MoveFirst();
    }
    const auto rowOf = readerOf(rs);
    for (int i = 1; !rs.Eof(); ++i, rs.MoveNext()) {
        rows.append(rowOf(i));
    }
    rs.Close();
    connection.Close();
    return rows;
}

// A stored value as a cell shows it ("" for a null).
QString cellText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    return value.toString();
}

QString itemOf(const QStringList& items, const QVariant& code) {
    const std::optional<int> c = CodeOf(code);
    return c && *c >= 0 && *c < items.size() ? items.at(*c) : QString();
}

const QList<QString> kWorkColumns{
    col::W_ID,          col::W_MarkingMethod, col::W_Data,      col::W_Length,
    col::W_Pi,          col::W_PipeVolume,    col::W_Reptition, col::W_LengthYesorNo,
    col::W_UnitYesorNo, col::W_Parenthesis,   col::W_WorkTeam};

// The positions of kWorkColumns in a recordset, looked up once per query.
struct WorkColumnIndexes {
    int at[11];
    explicit WorkColumnIndexes(const Recordset& rs) {
        for (int i = 0; i < 11; ++i) {
            at[i] = rs.ColumnIndex(kWorkColumns.at(i));
        }
    }
};

WorkValues workOf(const Recordset& rs, const WorkColumnIndexes& c) {
    WorkValues w;
    w.id = rs.FieldAt(c.at[0]);
    w.method = rs.FieldAt(c.at[1]);
    w.data = rs.FieldAt(c.at[2]);
    w.length = rs.FieldAt(c.at[3]);
    w.pi = rs.FieldAt(c.at[4]);
    w.pipeVolume = rs.FieldAt(c.at[5]);
    w.repetition = rs.FieldAt(c.at[6]);
    w.lengthShown = rs.FieldAt(c.at[7]);
    w.unitShown = rs.FieldAt(c.at[8]);
    w.parenthesis = rs.FieldAt(c.at[9]);
    w.workTeam = rs.FieldAt(c.at[10]);
    return w;
}

} // namespace

QStringList ParenthesisItems() {
    QStringList items{QStringLiteral("괄호표시 안함")};
    for (int n = 1; n <= 5; ++n) {
        items << QStringLiteral("@%1(").arg(n) + QString(14, u' ') + u')';
    }
    return items;
}

QStringList WorkTeamItems() {
    QStringList items;
    for (int team = 0; team <= 4; ++team) {
        items << WorkTeamName(team);
    }
    return items;
}

QStringList LengthShownItems() {
    return {QStringLiteral("길이표시"), QStringLiteral("길이표시 안함")};
}

QStringList UnitShownItems() {
    return {QStringLiteral("단위표시"), QStringLiteral("단위표시 안함")};
}

std::optional<int> CodeOf(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        return std::nullopt;
    }
    bool ok = false;
    const int code = value.toString().trimmed().toInt(&ok);
    return ok ? std::optional<int>(code) : std::nullopt;
}

QStringList MarkingDataRow(int number, const QVariant& method, const QVariant& data,
                           const QVariant& id) {
    const std::optional<int> m = CodeOf(method);
    return {QString::number(number), m ? MarkingMethodName(*m) : QString(), cellText(data),
            cellText(id), QString()};
}

QStringList MarkingWorkRow(int number, const WorkValues& work) {
    static const QStringList parenthesis = ParenthesisItems();
    static const QStringList teams = WorkTeamItems();
    static const QStringList lengthShown = LengthShownItems();
    static const QStringList unitShown = UnitShownItems();
    const std::optional<int> method = CodeOf(work.method);
    if (!method || *method < SingleMarking || *method > FileMarking) {
        return {QString::number(number)};
    }
    const bool continuity = *method == ContinuityMarking;
    const bool file = *method == FileMarking;
    return {QString::number(number),
            MarkingMethodName(*method),
            cellText(work.data),
            cellText(work.length),
            cellText(work.pi),
            cellText(work.pipeVolume),
            continuity ? cellText(work.repetition) : QStringLiteral("반복 횟수 없음"),
            file ? itemOf(lengthShown, work.lengthShown) : QStringLiteral("길이표시 없음"),
            file ? itemOf(unitShown, work.unitShown) : QStringLiteral("단위표시 없음"),
            itemOf(parenthesis, work.parenthesis),
            itemOf(teams, work.workTeam),
            cellText(work.id)};
}

store::Result<QList<QStringList>> ReadMarkingDataRows(const QString& directory, int method) {
    return readRows(directory, QueryText::MarkingSettingsOfMethod(method),
                    {col::M_ID, col::M_MarkingMethod, col::M_Data}, [](const Recordset& rs) {
                        const int methodAt = rs.ColumnIndex(col::M_MarkingMethod);
                        const int dataAt = rs.ColumnIndex(col::M_Data);
                        const int idAt = rs.ColumnIndex(col::M_ID);
                        return [&rs, methodAt, dataAt, idAt](int number) {
                            return MarkingDataRow(number, rs.FieldAt(methodAt), rs.FieldAt(dataAt),
                                                  rs.FieldAt(idAt));
                        };
                    });
}

store::Result<QList<QStringList>> ReadMarkingWorkRows(const QString& directory) {
    return readRows(directory, QueryText::AllByKey(Table::MarkingWork), kWorkColumns,
                    [](const Recordset& rs) {
                        return [&rs, columns = WorkColumnIndexes(rs)](int number) {
                            return MarkingWorkRow(number, workOf(rs, columns));
                        };
                    });
}

store::Result<std::optional<WorkValues>> ReadWork(const QString& directory, qint64 id) {
    Connection connection;
    Recordset rs;
    if (Status s = openQuery(connection, rs, directory, QueryText::ByKey(Table::MarkingWork, id),
                             kWorkColumns);
        !s) {
        return s.error();
    }
    if (rs.RecordCount() == 0) {
        return std::optional<WorkValues>();
    }
    rs.MoveFirst();
    return std::optional<WorkValues>(workOf(rs, WorkColumnIndexes(rs)));
}

const QList<QString>& ExchangedColumns() {
    static const QList<QString> columns{
        col::W_MarkingMethod, col::W_Reptition,   col::W_LengthYesorNo,
        col::W_UnitYesorNo,   col::W_Parenthesis, col::W_WorkTeam,
        col::W_Data,          col::W_Length,      col::W_Pi,
        col::W_PipeVolume};
    return columns;
}

Status ExchangeWorks(const QString& directory, qint64 a, qint64 b) {
    if (a == b) {
        return Status();
    }
    Connection connection;
    if (Status s = connection.Open(directory, DatabaseFile::Database); !s) {
        return s;
    }
    store::Transaction tx(connection);
    if (!tx.ok()) {
        return tx.status();
    }
    Recordset first;
    Recordset second;
    for (auto [rs, key] : {std::pair{&first, a}, std::pair{&second, b}}) {
        if (Status s = rs->Open(QueryText::ByLowerCaseKey(Table::MarkingWork, key), connection);
            !s) {
            return s;
        }
        if (rs->RecordCount() != 1) {
            return connection.Error(
                store::StoreError::Kind::RowVanished,
                QStringLiteral("작업 번호(W_ID) %1의 작업이 없습니다. 순서를 바꾸지 않았습니다.")
                    .arg(key));
        }
        rs->MoveFirst();
    }
    QList<QVariant> valuesOfFirst;
    QList<QVariant> valuesOfSecond;
    for (const QString& column : ExchangedColumns()) {
        const auto x = first.Value(column);
        const auto y = second.Value(column);
        if (!x) {
            return x.error();
        }
        if (!y) {
            return y.error();
        }
        valuesOfFirst.append(x.value());
        valuesOfSecond.append(y.value());
    }
    // The second's values into the first, then the first's into the second;
    // a failure in either rolls both back.
    for (auto [rs, values] :
         {std::pair{&first, &valuesOfSecond}, std::pair{&second, &valuesOfFirst}}) {
        for (int i = 0; i < ExchangedColumns().size(); ++i) {
            if (Status s = rs->SetField(ExchangedColumns().at(i), values->at(i)); !s) {
                rs->CancelUpdate();
                return s;
            }
        }
        if (Status s = rs->Update(); !s) {
            return s;
        }
    }
    if (Status s = tx.Commit(); !s) {
        return s;
    }
    first.Close();
    second.Close();
    connection.Close();
    return Status();
}

} // namespace marking::work
