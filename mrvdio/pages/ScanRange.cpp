#include "pages/ScanRange.h"

namespace mrvdio::pages {

ScanEdit CheckScanEdit(ScanField field, const QString& typed, int32_t start, int32_t count,
                       int32_t diPortCount, const QString& clipFormat) {
    const QString text = typed.trimmed();
    bool ok = !text.isEmpty();
    for (const QChar ch : text)
        ok = ok && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    const int64_t value = ok ? text.toLongLong(&ok) : 0;
    if (!ok || value > INT32_MAX)
        return {start, count, QStringLiteral("Input Error!")};
    ScanEdit edit{start, count, {}};
    if (field == ScanField::Start) {
        if (value >= diPortCount)
            return {start, count, QStringLiteral("Scan Start port number is invalid!")};
        edit.start = static_cast<int32_t>(value);
    } else {
        edit.count = static_cast<int32_t>(value);
    }
    if (static_cast<int64_t>(edit.start) + edit.count > diPortCount) {
        edit.count = std::max(diPortCount - edit.start, 0);
        edit.message = clipFormat.arg(edit.count);
    }
    return edit;
}

} // namespace mrvdio::pages
