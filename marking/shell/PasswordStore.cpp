#include "shell/PasswordStore.h"

#include "common/SettingsStore.h"

namespace marking::shell {

QString StoredPassword() {
    return OpenSettings()->value(QLatin1String(kPasswordKey), QString()).toString();
}

QString EnsureDefaultPassword() {
    if (!StoredPassword().isEmpty()) {
        return {};
    }
    return WriteSetting(QLatin1String(kPasswordKey), QLatin1String(kDefaultPassword));
}

QString EffectivePassword() {
    const QString stored = StoredPassword();
    return stored.isEmpty() ? QString::fromLatin1(kDefaultPassword) : stored;
}

QString StorePassword(const QString& password) {
    return WriteSetting(QLatin1String(kPasswordKey), password);
}

} // namespace marking::shell
