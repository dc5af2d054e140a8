#pragma once

#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// The registered marking texts (table MarkingSetting) and the marking work
// list (table MarkingWork) as the two marking screens show and change them.
// No widgets: the screens put these rows into their grids.
namespace marking::work {

// Items of the lists both screens share, in list order (item data = position).
QStringList ParenthesisItems(); // "괄호표시 안함", "@1(              )" .. "@5(              )"
QStringList WorkTeamItems();    // "A 조" .. "E 조"
QStringList LengthShownItems(); // "길이표시", "길이표시 안함"
QStringList UnitShownItems();   // "단위표시", "단위표시 안함"

// A stored code as a whole number; nullopt for a null, empty or non-numeric value.
std::optional<int> CodeOf(const QVariant& value);

// Columns of FlxMarkingData.
enum MarkingDataColumn { MdNumber = 0, MdMethod = 1, MdData = 2, MdId = 3, MdEmpty = 4 };
inline constexpr int kMarkingDataColumns = 5;

// Columns of FlxMarkingWork.
enum MarkingWorkColumn {
    MwNumber = 0,
    MwMethod = 1,
    MwData = 2,
    MwLength = 3,
    MwPi = 4,
    MwPipeVolume = 5,
    MwRepetition = 6,
    MwLengthShown = 7,
    MwUnitShown = 8,
    MwParenthesis = 9,
    MwWorkTeam = 10,
    MwId = 11,
};
inline constexpr int kMarkingWorkColumns = 12;

// One row of MarkingWork as read (a null stays null).
struct WorkValues {
    QVariant id, method, data, length, pi, pipeVolume, repetition, lengthShown, unitShown,
        parenthesis, workTeam;
};

// The grid row of a registered text: number, method name, M_Data, M_ID, "".
QStringList MarkingDataRow(int number, const QVariant& method, const QVariant& data,
                           const QVariant& id);

// The grid row of a work: by its method, "반복 횟수 없음", "길이표시 없음",
// "단위표시 없음" where the method has no such value; a code outside its list
// and a null give an empty cell; a method that is not 0, 1 or 2 gives the
// number alone.
QStringList MarkingWorkRow(int number, const WorkValues& work);

// The grid rows of the registered texts of one method, in M_ID order
// ("select * from MarkingSetting where M_MarkingMethod=m"), from the
// Database.mdb of directory.
store::Result<QList<QStringList>> ReadMarkingDataRows(const QString& directory, int method);

// The grid rows of the whole work list in W_ID order ("select * from
// MarkingWork where W_ID").
store::Result<QList<QStringList>> ReadMarkingWorkRows(const QString& directory);

// One work by its key ("select * from MarkingWork where W_ID = id"); nullopt
// when there is no such row.
store::Result<std::optional<WorkValues>> ReadWork(const QString& directory, qint64 id);

// The ten values the front exchange swaps, in the order it reads them.
const QList<QString>& ExchangedColumns();

// Exchanges the ten values of works a and b ("select * from MarkingWork where
// w_id = " a and b, on one connection) in one transaction: both rows change
// or neither does. Values are carried over as stored, an empty column
// staying empty. A key without its row is a RowVanished error.
store::Status ExchangeWorks(const QString& directory, qint64 a, qint64 b);

} // namespace marking::work
