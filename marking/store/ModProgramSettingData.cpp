#include "store/ModProgramSettingData.h"

#include "common/ProgramDirectory.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"

namespace marking {

namespace store {

namespace {
template <class T> Status read(const Recordset& rs, QLatin1StringView column, T& out) {
    const QString name = column;
    Result<QVariant> v = rs.Value(name);
    if (!v)
        return v.error();
    StoreError failure;
    if constexpr (std::is_same_v<T, qint16>) {
        Result<qint16> r = ToInt16(v.value(), name);
        if (r) {
            out = r.value();
            return Status();
        }
        failure = r.error();
    } else if constexpr (std::is_same_v<T, qint32>) {
        Result<qint32> r = ToInt32(v.value(), name);
        if (r) {
            out = r.value();
            return Status();
        }
        failure = r.error();
    } else {
        Result<double> r = ToDouble(v.value(), name);
        if (r) {
            out = r.value();
            return Status();
        }
        failure = r.error();
    }
    return failure;
}
} // namespace

Status LoadProgramSettings(const QString& directory, ProgramSettingsRecord& record) {
    Connection conn;
    if (Status s = conn.Open(directory, DatabaseFile::Database); !s)
        return s;
    Recordset rs;
    if (Status s = rs.Open(QueryText::AllByKey(Table::ProgramSetting), conn); !s)
        return s;
    if (rs.RecordCount() != 1)
        return Status(); // no row or several: the record keeps its content
    rs.MoveFirst();

    // Converted into a copy first: a failing column leaves the record whole.
    ProgramSettingsRecord r = record;
    const Status steps[] = {
        read(rs, col::P_SingleMarking, r.SingleMarking),
        read(rs, col::P_ContinuityMarking, r.ContinuityMarking),
        read(rs, col::P_FileMarking, r.FileMarking),
        read(rs, col::P_PrintControler, r.PrintControler),
        read(rs, col::P_PLC, r.PLC),
        read(rs, col::P_CarvingMachine, r.CarvingMachine),
        read(rs, col::P_PipeSide, r.PipeSide),
        read(rs, col::P_DotDimension, r.DotDimension),
        read(rs, col::P_LetterIntervalDotVolume, r.LetterIntervalDotVolume),
        read(rs, col::P_Revision, r.Revision),
        read(rs, col::P_HeadHome, r.HeadHome),
        read(rs, col::P_GAP, r.GAP),
        read(rs, col::P_Pulse, r.Pulse),
        read(rs, col::P_StopperPulse, r.StopperPulse),
        read(rs, col::P_PrintControlerComPort, r.PrintControlerComPort),
        read(rs, col::P_PLCComPort, r.PLCComPort),
        read(rs, col::P_CarvingMachineComPort, r.CarvingMachineComPort),
        read(rs, col::P_FileMarkingDataIntervalCheck, r.FileMarkingDataIntervalCheck),
    };
    for (const Status& s : steps) {
        if (!s) {
            StoreError e = s.error();
            if (e.file.isEmpty())
                e.file = conn.Path();
            return e;
        }
    }
    record = r;
    return Status();
}

Result<std::optional<bool>> ReadProgramSettingFlag(const QString& column) {
    Connection conn;
    if (Status s = conn.Open(DatabaseFile::Database); !s)
        return s.error();
    Recordset rs;
    if (Status s = rs.Open(QueryText::AllByKey(Table::ProgramSetting), conn); !s)
        return s.error();
    if (rs.RecordCount() != 1)
        return std::optional<bool>();
    rs.MoveFirst();
    Result<QVariant> v = rs.Value(column);
    if (!v)
        return v.error();
    Result<bool> flag = ToBool(v.value(), column);
    if (!flag) {
        StoreError e = flag.error();
        e.file = conn.Path();
        return e;
    }
    return std::optional<bool>(flag.value());
}

Result<std::optional<bool>> ReadMarkingWorkDeleteCheck() {
    return ReadProgramSettingFlag(col::P_MarkingWorkDeleteCheck);
}

Result<std::optional<bool>> ReadNullRecordDelete() {
    return ReadProgramSettingFlag(col::P_NullRecordDelete);
}

} // namespace store

store::Status ModProgramSettingData() {
    return store::LoadProgramSettings(ProgramDirectory(), Shared().ProgramSettings);
}

} // namespace marking
