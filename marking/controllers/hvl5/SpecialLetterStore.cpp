#include "controllers/hvl5/SpecialLetterStore.h"

#include "store/Connection.h"
#include "store/Recordset.h"

namespace marking::hvl5 {

store::Result<std::vector<SpecialLetter>> ReadSpecialLetters(const QString& directory) {
    store::Connection connection;
    if (store::Status s = connection.Open(directory, store::DatabaseFile::Database); !s) {
        return s.error();
    }
    store::Recordset rows;
    if (store::Status s =
            rows.Open(QStringLiteral("select * from SpecialLetter where S_ID"), connection);
        !s) {
        return s.error();
    }

    std::vector<SpecialLetter> letters;
    const int count = rows.RecordCount();
    if (count == 0) {
        return letters;
    }
    if (count < SpecialLetterTable::kSlots) {
        return connection.Error(
            store::StoreError::Kind::Failed,
            QStringLiteral("특수문자 테이블(SpecialLetter)에 행이 %1개뿐입니다. %2개가 "
                           "있어야 합니다.")
                .arg(count)
                .arg(SpecialLetterTable::kSlots));
    }
    letters.reserve(SpecialLetterTable::kSlots);
    rows.MoveFirst();
    for (int slot = 0; slot < SpecialLetterTable::kSlots && !rows.Eof(); ++slot) {
        SpecialLetter row;
        for (const char* column :
             {"S_ID", "S_SpecialLetter", "S_FunctionKey", "S_ControllerAddress"}) {
            const store::Result<QVariant> value = rows.Value(QLatin1String(column));
            if (!value) {
                return value.error();
            }
        }
        row.id = rows.Field(QStringLiteral("S_ID")).toInt();
        row.letter = rows.Field(QStringLiteral("S_SpecialLetter")).toString();
        row.functionKey = rows.Field(QStringLiteral("S_FunctionKey")).toString();
        row.controllerAddress = rows.Field(QStringLiteral("S_ControllerAddress")).toString();
        letters.push_back(std::move(row));
        rows.MoveNext();
    }
    rows.Close();
    connection.Close();
    return letters;
}

} // namespace marking::hvl5
