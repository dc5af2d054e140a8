#include "common/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>

namespace marking {

namespace {
QString& dirValue() {
    static QString dir;
    return dir;
}
} // namespace

QString ProgramDirectory() {
    QString& dir = dirValue();
    if (dir.isEmpty() && QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return dir;
}

void SetProgramDirectory(const QString& dir) {
    QString clean = QDir::cleanPath(dir);
    while (clean.size() > 1 && clean.endsWith(u'/'))
        clean.chop(1);
    dirValue() = clean;
}

QString ProgramFile(const QString& name) {
    return ProgramDirectory() + u'/' + name;
}

} // namespace marking
