#pragma once

// The checks of a typed scan start or scan count on the pages.

#include <QString>

#include <cstdint>

namespace mrvdio::pages {

enum class ScanField { Start, Count };

struct ScanEdit {
    int32_t start;
    int32_t count;
    QString message; // to show, empty when the value was taken as typed
};

// `typed` replaces the start or the count of (start, count) on a device with
// `diPortCount` DI ports. Not a whole non-negative number: "Input Error!",
// the old values stay. A start beyond the last port: "Scan Start port
// number is invalid!", the old values stay. A range past the last port: the
// count becomes diPortCount - start and the message is `clipFormat` with the
// new count for %1.
ScanEdit CheckScanEdit(ScanField field, const QString& typed, int32_t start, int32_t count,
                       int32_t diPortCount, const QString& clipFormat);

} // namespace mrvdio::pages
