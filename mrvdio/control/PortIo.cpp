// Channel and port input/output and the port directions.

#include "control/MrvDIOCtrl.h"

#include "mrvdio/Variant.h"

#include <algorithm>
#include <cstring>

namespace mrvdio {

// ---------------------------------------------------------- channels, ports

HRESULT MrvDIOCtrl::ReadDiChannel(int32_t channel, int32_t* state) {
    return ReadChannelBit(channel, state,
                          {diChannelCount_, Err::NoDiFunction, Err::InvalidDiChannel,
                           Err::ReadDiChannelFailed, &driver::DaqDriver::DioReadBit});
}

HRESULT MrvDIOCtrl::ReadDoChannel(int32_t channel, int32_t* state) {
    return ReadChannelBit(channel, state,
                          {doChannelCount_, Err::NoDoFunction, Err::InvalidDoChannel,
                           Err::ReadDoChannelFailed, &driver::DaqDriver::DioGetCurrentDOBit});
}

bool MrvDIOCtrl::HasChannels(int32_t channelCount, Err noChannelsError) {
    if (!handle_) {
        ReportError(Err::NoDevice);
        return false;
    }
    if (channelCount == 0) {
        ReportError(noChannelsError);
        return false;
    }
    return true;
}

bool MrvDIOCtrl::CheckChannel(int32_t channel, int32_t channelCount, Err noChannelsError,
                              Err rangeError) {
    if (!HasChannels(channelCount, noChannelsError))
        return false;
    if (channel < 0 || channel >= channelCount) {
        ReportError(rangeError);
        return false;
    }
    return true;
}

// One channel's bit, read by the given driver call; each side reports its own
// error numbers (no channels, channel out of range, driver failure).
HRESULT MrvDIOCtrl::ReadChannelBit(int32_t channel, int32_t* state, const ChannelRead& side) {
    if (state)
        *state = -1;
    if (!CheckChannel(channel, side.channelCount, side.noChannelsError, side.rangeError))
        return E_FAIL;
    if (!state) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    uint16_t value = 0;
    DaqDioReadBit record{static_cast<uint16_t>(channel / 8), static_cast<uint16_t>(channel % 8),
                         &value};
    if ((drv_.*side.read)(handle_, &record) != DAQ_OK) {
        ReportError(side.readError);
        return E_FAIL;
    }
    *state = static_cast<int16_t>(value);
    return S_OK;
}

HRESULT MrvDIOCtrl::WriteDoChannel(int32_t status, int32_t channel, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    if (!CheckChannel(channel, doChannelCount_, Err::NoDoFunction, Err::InvalidDoChannel))
        return E_FAIL;
    DaqDioWriteBit record{static_cast<uint16_t>(channel / 8), static_cast<uint16_t>(channel % 8),
                          static_cast<uint16_t>(status & 0xFFFF)};
    if (drv_.DioWriteBit(handle_, &record) != DAQ_OK) {
        ReportError(Err::WriteDoChannelFailed);
        return E_FAIL;
    }
    if (pResult)
        *pResult = 1;
    return S_OK;
}

Err MrvDIOCtrl::ResolveBuffer(VARIANT* buffer, BufferUse use, int32_t count, SAFEARRAY** array) {
    *array = nullptr;
    if (!buffer)
        return Err::InvalidUserBuffer;
    // A variant by reference to another variant: look through it.
    VARIANT* v = buffer;
    if (v->vt == (VT_BYREF | VT_VARIANT)) {
        if (!v->pvarVal)
            return Err::InvalidUserBuffer;
        v = v->pvarVal;
    }
    const bool emptyVariant = v->vt == VT_EMPTY;
    const bool arrayWithout =
        (v->vt == (VT_ARRAY | VT_UI1) && !v->parray) ||
        (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && (!v->pparray || !*v->pparray));
    if (emptyVariant || arrayWithout) {
        if (use == BufferUse::Write)
            return Err::InvalidUserBuffer;
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<uint32_t>(count));
        if (!sa)
            return Err::InsufficientMemory;
        if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray) {
            *v->pparray = sa;
        } else {
            v->vt = VT_ARRAY | VT_UI1;
            v->parray = sa;
        }
        *array = sa;
        return Err::NoError;
    }
    SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        sa = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1))
        sa = *v->pparray;
    if (!sa || sa->cDims != 1 || sa->cbElements != 1 || !sa->pvData)
        return Err::BufferNotBytes;
    *array = sa;
    return Err::NoError;
}

bool MrvDIOCtrl::PreparePortRun(VARIANT* buffer, int32_t portStart, int32_t portCount,
                                const PortSide& side, PortRun* run) {
    *run = PortRun{};
    if (!HasChannels(side.channelCount, side.noChannelsError))
        return false;
    if (portStart < 0 || portCount < 1 || portStart >= side.portCount) {
        ReportError(side.rangeError);
        return false;
    }
    if (static_cast<int64_t>(portStart) + portCount > side.portCount) {
        portCount = side.portCount - portStart;
        ReportError(side.rangeError);
        run->cutByRange = true;
    }
    if (const Err e = ResolveBuffer(buffer, side.use, portCount, &run->array); e != Err::NoError) {
        ReportError(e);
        return false;
    }
    const int32_t elements =
        static_cast<int32_t>(std::min<uint32_t>(run->array->rgsabound[0].cElements, 0x7FFFFFFF));
    if (elements < portCount) {
        portCount = elements;
        ReportError(Err::UserDataShort);
        run->cutByBuffer = true;
    }
    run->start = portStart;
    run->count = portCount;
    return true;
}

HRESULT MrvDIOCtrl::ReadPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                              VARIANT_BOOL* pResult, bool input) {
    if (pResult)
        *pResult = 0;
    PortRun run;
    const PortSide side = input ? PortSide{diChannelCount_, diPortCount_, Err::NoDiFunction,
                                           Err::InvalidScanRange, BufferUse::Read}
                                : PortSide{doChannelCount_, doPortCount_, Err::NoDoFunction,
                                           Err::InvalidDoScanRange, BufferUse::Read};
    if (!PreparePortRun(pBuffer, portStart, portCount, side, &run))
        return E_FAIL;
    if (run.count > 0) {
        auto* data = static_cast<uint8_t*>(run.array->pvData);
        const auto start = static_cast<uint32_t>(run.start);
        const auto count = static_cast<uint32_t>(run.count);
        const DaqResult r = input ? drv_.ReadDiPorts(handle_, start, count, data)
                                  : drv_.GetCurrentDoPortsState(handle_, start, count, data);
        if (r != DAQ_OK) {
            ReportError(input ? Err::ReadDiPortsFailed : Err::ReadDoPortsFailed);
            return E_FAIL;
        }
    }
    if (pResult)
        *pResult = run.cutByRange || run.cutByBuffer ? 0 : 1;
    return S_OK;
}

HRESULT MrvDIOCtrl::ReadDiPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                VARIANT_BOOL* pResult) {
    return ReadPorts(pBuffer, portStart, portCount, pResult, true);
}

HRESULT MrvDIOCtrl::ReadDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                VARIANT_BOOL* pResult) {
    return ReadPorts(pBuffer, portStart, portCount, pResult, false);
}

HRESULT MrvDIOCtrl::WriteDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                 VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    PortRun run;
    if (!PreparePortRun(pBuffer, portStart, portCount,
                        {doChannelCount_, doPortCount_, Err::NoDoFunction, Err::InvalidDoPortRange,
                         BufferUse::Write},
                        &run))
        return E_FAIL;
    if (run.count > 0) {
        const DaqResult r = drv_.WriteDoPorts(handle_, static_cast<uint32_t>(run.start),
                                              static_cast<uint32_t>(run.count),
                                              static_cast<const uint8_t*>(run.array->pvData));
        if (r != DAQ_OK) {
            ReportError(Err::WriteDoPortsFailed);
            return E_FAIL;
        }
    }
    // A short array only: the available data are written and the call still
    // counts as complete.
    if (pResult)
        *pResult = run.cutByRange ? 0 : 1;
    return S_OK;
}

// ----------------------------------------------------------- port direction

bool MrvDIOCtrl::CheckDioPort(int32_t port) {
    if (!handle_) {
        ReportError(Err::NoDevice);
        return false;
    }
    if (port < 0 || port >= dioPortCount_ || port >= static_cast<int32_t>(portTypeList_.size())) {
        ReportError(Err::InvalidDioPort);
        return false;
    }
    return true;
}

HRESULT MrvDIOCtrl::GetPortDirection(int32_t port, int32_t* direction) {
    if (!CheckDioPort(port))
        return E_FAIL;
    if (!direction) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    switch (portTypeList_[port]) {
    case 0:
        *direction = 0;
        break;
    case 1:
        *direction = 0x00FF;
        break;
    case 2:
        *direction = 0xFF00;
        break;
    default:
        *direction = port < static_cast<int32_t>(portDirectionList_.size())
                         ? static_cast<int32_t>(portDirectionList_[port])
                         : 0;
        break;
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::SetPortDirection(int32_t port, int32_t direction, VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    if (!CheckDioPort(port))
        return E_FAIL;
    const uint8_t type = portTypeList_[port];
    if (type < 3) {
        ReportError(Err::PortNoDirectionSetting);
        return E_FAIL;
    }
    const uint32_t d = static_cast<uint32_t>(direction) & 0xFFu;
    bool accepted = false;
    if (d == 0x00 || d == 0xFF)
        accepted = type >= 3 && type <= 5;
    else if (d == 0x0F || d == 0xF0)
        accepted = type == 4 || type == 5;
    else
        accepted = type == 5;
    if (!accepted) {
        ReportError(Err::IllegalDirection);
        return E_FAIL;
    }
    if (portDirectionList_.size() < static_cast<size_t>(dioPortCount_))
        portDirectionList_.resize(static_cast<size_t>(dioPortCount_), 0u);
    const uint32_t previous = portDirectionList_[port];
    portDirectionList_[port] = d;
    if (UserMode()) {
        const DaqResult r = drv_.DeviceSetProperty(
            handle_, DAQ_PROP_DIO_DIRECTIONS, portDirectionList_.data(),
            static_cast<uint32_t>(portDirectionList_.size() * sizeof(uint32_t)));
        if (r != DAQ_OK) {
            // The board keeps the old direction, and so does the control.
            portDirectionList_[port] = previous;
            ReportDriverError(r);
            return E_FAIL;
        }
    }
    dirty_ = true;
    if (pResult)
        *pResult = 1;
    return S_OK;
}

namespace {

// The byte array a settings variant holds (directly or by reference), or null.
SAFEARRAY* SettingArray(VARIANT* setting) {
    if (!setting)
        return nullptr;
    VARIANT* v = setting;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    SAFEARRAY* sa = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        sa = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray)
        sa = *v->pparray;
    if (!sa || sa->cDims != 1 || sa->cbElements != 1 || !sa->pvData)
        return nullptr;
    return sa;
}

} // namespace

HRESULT MrvDIOCtrl::GetDioPortType(VARIANT* pSetting) {
    // No checks of its own: writes what fits into the caller's array.
    if (SAFEARRAY* sa = SettingArray(pSetting)) {
        const size_t n = std::min<size_t>(sa->rgsabound[0].cElements, portTypeList_.size());
        if (n)
            std::memcpy(sa->pvData, portTypeList_.data(), n);
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDioChannelDirection(VARIANT* pSetting) {
    if (SAFEARRAY* sa = SettingArray(pSetting)) {
        const size_t n = std::min<size_t>({static_cast<size_t>(sa->rgsabound[0].cElements),
                                           static_cast<size_t>(std::max(dioPortCount_, 0)),
                                           portDirectionList_.size()});
        auto* data = static_cast<uint8_t*>(sa->pvData);
        for (size_t i = 0; i < n; ++i)
            data[i] = static_cast<uint8_t>(portDirectionList_[i] & 0xFFu);
    }
    return S_OK;
}

} // namespace mrvdio
