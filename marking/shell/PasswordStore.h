#pragma once

#include <QString>

namespace marking::shell {

// The management password in the settings store: section "Management",
// key "Password", plain text.
inline constexpr char kDefaultPassword[] = "7391";
inline constexpr char kPasswordKey[] = "Management/Password";

QString StoredPassword(); // empty when missing

// Stores "7391" when the stored password is missing or empty. Returns an
// empty string on success (or when nothing had to be stored), otherwise the
// message naming the settings file.
QString EnsureDefaultPassword();

// The password a typed text is compared with: the stored one, or "7391"
// when the store holds none (for example because it cannot be written).
QString EffectivePassword();

// Stores a new password; empty string on success, otherwise the message.
QString StorePassword(const QString& password);

} // namespace marking::shell
