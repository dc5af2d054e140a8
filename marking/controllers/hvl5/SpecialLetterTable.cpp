#include "controllers/hvl5/SpecialLetterTable.h"

#include <algorithm>
#include <utility>

namespace marking::hvl5 {

SpecialLetterTable::SpecialLetterTable(std::vector<SpecialLetter> rows)
    : slots_(std::move(rows)) {
    const int used = static_cast<int>(std::min<std::size_t>(slots_.size(), kSlots));
    index_.reserve(static_cast<std::size_t>(used));
    first_.assign(used > 0 ? 1024 : 0, 0);
    for (int k = 0; k < used; ++k) {
        const QString& letter = slots_[static_cast<std::size_t>(k)].letter;
        if (letter.isEmpty()) {
            continue; // an empty special letter would match everywhere: it never matches
        }
        const char16_t first = letter.at(0).unicode();
        index_.push_back({first, static_cast<std::uint16_t>(k)});
        first_[first >> 6] |= std::uint64_t{1} << (first & 63);
    }
    std::sort(index_.begin(), index_.end(), [](const Candidate& a, const Candidate& b) {
        return a.first != b.first ? a.first < b.first : a.slot < b.slot;
    });
}

int SpecialLetterTable::Match(const QChar* text, qsizetype length, qsizetype pos, int firstSlot,
                              int lastSlot) const {
    if (pos < 0 || pos >= length) {
        return -1;
    }
    const char16_t c = text[pos].unicode();
    if (!MayStartWith(c)) {
        return -1;
    }
    auto it = std::lower_bound(index_.begin(), index_.end(), c,
                               [](const Candidate& e, char16_t v) { return e.first < v; });
    const QStringView rest(text + pos, length - pos);
    for (; it != index_.end() && it->first == c; ++it) {
        if (it->slot < firstSlot || it->slot >= lastSlot) {
            continue;
        }
        const QString& letter = slots_[it->slot].letter;
        if (letter.size() <= rest.size() && rest.startsWith(letter)) {
            return it->slot;
        }
    }
    return -1;
}

} // namespace marking::hvl5
