#include "serial/PortMap.h"

#include <QSettings>

namespace marking {

QString DevicePathForCom(int number) {
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(number - 1);
    QSettings s(QStringLiteral("Marking Program"), QStringLiteral("Marking Program"));
    s.beginGroup(QStringLiteral("Ports"));
    const QString path = s.value(QStringLiteral("COM%1").arg(number)).toString().trimmed();
    return path.isEmpty() ? fallback : path;
}

void SetDevicePathForCom(int number, const QString& path) {
    QSettings s(QStringLiteral("Marking Program"), QStringLiteral("Marking Program"));
    s.beginGroup(QStringLiteral("Ports"));
    const QString key = QStringLiteral("COM%1").arg(number);
    if (path.isEmpty())
        s.remove(key);
    else
        s.setValue(key, path);
    s.sync();
}

QString PortSettingFromStore(const QString& key, const QString& fallback) {
    QSettings s(QStringLiteral("Marking Program"), QStringLiteral("Marking Program"));
    s.beginGroup(QStringLiteral("Ports"));
    const QString v = s.value(key).toString().trimmed();
    return v.isEmpty() ? fallback : v;
}

} // namespace marking
