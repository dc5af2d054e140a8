#pragma once

#include "store/StoreError.h"

#include <QString>
#include <QVariant>
#include <array>
#include <optional>

namespace marking::run {

// The head of the work list, as stored: every column as read, a null stays
// null so that the screen can show it as empty.
struct CurrentWork {
    qint64 id = 0; // W_ID
    QVariant method, data, length, pi, pipeVolume, parenthesis, workTeam, repetition;
};

// The first row of "select * from MarkingWork where W_ID" in Database.mdb of
// the program directory; nothing when the work list is empty.
store::Result<std::optional<CurrentWork>> ReadCurrentWork();

// Characters per marking data line of the run screen.
inline constexpr int kDataLineLength = 111;

// Splits a marking text into the three data lines: characters 1-111,
// 112-222 and the rest. The prefix (the parenthesis preset) goes in front of
// the first line after the split.
std::array<QString, 3> SplitMarkingData(const QString& data, const QString& prefix = {});

// TxtParenthesis for a preset: "괄호표시 안함" for 0, "@3(" fourteen blanks ")"
// for 1 to 5, empty otherwise.
QString ParenthesisDisplay(int preset);

// A stored number as a field shows it: empty for a null.
QString DisplayText(const QVariant& value);

} // namespace marking::run
