#include "controllers/hvl5/SpecialLetterStore.h"

#include "store/Columns.h"
#include "store/Connection.h"
#include "store/QueryText.h"
#include "store/Recordset.h"

namespace marking::hvl5 {

store::Result<std::vector<SpecialLetter>> ReadSpecialLetters(const QString& directory) {
    store::Connection connection;
    if (store::Status s = connection.Open(directory, store::DatabaseFile::Database); !s) {
        return s.error();
    }
    store::Recordset rows;
    if (store::Status s =
            rows.Open(store::QueryText::AllByKey(store::Table::SpecialLetter), connection);
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
        QString* texts[] = {&row.letter, &row.functionKey, &row.controllerAddress};
        const QLatin1StringView textColumns[] = {store::col::S_SpecialLetter,
                                                 store::col::S_FunctionKey,
                                                 store::col::S_ControllerAddress};
        const store::Result<QVariant> id = rows.Value(store::col::S_ID);
        if (!id) {
            return id.error();
        }
        const store::Result<qint32> key = store::ToInt32(id.value(), store::col::S_ID);
        if (!key) {
            return connection.Error(key.error().kind, key.error().reason);
        }
        row.id = key.value();
        for (int i = 0; i < 3; ++i) {
            const QString column = textColumns[i];
            const store::Result<QVariant> value = rows.Value(column);
            if (!value) {
                return value.error();
            }
            // A number here (a table whose columns are not text) is refused:
            // it would be sent as the digits of its decimal form.
            const store::Result<QString> text = store::ToText(value.value(), column);
            if (!text) {
                return connection.Error(text.error().kind, text.error().reason);
            }
            *texts[i] = text.value();
        }
        letters.push_back(std::move(row));
        rows.MoveNext();
    }
    rows.Close();
    connection.Close();
    return letters;
}

} // namespace marking::hvl5
