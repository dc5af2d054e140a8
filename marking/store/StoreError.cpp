#include "store/StoreError.h"

#include "common/MessagePort.h"

namespace marking::store {

QString StoreError::Text() const {
    if (file.isEmpty())
        return reason;
    return QStringLiteral("%1: %2").arg(file, reason);
}

QString StoreErrorTitle() {
    return QStringLiteral("데이터베이스 오류!");
}

void ShowStoreError(const StoreError& error) {
    Messages().ShowMessage(error.Text(), StoreErrorTitle(), MessageIcon::Information);
}

bool Status::ReportIfFailed() const {
    if (error_)
        ShowStoreError(*error_);
    return ok();
}

} // namespace marking::store
