#include "common/SettingsStore.h"

namespace marking {

std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Marking Program"),
                                       QStringLiteral("Marking Program"));
}

QString WriteSetting(const QString& key, const QString& value) {
    auto settings = OpenSettings();
    const QString file = settings->fileName();
    if (!settings->isWritable()) {
        return QStringLiteral("설정 파일에 쓸 수 없습니다. (%1)").arg(file);
    }
    settings->setValue(key, value);
    settings->sync();
    switch (settings->status()) {
    case QSettings::NoError:
        break;
    case QSettings::AccessError:
        return QStringLiteral("설정 파일에 쓸 수 없습니다. (%1: 접근 오류)").arg(file);
    case QSettings::FormatError:
        return QStringLiteral("설정 파일의 형식이 올바르지 않습니다. (%1)").arg(file);
    }
    // Read back through a fresh object: the value must be in the file now.
    auto check = OpenSettings();
    if (check->value(key).toString() != value) {
        return QStringLiteral("설정 파일에 저장되지 않았습니다. (%1)").arg(file);
    }
    return {};
}

bool WorkReportOptionEnabled() {
    return OpenSettings()->value(QStringLiteral("Options/WorkReport"), false).toBool();
}

} // namespace marking
