#include "pages/PropertyPages.h"

#include "control/Module.h"
#include "control/Strings.h"
#include "mrvdio/MrvDIO.h"
#include "pages/DiInterruptPage.h"
#include "pages/GeneralPage.h"
#include "pages/MiscPage.h"
#include "pages/PortDirectionPage.h"

#include <QPointer>

#include <new>

namespace mrvdio::pages {

namespace {

template <class Page> PageWidget* Make(QWidget* parent) {
    return new Page(parent);
}

const PageClass kPages[] = {
    {&CLSID_QuadrelProp, "General", "General Device Information", &Make<GeneralPage>},
    {&CLSID_DIOPortProp, "Port Direction", "Configure the DIO Ports' Direction",
     &Make<PortDirectionPage>},
    {&CLSID_DIInterruptProp, "DI Interrupt", "Configure DI Interrupt function",
     &Make<DiInterruptPage>},
    {&CLSID_DIOMiscProp, "Pattern Match && Status Change",
     "DI Pattern Match & Status Change Configuration", &Make<MiscPage>},
};

constexpr SIZEL kPageSize = {460, 360};

QRect ToRect(const RECT* r) {
    return QRect(QPoint(r->left, r->top), QPoint(r->right - 1, r->bottom - 1));
}

class PropertyPageObject final : public ComObject<IPropertyPage, IID_IPropertyPage> {
public:
    explicit PropertyPageObject(const PageClass& cls)
        : class_(cls) {
        ModuleObjectCreated();
    }

    HRESULT SetPageSite(IPropertyPageSite* site) override {
        if (site)
            site->AddRef();
        if (site_)
            site_->Release();
        site_ = site;
        return S_OK;
    }

    HRESULT Activate(void* parent, const RECT* rect, int32_t) override {
        if (widget_)
            return E_UNEXPECTED;
        widget_ = class_.make(static_cast<QWidget*>(parent));
        if (rect)
            widget_->setGeometry(ToRect(rect));
        QObject::connect(widget_, &PageWidget::DirtyChanged, widget_, [this](bool dirty) {
            if (site_)
                site_->OnStatusChange(dirty ? PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE
                                            : PROPPAGESTATUS_CLEAN);
        });
        widget_->SetObjects(objects_);
        return S_OK;
    }

    HRESULT Deactivate() override {
        delete widget_.data();
        widget_ = nullptr;
        return S_OK;
    }

    HRESULT GetPageInfo(PROPPAGEINFO* info) override {
        if (!info)
            return E_POINTER;
        info->title = NewBstr(Widen(class_.title));
        info->docString = NewBstr(Widen(class_.description));
        info->size = kPageSize;
        return S_OK;
    }

    HRESULT SetObjects(uint32_t count, IUnknown** objects) override {
        if (count && !objects)
            return E_POINTER;
        std::vector<ComPtr<IMrvDIO>> controls;
        for (uint32_t i = 0; i < count; ++i) {
            ComPtr<IMrvDIO> c;
            if (objects[i] && SUCCEEDED(objects[i]->QueryInterface(IID_IMrvDIO, c.PutVoid())))
                controls.push_back(c);
        }
        if (count && controls.empty())
            return E_NOINTERFACE; // none of them is a DIO control
        objects_ = std::move(controls);
        if (widget_)
            widget_->SetObjects(objects_);
        return S_OK;
    }

    HRESULT Show(uint32_t command) override {
        if (widget_)
            widget_->setVisible(command != 0);
        return S_OK;
    }

    HRESULT Move(const RECT* rect) override {
        if (!rect)
            return E_POINTER;
        if (widget_)
            widget_->setGeometry(ToRect(rect));
        return S_OK;
    }

    HRESULT IsPageDirty() override { return widget_ && widget_->IsDirty() ? S_OK : S_FALSE; }

    HRESULT Apply() override { return widget_ ? widget_->Apply() : S_OK; }

private:
    ~PropertyPageObject() override {
        Deactivate();
        if (site_)
            site_->Release();
        ModuleObjectDestroyed();
    }
    const PageClass& class_;
    IPropertyPageSite* site_ = nullptr;
    std::vector<ComPtr<IMrvDIO>> objects_;
    QPointer<PageWidget> widget_; // the parent may delete it first
};

} // namespace

const PageClass* FindPageClass(const CLSID& clsid) {
    for (const PageClass& p : kPages)
        if (*p.clsid == clsid)
            return &p;
    return nullptr;
}

HRESULT CreatePropertyPage(const CLSID& clsid, IUnknown* outer, const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    const PageClass* cls = FindPageClass(clsid);
    if (!cls)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* page = new (std::nothrow) PropertyPageObject(*cls);
    if (!page)
        return E_OUTOFMEMORY;
    const HRESULT hr = page->QueryInterface(iid, object);
    page->Release();
    return hr;
}

} // namespace mrvdio::pages
