#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace marking::hvl5 {

// One row of table SpecialLetter: a glyph slot of the HVL-5.
struct SpecialLetter {
    std::int32_t id = 0;       // S_ID
    QString letter;            // S_SpecialLetter: the text the marking data use
    QString functionKey;       // S_FunctionKey: key label on the special letter screen
    QString controllerAddress; // S_ControllerAddress: what the controller receives instead

    bool operator==(const SpecialLetter&) const = default;
};

// The HVL5SpecialLetterTable: the slots in key order (slot 1 first). Slots 1 to
// 50 are bank 4 ("@4"/"q4"), 51 to 100 bank 5 ("@5"/"q5"); slots past 100 are
// never used. A slot whose special letter is empty never matches.
//
// Built once per load; it keeps an index by first character so that a text is
// matched against the slots without trying every slot at every position, and
// a set of those first characters that says at once where no slot can match.
class SpecialLetterTable {
public:
    static constexpr int kSlots = 100;
    static constexpr int kBankSize = 50;

    SpecialLetterTable() = default;
    explicit SpecialLetterTable(std::vector<SpecialLetter> rows);

    const std::vector<SpecialLetter>& rows() const { return slots_; }
    bool empty() const { return slots_.empty(); }

    // Whether some special letter begins with c (Match is -1 otherwise).
    bool MayStartWith(char16_t c) const {
        return !first_.empty() && (first_[c >> 6] & (std::uint64_t{1} << (c & 63)));
    }

    // The first slot (0-based index) among [firstSlot, lastSlot) whose special
    // letter the text holds at position pos, or -1.
    int Match(const QChar* text, qsizetype length, qsizetype pos, int firstSlot,
              int lastSlot) const;

private:
    struct Candidate {
        char16_t first;
        std::uint16_t slot;
    };
    std::vector<SpecialLetter> slots_;
    std::vector<Candidate> index_;     // sorted by (first character, slot)
    std::vector<std::uint64_t> first_; // one bit per UTF-16 unit that begins a letter
};

} // namespace marking::hvl5
