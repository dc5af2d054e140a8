#pragma once

#include <QString>

namespace marking {

// The program's serial ports are named "COM 1", "COM 2", ...; each maps to a
// device path in the settings store ("Marking Program" / "Ports" / "COM<n>").
// Without an entry COM n is /dev/ttyS<n-1>.
QString DevicePathForCom(int number);
// Writes the entry for COM n; an empty path removes it (back to the default).
void SetDevicePathForCom(int number, const QString& path);

// Line settings kept in the settings store under "Ports" / key, or fallback.
QString PortSettingFromStore(const QString& key, const QString& fallback);

// Highest COM number the program accepts.
constexpr int MaxComNumber = 255;

} // namespace marking
