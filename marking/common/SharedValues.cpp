#include "common/SharedValues.h"

namespace marking {

SharedValues& Shared() {
    static SharedValues values;
    return values;
}

void ResetSharedValues() {
    Shared() = SharedValues{};
}

QString MarkingMethodName(int method) {
    switch (method) {
    case SingleMarking:
        return QStringLiteral("단마킹");
    case ContinuityMarking:
        return QStringLiteral("연속마킹");
    case FileMarking:
        return QStringLiteral("파일마킹");
    default:
        return {};
    }
}

QString WorkTeamName(int team) {
    if (team < 0 || team > 4)
        return {};
    return QString(QChar(u'A' + team)) + QStringLiteral(" 조");
}

} // namespace marking
