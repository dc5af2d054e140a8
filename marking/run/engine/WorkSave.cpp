#include "run/engine/WorkSave.h"

#include "central/Outbox.h"
#include "central/Sender.h"
#include "common/SharedValues.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "store/Schema.h"

namespace marking::run {

namespace {

struct WorkValues {
    qint64 id = 0;
    qint16 method = SingleMarking;
    QString data;
    qint32 length = 0;
    qint16 team = 0;
};

store::StoreError inFile(store::StoreError error, const store::Connection& connection) {
    if (error.file.isEmpty())
        error.file = connection.FileName();
    return error;
}

store::Result<WorkValues> readHead() {
    using namespace store;
    Connection connection;
    if (Status s = connection.Open(DatabaseFile::Database); !s)
        return s.error();
    Recordset rows;
    if (Status s = rows.Open(QueryText::AllByKey(Table::MarkingWork), connection); !s)
        return s.error();
    WorkValues work;
    if (rows.RecordCount() == 0)
        return work;
    rows.MoveFirst();
    work.id = rows.Field(col::W_ID).toLongLong();
    const auto method = ToInt16(rows.Field(col::W_MarkingMethod), col::W_MarkingMethod);
    if (!method)
        return inFile(method.error(), connection);
    const QVariant data = rows.Field(col::W_Data);
    if (data.isNull())
        return connection.Error(StoreError::Kind::BadValue,
                                QStringLiteral("현재 작업의 %1 값이 비어 있습니다.")
                                    .arg(QLatin1StringView(col::W_Data)));
    const auto text = ToText(data, col::W_Data);
    if (!text)
        return inFile(text.error(), connection);
    const auto length = ToInt32(rows.Field(col::W_Length), col::W_Length);
    if (!length)
        return inFile(length.error(), connection);
    const auto team = ToInt16(rows.Field(col::W_WorkTeam), col::W_WorkTeam);
    if (!team)
        return inFile(team.error(), connection);
    work.method = method.value();
    work.data = text.value();
    work.length = length.value();
    work.team = team.value();
    return work;
}

store::Result<qint64> appendReport(const WorkValues& work, const QString& data,
                                   const QString& workVolume, const QDate& today) {
    using namespace store;
    Connection report;
    if (Status s = report.Open(DatabaseFile::Report); !s)
        return s.error();
    Transaction tx(report);
    if (!tx.ok())
        return tx.status().error();
    Recordset rs;
    if (Status s = rs.Open(QueryText::AllByKey(Table::WorkReport), report); !s)
        return s.error();
    if (Status s = rs.AddNew(); !s)
        return s.error();
    const QString method = MarkingMethodName(work.method);
    const QString volume = workVolume.trimmed();
    const std::pair<QLatin1StringView, QVariant> fields[] = {
        {col::R_Date, DateText(today)},
        {col::R_WorkTeam, work.team},
        {col::R_MarkingMethod, method.isEmpty() ? QVariant() : QVariant(method)},
        {col::R_Data, data},
        {col::R_Length, work.length},
        {col::R_WorkVolume, volume.isEmpty() ? QVariant(0) : QVariant(volume)},
    };
    for (const auto& [column, value] : fields) {
        if (column == col::R_MarkingMethod && value.isNull())
            continue; // not written for a method without a name
        if (Status s = rs.SetField(column, value); !s)
            return s.error();
    }
    if (Status s = rs.Update(); !s)
        return s.error();
    const qint64 rId = rs.Field(col::R_ID).toLongLong();
    if (Status s = central::AppendOutbox(report, rId); !s)
        return s.error();
    if (Status s = tx.Commit(); !s)
        return s.error();
    return rId;
}

} // namespace

store::Result<SavedWork> SaveWorkData(const QString& workVolume, const QDate& today) {
    SharedValues& shared = Shared();
    shared.MarkingWorkStarted = false;
    shared.MarkingText.clear();
    struct EndState {
        ~EndState() {
            Shared().MarkingText.clear();
            Shared().MarkingWorkStarted = false;
        }
    } end;

    const store::Result<WorkValues> work = readHead();
    if (!work)
        return work.error();
    shared.MarkingText = work.value().data;
    const store::Result<qint64> rId =
        appendReport(work.value(), shared.MarkingText, workVolume, today);
    if (!rId)
        return rId.error();
    central::NotifyOutboxChanged();
    return SavedWork{work.value().id, rId.value()};
}

store::Status RemoveFinishedWork(qint64 workId) {
    using namespace store;
    Connection connection;
    if (Status s = connection.Open(DatabaseFile::Database); !s)
        return s;
    Recordset rows;
    if (Status s = rows.Open(QueryText::ByKey(Table::MarkingWork, workId), connection); !s)
        return s;
    if (rows.RecordCount() == 0)
        return {};
    rows.MoveFirst();
    return rows.Delete();
}

} // namespace marking::run
