// The control object itself: construction and final construction, identity
// and aggregation, the error report, the client site and the extent.

#include "control/MrvDIOCtrl.h"

#include "control/ConnectionPoint.h"
#include "control/FaceBitmap.h"
#include "control/Module.h"
#include "control/Persistence.h"
#include "control/Strings.h"
#include "mrvdio/Variant.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QObject>
#include <QPainter>
#include <QScreen>
#include <QString>

#include <algorithm>
#include <cstdio>

namespace mrvdio {

namespace {

constexpr int32_t kDriverErrorBase = ToInt(Err::DriverError);

// Round-to-nearest a * b / c, as the system's multiply-divide does.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return -1;
    int64_t p = static_cast<int64_t>(a) * b;
    int64_t half = (c > 0 ? c : -c) / 2;
    return static_cast<int32_t>((p >= 0 ? p + half : p - half) / c);
}

} // namespace

// ------------------------------------------------------------ construction

MrvDIOCtrl::MrvDIOCtrl(IUnknown* outer, const driver::DaqDriver* driver)
    : outer_(outer ? outer : &inner_)
    , drv_(driver ? *driver : driver::DaqDriver::Instance())
    , extent_(ControlExtent()) {
    inner_.self = this;
    ModuleObjectCreated();
    eventsPoint_ = std::make_unique<ConnectionPoint>(this, DIID__IMrvDIOEvents, IID_IDispatch);
    notifyPoint_ =
        std::make_unique<ConnectionPoint>(this, IID_IPropertyNotifySink, IID_IPropertyNotifySink);
    persist_ = std::make_unique<PersistStream>(this);
    face_ = QImage(kFaceBitmap208);
    if (face_.isNull()) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"),
                            QStringLiteral("Failed to load bitmap"), QMessageBox::Ok,
                            QApplication::activeWindow());
            RunDialog(&box);
        } else {
            std::fprintf(stderr, "MrvDIO: Failed to load bitmap\n");
        }
    }
}

HRESULT MrvDIOCtrl::FinalConstruct() {
    // The hidden window through which events reach the control's thread.
    eventWindow_ = new QObject;
    eventWindow_->setObjectName(QStringLiteral("EventWindow"));
    // The first assignment opens the first DIO device of the system, or none.
    HRESULT hr = put_DeviceNumber(-1);
    return FAILED(hr) ? hr : S_OK;
}

MrvDIOCtrl::~MrvDIOCtrl() {
    if (handle_) {
        if (threadRun_ || eventEnabled_)
            put_EventEnabled(0);
        StopEvents(false);
        drv_.DeviceClose(&handle_);
    }
    // The event checking thread ends before anything it uses goes.
    StopEvents(true);
    diInterrupt_.reset();
    diPattern_.reset();
    diStatus_.reset();
    deviceList_.clear();
    eventsPoint_->UnadviseAll();
    notifyPoint_->UnadviseAll();
    if (site_)
        site_->Release();
    delete eventWindow_;
    ModuleObjectDestroyed();
}

HRESULT MrvDIOCtrl::Create(IUnknown* outer, const IID& iid, void** object,
                           const driver::DaqDriver* driver) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    auto* ctrl = new (std::nothrow) MrvDIOCtrl(outer, driver);
    if (!ctrl)
        return E_OUTOFMEMORY;
    HRESULT hr = ctrl->FinalConstruct();
    if (FAILED(hr)) {
        ctrl->inner_.Release();
        return hr;
    }
    hr = ctrl->inner_.QueryInterface(iid, object);
    ctrl->inner_.Release(); // the construction reference
    return hr;
}

// ------------------------------------------------------------------ IUnknown

HRESULT MrvDIOCtrl::InnerUnknown::QueryInterface(const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown)
        *object = static_cast<IUnknown*>(this);
    else if (iid == IID_IDispatch || iid == IID_IMrvDIO)
        *object = static_cast<IMrvDIO*>(self);
    else if (iid == IID_IOleObject)
        *object = static_cast<IOleObject*>(self);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(self);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(self);
    else if (iid == IID_IPersist || iid == IID_IPersistStream)
        *object = static_cast<IPersistStream*>(self->persist_.get());
    else if (iid == IID_IPerPropertyBrowsing)
        *object = static_cast<IPerPropertyBrowsing*>(self);
    else if (iid == IID_ISpecifyPropertyPages)
        *object = static_cast<ISpecifyPropertyPages*>(self);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

uint32_t MrvDIOCtrl::InnerUnknown::AddRef() {
    return ++self->refs_;
}

uint32_t MrvDIOCtrl::InnerUnknown::Release() {
    uint32_t n = --self->refs_;
    if (n == 0)
        delete self;
    return n;
}

HRESULT MrvDIOCtrl::QueryInterface(const IID& iid, void** object) {
    return outer_->QueryInterface(iid, object);
}
uint32_t MrvDIOCtrl::AddRef() {
    return outer_->AddRef();
}
uint32_t MrvDIOCtrl::Release() {
    return outer_->Release();
}

// ------------------------------------------------------------ error report

void MrvDIOCtrl::ReportError(int32_t number) {
    std::u16string message;
    if (number == kDriverErrorBase || number > ToInt(Err::NoDualEdge)) {
        char text[DAQ_ERROR_MESSAGE_SIZE] = {};
        const int32_t code = number - kDriverErrorBase;
        drv_.GetErrorMessage(code, text);
        text[DAQ_ERROR_MESSAGE_SIZE - 1] = '\0';
        char head[64];
        std::snprintf(head, sizeof head, "Driver Error: %ld ", static_cast<long>(code));
        message = Widen(head) + Widen(text);
    } else {
        message = Widen(ErrorTableMessage(number));
    }
    lastErrorCode_ = std::min(number, kDriverErrorBase);
    lastErrorMessage_ = message + u"!";
    PostErrorInfo(lastErrorMessage_, MRVDIO_PROGID_VERSION, GUID_NULL);
}

void MrvDIOCtrl::ReportDriverError(DaqResult code) {
    ReportError(driver::ErrorCodeOf(code) + kDriverErrorBase);
}

// ------------------------------------------------------------- site, extent

SIZEL MrvDIOCtrl::ControlExtent() {
    int32_t ppi = 96;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            ppi = std::max(1, qRound(screen->logicalDotsPerInchX()));
    }
    const int32_t himetric = MulDiv(33, 2540, ppi);
    return SIZEL{himetric, himetric};
}

bool MrvDIOCtrl::UserMode() const {
    if (!site_)
        return true;
    IDispatch* ambient = nullptr;
    if (FAILED(site_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient))) ||
        !ambient)
        return true;
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    bool userMode = true;
    if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERMODE, GUID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr))) {
        if (result.vt == VT_BOOL)
            userMode = result.boolVal != 0;
        else if (result.vt == VT_I4)
            userMode = result.lVal != 0;
    }
    VariantClear(&result);
    ambient->Release();
    return userMode;
}

HRESULT MrvDIOCtrl::SetClientSite(IUnknown* site) {
    if (site)
        site->AddRef();
    if (site_)
        site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetClientSite(IUnknown** site) {
    if (!site)
        return E_POINTER;
    *site = site_;
    if (site_)
        site_->AddRef();
    return S_OK;
}

HRESULT MrvDIOCtrl::SetExtent(uint32_t drawAspect, const SIZEL* size) {
    if (drawAspect != DVASPECT_CONTENT)
        return E_INVALIDARG;
    if (!size)
        return E_POINTER;
    // Whatever is asked, the control is 33 × 33 pixels.
    extent_ = ControlExtent();
    return S_OK;
}

HRESULT MrvDIOCtrl::GetExtent(uint32_t drawAspect, SIZEL* size) {
    if (drawAspect != DVASPECT_CONTENT)
        return E_INVALIDARG;
    if (!size)
        return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT MrvDIOCtrl::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

HRESULT MrvDIOCtrl::Close(uint32_t) {
    eventsPoint_->UnadviseAll();
    notifyPoint_->UnadviseAll();
    return SetClientSite(nullptr);
}

void MrvDIOCtrl::Draw(QPainter& painter, const QRect& bounds) const {
    if (!face_.isNull())
        painter.drawImage(bounds.topLeft() + QPoint(1, 1), face_);
}

HRESULT MrvDIOCtrl::InterfaceSupportsErrorInfo(const IID& iid) {
    return iid == IID_IMrvDIO ? S_OK : S_FALSE;
}

} // namespace mrvdio
