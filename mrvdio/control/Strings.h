#pragma once

// Text conversions of the control: driver and list names are in the local
// 8-bit encoding, the automation strings UTF-16.

#include "mrvdio/ComBase.h"

#include <QString>

#include <string>

namespace mrvdio {

inline std::u16string Widen(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()))
        .toStdU16String();
}

inline BSTR NewBstr(const std::u16string& text) {
    return SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
}

inline BSTR NewBstr(const std::string& local8Bit) {
    return NewBstr(Widen(local8Bit));
}

} // namespace mrvdio
