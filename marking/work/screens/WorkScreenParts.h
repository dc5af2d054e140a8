#pragma once

#include "controllers/letters/SpecialLetterEditor.h"
#include "store/Columns.h"
#include "store/StoreError.h"
#include "work/LiveCheck.h"

#include <QLabel>
#include <QStringList>
#include <functional>
#include <optional>

class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;

namespace marking {
class ScreenForm;
struct ColumnValue;
} // namespace marking

// Parts the two marking screens share.
namespace marking::work {

// The editor F9 opens for the configured controller: caller 1 is
// FomMarkingSetting, 2 FomMarkingWorkState (whose TRX-20 palette follows the
// disc list: 0 disc 1, 1 disc 2). nullopt: no controller is configured.
std::optional<SpecialLetterEditor> SpecialLetterEditorFor(int controller, int caller, int disc = 0);

// Opens a special letter editor modally (ShowSpecialLetterEditor). Tests put
// an opener of their own in its place; an empty one restores the editors.
using SpecialLetterOpener = std::function<void(SpecialLetterEditor, QWidget* parent)>;
void SetSpecialLetterOpener(SpecialLetterOpener opener);
void OpenSpecialLetterEditor(SpecialLetterEditor editor, QWidget* parent);

// A special letter written into a marking data field as the palettes write
// it: kept as it is (the palettes exist for the lower-case control letters),
// control characters dropped, the field's length limit holding.
// Append: at the end, wherever the caret is. Insert: at the caret, which
// then stands after the letter.
void AppendToMarkingData(QLineEdit* field, const QString& letter);
void InsertIntoMarkingData(QLineEdit* field, const QString& letter);

// The one-line status under a marking data field ("LblLiveCheck").
class LiveCheckLine : public QLabel {
    Q_OBJECT
public:
    explicit LiveCheckLine(QWidget* parent);
    void Show(const LiveResult& result);
    LiveTone Tone() const { return tone_; }

private:
    LiveTone tone_ = LiveTone::Incomplete;
};

// The settings and HVL-5 letters a screen's live check line measures with:
// read when the screen is shown and whenever a check reloads the settings,
// so that the line changes no shared value.
struct LiveInputs {
    ProgramSettingsRecord settings;
    hvl5::SpecialLetterTable letters;

    // Rereads both; what cannot be read stays as it was.
    void Reload();
    // A live check for the screen of caller and the marking method it has
    // chosen: its TxtData, CboParenthesis, TxtRepetition and TxtLength as
    // they stand, measured with these.
    LiveInput For(const ScreenForm& form, int caller, int method) const;
};

// A store failure met while the screen is loading or being shown, reported
// once the event loop runs again (never from inside the show event).
void ReportStoreErrorLater(QObject* context, const store::Status& status);

// The checks before a text is stored: the text of the marking data field
// (trimmed) into MarkingText for caller, the settings reloaded (and taken
// into live), the controller's rule check and code page 949. False, with the
// reason shown, when the text may not be stored.
bool CheckMarkingText(const QString& text, int caller, LiveInputs& live);

// F9: the special letter editor of the configured controller for the screen
// of caller (SpecialLetterTarget while it is open), the settings reloaded
// into live first; no controller configured is shown instead.
void OpenSpecialLetters(int caller, int disc, LiveInputs& live, QWidget* parent);

// The numbers of a work as typed: TxtLength, TxtPi and TxtPipeVolume, and
// TxtRepetition for continuity marking (neither empty nor all zeros; an empty
// one is refused with emptyRepetition under emptyTitle). A value its column
// cannot hold is refused rather than overflowing. nullopt, with the refusal
// shown and the focus in the field, when one is refused.
struct WorkNumbers {
    qint64 length = 0;
    qint64 repetition = 0;
};
std::optional<WorkNumbers> ReadWorkNumbers(const ScreenForm& form, bool continuity,
                                           const QString& emptyRepetition,
                                           const QString& emptyTitle);

// The checks before a work of method is stored, after its numbers: the
// marking text (CheckMarkingText), the controller's length check with
// CboParenthesis and the repetition, and a marking no longer than the pipe
// less PipeSide. False, with the reason shown, when the work may not be stored.
bool CheckWork(const ScreenForm& form, int caller, int method, const WorkNumbers& numbers,
               LiveInputs& live);

// The stored rows the screens add, amend and delete (in Database.mdb), each
// in one edit. A database failure is shown.
// Adds a row with values; false when it could not be stored.
bool AddStoredRow(store::Table table, const QList<ColumnValue>& values);
// What became of a chosen row.
enum class RowChange {
    Failed,     // a database failure, shown
    NotChanged, // no such row (said so), or the operator kept it
    Changed,
};
// Writes values into the row of table with key and says so ("정상적으로 수정
// 되었습니다."); a row no longer there is "수정에 실패 실패하였습니다.".
RowChange AmendStoredRow(store::Table table, qint64 key, const QList<ColumnValue>& values);
// Deletes the row of table with key once the operator answers question with
// yes; a row no longer there is "선택한 데이터는 존재하지 않는 않습니다.".
RowChange DeleteStoredRow(store::Table table, qint64 key, const QString& question);

// The layouts both screens stack under their title:
// a row of the control first with the field second and button beside it;
QGridLayout* FieldWithButtonRow(const ScreenForm& form, const QString& first, const QString& second,
                                const QString& button);
// the marking data field TxtData, in large letters, with line under it;
QGridLayout* MarkingDataRows(const ScreenForm& form, LiveCheckLine* line);
// the number fields on the left, lists on the right.
QHBoxLayout* NumbersAndLists(const ScreenForm& form, const QStringList& lists);

} // namespace marking::work
