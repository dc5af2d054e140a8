// The control's outgoing interfaces: events and property notification.

#include "control/ConnectionPoint.h"

#include "control/MrvDIOCtrl.h"

#include <vector>

namespace mrvdio {

HRESULT MrvDIOCtrl::FindConnectionPoint(const IID& iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid == DIID__IMrvDIOEvents)
        *point = eventsPoint_.get();
    else if (iid == IID_IPropertyNotifySink)
        *point = notifyPoint_.get();
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

ConnectionPoint::ConnectionPoint(MrvDIOCtrl* owner, const IID& iid, const IID& sinkIid)
    : owner_(owner)
    , iid_(iid)
    , sinkIid_(sinkIid) {}

ConnectionPoint::~ConnectionPoint() {
    UnadviseAll();
}

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The point lives inside the control and keeps it alive.
uint32_t ConnectionPoint::AddRef() {
    return owner_->AddRef();
}
uint32_t ConnectionPoint::Release() {
    return owner_->Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    return owner_->QueryInterface(IID_IConnectionPointContainer,
                                  reinterpret_cast<void**>(container));
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, uint32_t* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IUnknown* typed = nullptr;
    if (FAILED(sink->QueryInterface(sinkIid_, reinterpret_cast<void**>(&typed))) || !typed) {
        // An event sink may answer for the event interface itself.
        if (iid_ != DIID__IMrvDIOEvents ||
            FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&typed))) || !typed)
            return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = nextCookie_++;
    sinks_.emplace_back(*cookie, typed);
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            IUnknown* sink = it->second;
            sinks_.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void ConnectionPoint::UnadviseAll() {
    auto sinks = std::move(sinks_);
    sinks_.clear();
    for (auto& s : sinks)
        s.second->Release();
}

void MrvDIOCtrl::NotifyChanged(DISPID dispid) {
    // Copy first: a sink may unadvise while being called.
    std::vector<IUnknown*> sinks;
    for (const auto& s : notifyPoint_->Sinks()) {
        s.second->AddRef();
        sinks.push_back(s.second);
    }
    for (IUnknown* s : sinks) {
        static_cast<IPropertyNotifySink*>(s)->OnChanged(dispid);
        s->Release();
    }
}

} // namespace mrvdio
