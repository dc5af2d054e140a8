#pragma once

#include "controllers/letters/SpecialLetterEditor.h"
#include "work/LiveCheck.h"

#include <QLabel>
#include <functional>
#include <optional>

class QLineEdit;

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

} // namespace marking::work
