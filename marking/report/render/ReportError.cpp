#include "report/render/ReportError.h"

#include "common/MessagePort.h"
#include "store/StoreError.h"

namespace marking::report {

QString ReportError::Text() const {
    if (file.isEmpty())
        return reason;
    if (line > 0)
        return QStringLiteral("%1 %2행: %3").arg(file, QString::number(line), reason);
    return QStringLiteral("%1: %2").arg(file, reason);
}

ReportError ReportError::FromStore(const store::StoreError& error) {
    return ReportError{error.file, 0, error.reason};
}

QString ReportErrorTitle() {
    return QStringLiteral("리포트 오류!");
}

void ShowReportError(const ReportError& error) {
    Messages().ShowMessage(error.Text(), ReportErrorTitle(), MessageIcon::Information);
}

} // namespace marking::report
