#include "work/ModContinuityMarkingDataRepetitionCheck.h"

#include "common/ProgramDirectory.h"
#include "common/SharedValues.h"
#include "controllers/hvl5/Hvl5Modules.h"
#include "controllers/hvl5/SpecialLetterStore.h"
#include "store/Columns.h"
#include "store/Connection.h"
#include "store/ModProgramSettingData.h"
#include "store/QueryText.h"
#include "store/Recordset.h"
#include "work/RepetitionCheck.h"

namespace marking {

namespace {

RepetitionCheckOutcome Refused(const QString& message, const QString& title) {
    Shared().MarkingText.clear();
    return RepetitionCheckOutcome{false, message, title};
}

RepetitionCheckOutcome StoreRefusal(const store::StoreError& error) {
    return Refused(error.Text(), store::StoreErrorTitle());
}

// A column of the current row as the text it holds; an empty column is empty.
QString ColumnText(const store::Recordset& rows, const QString& column) {
    const QVariant v = rows.Field(column);
    return v.isNull() || !v.isValid() ? QString() : v.toString();
}

} // namespace

RepetitionCheckOutcome ModContinuityMarkingDataRepetitionCheck() {
    SharedValues& shared = Shared();
    shared.MarkingText.clear();
    shared.CurrentRepetition = 0;
    shared.ParenthesisSelection = 0;

    if (store::Status s = ModProgramSettingData(); !s) {
        return StoreRefusal(s.error());
    }

    work::RepetitionWork work;
    {
        store::Connection connection;
        if (store::Status s = connection.Open(store::DatabaseFile::Database); !s) {
            return StoreRefusal(s.error());
        }
        store::Recordset rows;
        if (store::Status s =
                rows.Open(store::QueryText::AllByKey(store::Table::MarkingWork), connection);
            !s) {
            return StoreRefusal(s.error());
        }
        if (rows.RecordCount() == 0) {
            return RepetitionCheckOutcome{}; // an empty work list: nothing to mark
        }
        rows.MoveFirst();
        using namespace store::col;
        for (const QLatin1StringView column : {W_Data, W_Length, W_Reptition, W_Parenthesis}) {
            if (const store::Result<QVariant> v = rows.Value(column); !v) {
                return StoreRefusal(v.error());
            }
        }
        work.data = ColumnText(rows, W_Data);
        work.length = ColumnText(rows, W_Length);
        work.repetition = ColumnText(rows, W_Reptition);
        work.parenthesis = static_cast<std::int16_t>(rows.Field(W_Parenthesis).toInt());
    }
    shared.MarkingText = work.data;
    shared.ParenthesisSelection = work.parenthesis;
    bool numeric = false;
    const int copies = work.repetition.trimmed().toInt(&numeric);
    if (numeric && copies >= 0 && copies <= 32767) {
        shared.CurrentRepetition = static_cast<std::int16_t>(copies);
    }

    const ProgramSettingsRecord& settings = shared.ProgramSettings;
    work::RepetitionSettings rs;
    rs.controller = settings.PrintControler;
    rs.pipeSide = settings.PipeSide;
    rs.dotDimension = settings.DotDimension;
    rs.letterInterval = settings.LetterIntervalDotVolume;
    rs.revision = settings.Revision;

    std::int32_t trxWidth = 0; // the TRX length checks start every run with width 0
    std::int32_t* width = &trxWidth;
    if (rs.controller == ControllerHVL5) {
        auto letters = hvl5::ReadSpecialLetters(ProgramDirectory());
        if (!letters) {
            return StoreRefusal(letters.error());
        }
        if (!letters.value().empty()) {
            HVL5SpecialLetterTable() = hvl5::SpecialLetterTable(std::move(letters.value()));
        }
        width = &HVL5LetterWidth();
    }
    const work::RepetitionResult r =
        work::CheckRepetition(work, rs, HVL5SpecialLetterTable(), *width);
    if (!r.ok) {
        return Refused(r.message, r.title);
    }
    if (rs.controller >= 0 && rs.controller <= 2) {
        shared.MarkingDataLength = r.length;
    }
    shared.MarkingText = r.text;
    return RepetitionCheckOutcome{};
}

} // namespace marking
