#include "controllers/hvl5/SpecialLetterStore.h"

#include "store/Connection.h"
#include "store/Recordset.h"

namespace marking::hvl5 {

store::Result<std::vector<SpecialLetter>> ReadSpecialLetters(const QString& directory)
{
    store::Connection connection;
    if (store::Status s = connection.Open(directory, store::DatabaseFile::Database); !s)
        return s.error();
    store::Recordset rows;
    if (store::Status s = rows.Open(QStringLiteral("select * from SpecialLetter where S_ID"),
                                    connection);
        !s)
        return s.error();

    std::vector<SpecialLetter> slots;
    const int count = rows.RecordCount();
    if (count == 0)
        return slots;
    if (count < SpecialLetterTable::kSlots) {
        return connection.Error(
            store::StoreError::Kind::Failed,
            QStringLiteral("특수문자 테이블(SpecialLetter)에 행이 %1개뿐입니다. %2개가 "
                           "있어야 합니다.")
                .arg(count)
                .arg(SpecialLetterTable::kSlots));
    }
    slots.reserve(SpecialLetterTable::kSlots);
    rows.MoveFirst();
    for (int slot = 0; slot < SpecialLetterTable::kSlots && !rows.Eof(); ++slot) {
        SpecialLetter letter;
        for (const char* column :
             {"S_ID", "S_SpecialLetter", "S_FunctionKey", "S_ControllerAddress"}) {
            const store::Result<QVariant> value = rows.Value(QLatin1String(column));
            if (!value)
                return value.error();
        }
        letter.id = rows.Field(QStringLiteral("S_ID")).toInt();
        letter.letter = rows.Field(QStringLiteral("S_SpecialLetter")).toString();
        letter.functionKey = rows.Field(QStringLiteral("S_FunctionKey")).toString();
        letter.controllerAddress = rows.Field(QStringLiteral("S_ControllerAddress")).toString();
        slots.push_back(std::move(letter));
        rows.MoveNext();
    }
    rows.Close();
    connection.Close();
    return slots;
}

} // namespace marking::hvl5
