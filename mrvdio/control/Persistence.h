#pragma once

// The control's IPersistStream: a part of the control that shares its
// reference count and hands every call to it.

#include "mrvdio/ComBase.h"

namespace mrvdio {

class MrvDIOCtrl;

class PersistStream final : public IPersistStream {
public:
    explicit PersistStream(MrvDIOCtrl* owner)
        : owner_(owner) {}
    HRESULT QueryInterface(const IID& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, int32_t clearDirty) override;
    HRESULT GetSizeMax(uint64_t* size) override;

private:
    MrvDIOCtrl* owner_;
};

} // namespace mrvdio
