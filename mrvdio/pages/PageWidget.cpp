#include "pages/PageWidget.h"

#include "control/Module.h"

#include <QMessageBox>

namespace mrvdio::pages {

PageWidget::PageWidget(QWidget* parent)
    : QWidget(parent) {}

void PageWidget::SetObjects(std::vector<ComPtr<IMrvDIO>> objects) {
    objects_ = std::move(objects);
    if (!objects_.empty())
        Fill(objects_.front().Get());
    SetDirty(false);
}

HRESULT PageWidget::Apply() {
    HRESULT hr = S_OK;
    for (const ComPtr<IMrvDIO>& c : objects_) {
        hr = ApplyTo(c.Get());
        if (FAILED(hr))
            break;
    }
    SetDirty(false);
    return FAILED(hr) ? hr : S_OK;
}

void PageWidget::SetDirty(bool dirty) {
    if (dirty_ == dirty)
        return;
    dirty_ = dirty;
    emit DirtyChanged(dirty);
}

void PageWidget::ShowMessage(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("PageMessage"));
    RunDialog(&box);
}

int32_t IntOf(IMrvDIO* c, HRESULT (IMrvDIO::*get)(int32_t*)) {
    int32_t v = 0;
    if (FAILED((c->*get)(&v)))
        v = 0;
    return v;
}

} // namespace mrvdio::pages
