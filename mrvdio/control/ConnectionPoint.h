#pragma once

// One outgoing interface of the control: its events or its property
// notification. The point lives inside the control and shares its
// reference count.

#include "mrvdio/ComBase.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace mrvdio {

class MrvDIOCtrl;

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(MrvDIOCtrl* owner, const IID& iid, const IID& sinkIid);
    ~ConnectionPoint();
    HRESULT QueryInterface(const IID& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

    // Sinks in connection order, each queried for the sink interface.
    const std::vector<std::pair<uint32_t, IUnknown*>>& Sinks() const { return sinks_; }
    void UnadviseAll();

private:
    MrvDIOCtrl* owner_;
    IID iid_;
    IID sinkIid_;
    uint32_t nextCookie_ = 1;
    std::vector<std::pair<uint32_t, IUnknown*>> sinks_;
};

} // namespace mrvdio
