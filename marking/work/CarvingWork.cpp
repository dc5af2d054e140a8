#include "work/CarvingWork.h"

#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "work/WorkList.h"

namespace marking::work {

using store::Connection;
using store::DatabaseFile;
using store::Recordset;
using store::Status;
namespace col = store::col;

namespace {
const QString kQuery = store::QueryText::AllByKey(store::Table::CarvingWork);

Status open(Connection& connection, Recordset& rs, const QString& directory) {
    if (Status s = connection.Open(directory, DatabaseFile::Database); !s) {
        return s;
    }
    return rs.Open(kQuery, connection);
}
} // namespace

QStringList CarvingPipeItems() {
    return {QStringLiteral("80A(각인 높이 : 4.8mm)"),  QStringLiteral("90A(각인 높이 : 4.8mm)"),
            QStringLiteral("100A(각인 높이 : 4.8mm)"), QStringLiteral("125A(각인 높이 : 6.4mm)"),
            QStringLiteral("150A(각인 높이 : 6.4mm)"), QStringLiteral("175A(각인 높이 : 6.4mm)"),
            QStringLiteral("200A(각인 높이 : 6.4mm)")};
}

QStringList CarvingDataItems() {
    return {QStringLiteral("KOREA"), QStringLiteral("TIRV")};
}

store::Result<std::optional<CarvingSetting>> ReadCarvingWork(const QString& directory) {
    Connection connection;
    Recordset rs;
    if (Status s = open(connection, rs, directory); !s) {
        return s.error();
    }
    if (rs.RecordCount() < 2) {
        return std::optional<CarvingSetting>();
    }
    rs.MoveFirst();
    CarvingSetting setting{CodeOf(rs.Field(col::C_CarvingPipe)),
                           CodeOf(rs.Field(col::C_CarvingData))};
    rs.Close();
    connection.Close();
    return std::optional<CarvingSetting>(setting);
}

store::Result<bool> SaveCarvingWork(const QString& directory, int pipe, int data) {
    Connection connection;
    Recordset rs;
    if (Status s = open(connection, rs, directory); !s) {
        return s.error();
    }
    if (rs.RecordCount() < 2) {
        return false;
    }
    rs.MoveFirst();
    for (const auto& [column, value] : {std::pair{QString(col::C_CarvingPipe), pipe},
                                        std::pair{QString(col::C_CarvingData), data}}) {
        if (Status s = rs.SetField(column, value); !s) {
            rs.CancelUpdate();
            return s.error();
        }
    }
    if (Status s = rs.Update(); !s) {
        return s.error();
    }
    rs.Close();
    connection.Close();
    return true;
}

} // namespace marking::work
