#include "config/PropertyFrame.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace mrvdio::config {

// The pages' site: a page that changes its dirty state updates the buttons.
struct PropertyFrame::Site final : ComObject<IPropertyPageSite, IID_IPropertyPageSite> {
    explicit Site(PropertyFrame* frame)
        : frame(frame) {}
    HRESULT OnStatusChange(uint32_t) override {
        if (frame)
            frame->UpdateButtons();
        return S_OK;
    }
    PropertyFrame* frame;
};

PropertyFrame::PropertyFrame(ComPtr<IUnknown> control,
                             std::shared_ptr<host::ComponentLibrary> library,
                             host::StateFile stateFile, QWidget* parent)
    : QDialog(parent)
    , control_(std::move(control))
    , library_(std::move(library))
    , stateFile_(std::move(stateFile))
    , tabs_(new QTabWidget(this))
    , buttons_(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
    , site_(new Site(this)) {
    setObjectName(QStringLiteral("PropertyFrame"));
    setWindowTitle(QStringLiteral("MrvDIO1 속성 - %1").arg(stateFile_.Path()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    buttons_->button(QDialogButtonBox::Apply)->setText(QStringLiteral("Apply"));
    connect(buttons_->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            [this] { ApplyAll(); });
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        if (ApplyAll())
            accept();
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The pages the control names, made by class identifier.
    ComPtr<ISpecifyPropertyPages> specify;
    CAUUID ids{0, nullptr};
    if (FAILED(control_.As(IID_ISpecifyPropertyPages, &specify)) || FAILED(specify->GetPages(&ids)))
        ids = CAUUID{0, nullptr};
    QSize largest(0, 0);
    for (uint32_t i = 0; i < ids.cElems; ++i) {
        ComPtr<IClassFactory> factory;
        ComPtr<IPropertyPage> page;
        if (FAILED(library_->GetClassObject(ids.pElems[i], IID_IClassFactory, factory.PutVoid())) ||
            FAILED(factory->CreateInstance(nullptr, IID_IPropertyPage, page.PutVoid())))
            continue;
        PROPPAGEINFO info{};
        page->GetPageInfo(&info);
        auto* holder = new QWidget(tabs_);
        holder->setMinimumSize(info.size.cx, info.size.cy);
        largest = largest.expandedTo(QSize(info.size.cx, info.size.cy));
        tabs_->addTab(holder, QString::fromStdString(BstrToUtf8(info.title)));
        holder->setToolTip(QString::fromStdString(BstrToUtf8(info.docString)));
        SysFreeString(info.title);
        SysFreeString(info.docString);
        IUnknown* objects[] = {control_.Get()};
        page->SetPageSite(site_);
        page->SetObjects(1, objects);
        const RECT rect{0, 0, info.size.cx, info.size.cy};
        page->Activate(holder, &rect, 1);
        // The page's widget fills its tab.
        auto* fill = new QVBoxLayout(holder);
        fill->setContentsMargins(0, 0, 0, 0);
        for (QWidget* w : holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            fill->addWidget(w);
        page->Show(1);
        pages_.push_back(page);
    }
    std::free(ids.pElems);
    UpdateButtons();
}

PropertyFrame::~PropertyFrame() {
    site_->frame = nullptr;
    for (const auto& page : pages_) {
        page->Deactivate();
        page->SetPageSite(nullptr);
    }
    pages_.clear();
    site_->Release();
}

bool PropertyFrame::AnyDirty() const {
    for (const auto& page : pages_)
        if (page->IsPageDirty() == S_OK)
            return true;
    return false;
}

void PropertyFrame::UpdateButtons() {
    buttons_->button(QDialogButtonBox::Apply)->setEnabled(AnyDirty());
}

void PropertyFrame::ShowProblem(const QString& text) {
    QMessageBox::warning(this, QStringLiteral("확인!"), text);
}

bool PropertyFrame::ApplyAll() {
    bool ok = true;
    for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
        if (pages_[i]->IsPageDirty() != S_OK)
            continue;
        if (FAILED(pages_[i]->Apply())) {
            ComPtr<IMrvDIO> dio;
            control_.As(IID_IMrvDIO, &dio);
            Bstr why;
            if (dio)
                dio->get_LastErrorMessage(why.Put());
            ShowProblem(
                QStringLiteral("'%1' 설정을 적용하지 못했습니다: %2")
                    .arg(tabs_->tabText(i).replace(QStringLiteral("&&"), QStringLiteral("&")),
                         QString::fromStdString(why.Utf8())));
            ok = false;
        }
    }
    const host::StateFileResult saved = stateFile_.SaveIfDirty(control_.Get());
    if (!saved.ok) {
        ShowProblem(saved.message);
        ok = false;
    }
    UpdateButtons();
    return ok;
}

} // namespace mrvdio::config
