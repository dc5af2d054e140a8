#include "run/engine/CurrentWork.h"

#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"

namespace marking::run {

store::Result<std::optional<CurrentWork>> ReadCurrentWork() {
    using namespace store;
    Connection connection;
    if (Status s = connection.Open(DatabaseFile::Database); !s)
        return s.error();
    Recordset rows;
    if (Status s = rows.Open(QueryText::AllByKey(Table::MarkingWork), connection); !s)
        return s.error();
    if (rows.RecordCount() == 0)
        return std::optional<CurrentWork>();
    rows.MoveFirst();
    CurrentWork work;
    work.id = rows.Field(col::W_ID).toLongLong();
    work.method = rows.Field(col::W_MarkingMethod);
    work.data = rows.Field(col::W_Data);
    work.length = rows.Field(col::W_Length);
    work.pi = rows.Field(col::W_Pi);
    work.pipeVolume = rows.Field(col::W_PipeVolume);
    work.parenthesis = rows.Field(col::W_Parenthesis);
    work.workTeam = rows.Field(col::W_WorkTeam);
    work.repetition = rows.Field(col::W_Reptition);
    return std::optional<CurrentWork>(std::move(work));
}

std::array<QString, 3> SplitMarkingData(const QString& data, const QString& prefix) {
    return {prefix + data.left(kDataLineLength), data.mid(kDataLineLength, kDataLineLength),
            data.mid(2 * kDataLineLength)};
}

QString ParenthesisDisplay(int preset) {
    if (preset == 0)
        return QStringLiteral("괄호표시 안함");
    if (preset < 1 || preset > 5)
        return {};
    return QStringLiteral("@%1(%2)").arg(preset).arg(QString(14, u' '));
}

QString DisplayText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    return value.toString();
}

} // namespace marking::run
