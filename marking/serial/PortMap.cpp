#include "serial/PortMap.h"

#include "common/SettingsStore.h"

namespace marking {

namespace {
// The "Ports" group of the program's settings store.
std::unique_ptr<QSettings> openPorts() {
    auto settings = OpenSettings();
    settings->beginGroup(QStringLiteral("Ports"));
    return settings;
}
} // namespace

QString DevicePathForCom(int number) {
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(number - 1);
    const QString path =
        openPorts()->value(QStringLiteral("COM%1").arg(number)).toString().trimmed();
    return path.isEmpty() ? fallback : path;
}

void SetDevicePathForCom(int number, const QString& path) {
    auto settings = openPorts();
    const QString key = QStringLiteral("COM%1").arg(number);
    if (path.isEmpty())
        settings->remove(key);
    else
        settings->setValue(key, path);
    settings->sync();
}

QString PortSettingFromStore(const QString& key, const QString& fallback) {
    const QString v = openPorts()->value(key).toString().trimmed();
    return v.isEmpty() ? fallback : v;
}

} // namespace marking
