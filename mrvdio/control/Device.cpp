// Finding and opening a device: the simple properties, the device list, the
// DeviceNumber assignment with its survey, closing, and the device
// selection and about dialogs.

#include "control/MrvDIOCtrl.h"

#include "control/Dialogs.h"
#include "control/Module.h"
#include "control/Strings.h"
#include "mrvdio/Variant.h"

#include <QApplication>
#include <QString>

#include <algorithm>
#include <bit>
#include <cstring>

namespace mrvdio {

// --------------------------------------------------------------- properties

HRESULT MrvDIOCtrl::get_DeviceNumber(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = deviceNumber_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DeviceName(BSTR* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = NewBstr(deviceName_);
    return S_OK;
}

HRESULT MrvDIOCtrl::get_LastErrorCode(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = lastErrorCode_;
    return S_OK;
}

HRESULT MrvDIOCtrl::put_LastErrorCode(int32_t value) {
    lastErrorCode_ = value;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_LastErrorMessage(BSTR* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = NewBstr(lastErrorMessage_);
    return S_OK;
}

HRESULT MrvDIOCtrl::put_LastErrorMessage(BSTR value) {
    lastErrorMessage_.assign(value ? value : u"", SysStringLen(value));
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DiChannelCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = diChannelCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DiPortCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = diPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DoChannelCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = doChannelCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::get_DoPortCount(int32_t* value) {
    if (!value) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    *value = doPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDioPortCount(int32_t* count) {
    if (count)
        *count = dioPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetPatternMatchPortNumber(int32_t* count) {
    if (count)
        *count = patternPortCount_;
    return S_OK;
}

HRESULT MrvDIOCtrl::GetDiStatusChangePort(int32_t* count) {
    if (count)
        *count = statusPortCount_;
    return S_OK;
}

// ------------------------------------------------------------ device lists

bool MrvDIOCtrl::IsDioDevice(int32_t number) const {
    DaqHandle handle = 0;
    if (drv_.DeviceOpen(number, &handle) != DAQ_OK || handle == 0)
        return false;
    int32_t count = 0;
    DaqResult r = drv_.GetPropertyInt(handle, DAQ_PROP_DI_CHANNEL_COUNT, &count);
    if (r != DAQ_OK || count <= 0) {
        count = 0;
        r = drv_.GetPropertyInt(handle, DAQ_PROP_DO_CHANNEL_COUNT, &count);
        if (r != DAQ_OK)
            count = 0;
    }
    drv_.DeviceClose(&handle);
    return count > 0;
}

namespace {

// The name of a list entry (NUL-terminated within its 52 bytes), at most 99
// characters.
std::u16string EntryName(const DaqDeviceListEntry& entry) {
    size_t n = strnlen(entry.deviceName, sizeof entry.deviceName);
    std::u16string name = Widen(std::string(entry.deviceName, n));
    if (name.size() > 99)
        name.resize(99);
    return name;
}

} // namespace

HRESULT MrvDIOCtrl::GetDeviceListFirst(BSTR* pDeviceName, int32_t* nDeviceNumber) {
    if (!pDeviceName || !nDeviceNumber) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    listedDeviceCount_ = 0;
    int16_t n = 0;
    if (drv_.DeviceGetNumOfList(&n) != DAQ_OK)
        n = 0;
    deviceList_.assign(static_cast<size_t>(std::max<int16_t>(n, 0)) + 1, DaqDeviceListEntry{});
    listCursor_ = 0;
    int16_t m = 0;
    if (n > 0 && drv_.DeviceGetList(deviceList_.data(), n, &m) == DAQ_OK) {
        // Only the entries the driver filled are looked at.
        const int32_t filled = std::clamp<int32_t>(m, 0, n);
        for (int32_t i = 0; i < filled; ++i) {
            if (IsDioDevice(deviceList_[i].deviceNumber)) {
                ++listedDeviceCount_;
                listCount_ = filled;
                listCursor_ = i;
                *pDeviceName = NewBstr(EntryName(deviceList_[i]));
                *nDeviceNumber = deviceList_[i].deviceNumber;
                return S_OK;
            }
        }
    }
    *pDeviceName = NewBstr(std::u16string(u"No Device"));
    *nDeviceNumber = -1;
    return S_FALSE;
}

HRESULT MrvDIOCtrl::GetDeviceListNext(BSTR* pDeviceName, int32_t* nDeviceNumber) {
    if (!pDeviceName || !nDeviceNumber) {
        ReportError(Err::InvalidParameter);
        return E_FAIL;
    }
    SysFreeString(*pDeviceName);
    *pDeviceName = nullptr;
    if (!deviceList_.empty()) {
        ++listCursor_;
        const int32_t end = std::min<int32_t>(listCount_, static_cast<int32_t>(deviceList_.size()));
        for (int32_t i = std::max(listCursor_, 0); i < end; ++i) {
            if (IsDioDevice(deviceList_[i].deviceNumber)) {
                listCursor_ = i;
                ++listedDeviceCount_;
                *pDeviceName = NewBstr(EntryName(deviceList_[i]));
                *nDeviceNumber = deviceList_[i].deviceNumber;
                return S_OK;
            }
        }
    }
    *pDeviceName = NewBstr(std::u16string(u"No Device"));
    *nDeviceNumber = -1;
    return S_OK;
}

// ---------------------------------------------------------- opening a device

HRESULT MrvDIOCtrl::put_DeviceNumber(int32_t n) {
    lastErrorCode_ = 0;
    lastErrorMessage_ = u"No Error!";
    if (handle_ && !CloseAndReset())
        return E_FAIL; // the driver kept the old device open; nothing changed

    bool openFailed = false;
    bool discover = false;
    DaqHandle handle = 0;
    const DaqResult r = drv_.DeviceOpen(n, &handle);
    if (r != DAQ_OK || handle == 0) {
        openFailed = true;
        ReportDriverError(r != DAQ_OK ? r : DAQ_ERR_INVALID_HANDLE);
        restoring_ = false;
    } else if (!IsDioDevice(n)) {
        restoring_ = false;
        handle_ = handle;
        CloseAndReset();
        ReportError(Err::NoDioFunction);
        return S_FALSE;
    } else {
        handle_ = handle;
        int32_t identity = -1;
        if (drv_.GetPropertyInt(handle_, DAQ_PROP_BOARD_ID, &identity) != DAQ_OK)
            identity = -1;
        if (restoring_ && identity != boardId_) {
            restoring_ = false;
            deviceChanged_ = true;
        } else {
            restoring_ = false;
            deviceNumber_ = n;
            boardId_ = identity;
            discover = true;
        }
    }

    if (!discover) {
        // Step 6: no device of that number; on the first assignment fall back
        // to the first DIO device of the system.
        CloseAndReset();
        if (firstAssignment_) {
            Bstr name;
            int32_t number = -1;
            if (GetDeviceListFirst(name.Put(), &number) == S_OK) {
                DaqHandle fallback = 0;
                const DaqResult fr = drv_.DeviceOpen(number, &fallback);
                if (fr == DAQ_OK && fallback != 0) {
                    handle_ = fallback;
                    deviceNumber_ = number;
                    int32_t identity = -1;
                    if (drv_.GetPropertyInt(handle_, DAQ_PROP_BOARD_ID, &identity) != DAQ_OK)
                        identity = -1;
                    boardId_ = identity;
                    discover = true;
                } else {
                    ReportDriverError(fr != DAQ_OK ? fr : DAQ_ERR_INVALID_HANDLE);
                    deviceNumber_ = -1;
                    boardId_ = -1;
                }
            } else {
                deviceNumber_ = -1;
                boardId_ = -1;
            }
        }
    }

    if (discover) {
        if (DiscoverDevice()) {
            char name[DAQ_DEVICE_NAME_SIZE] = {};
            if (drv_.DeviceNumToDeviceName(deviceNumber_, name) == DAQ_OK) {
                name[DAQ_DEVICE_NAME_SIZE - 1] = '\0';
                deviceName_ = name;
            } else {
                deviceName_.clear();
            }
        } else {
            CloseAndReset();
        }
    }
    if (handle_ && !discover)
        CloseAndReset();

    if (firstAssignment_) {
        firstAssignment_ = false;
        return S_OK;
    }
    NotifyChanged(DISPID_DeviceNumber);
    dirty_ = true;
    return openFailed ? S_FALSE : S_OK;
}

void MrvDIOCtrl::RebuildPortChannelCounts(bool refused) {
    const size_t ports = std::max<size_t>(static_cast<size_t>(std::max(dioPortCount_, 0)),
                                          static_cast<size_t>(std::max(diPortCount_, 0)));
    portChannelCounts_.assign(ports, 8);
    if (refused)
        return;
    for (size_t p = 0; p < portDirectionList_.size() && p < ports; ++p) {
        const uint32_t word = portDirectionList_[p];
        const uint32_t both = (word & 0xFFu) & ((word >> 8) & 0xFFu);
        portChannelCounts_[p] = 8 - std::popcount(both);
    }
}

bool MrvDIOCtrl::DiscoverDevice() {
    discoveryFailure_ = 0;
    if (drv_.GetPropertyInt(handle_, DAQ_PROP_DI_CHANNEL_COUNT, &diChannelCount_) == DAQ_OK) {
        if (drv_.GetPropertyInt(handle_, DAQ_PROP_DI_PORT_COUNT, &diPortCount_) != DAQ_OK)
            diPortCount_ = 0;
    } else {
        diChannelCount_ = 0;
        discoveryFailure_ += 1;
    }
    if (drv_.GetPropertyInt(handle_, DAQ_PROP_DO_CHANNEL_COUNT, &doChannelCount_) == DAQ_OK) {
        if (drv_.GetPropertyInt(handle_, DAQ_PROP_DO_PORT_COUNT, &doPortCount_) != DAQ_OK)
            doPortCount_ = 0;
    } else {
        doChannelCount_ = 0;
        discoveryFailure_ += 20;
    }
    if (discoveryFailure_ == 21) {
        ReportError(Err::NoDioFunction);
        return false;
    }

    uint32_t size = 0;
    DaqResult r = drv_.DeviceGetProperty(handle_, DAQ_PROP_DIO_PORT_TYPES, nullptr, &size);
    if (r != DAQ_OK) {
        dioPortCount_ = 0;
        ReportDriverError(r);
        return false;
    }
    dioPortCount_ = static_cast<int32_t>(std::min<uint32_t>(size, 0xFFFF));
    r = drv_.GetPropertyBytes(handle_, DAQ_PROP_DIO_PORT_TYPES, &portTypeList_,
                              static_cast<uint32_t>(dioPortCount_));
    if (r != DAQ_OK) {
        ReportDriverError(r);
        return false;
    }
    portTypeList_.resize(static_cast<size_t>(dioPortCount_), 0);
    const bool anyProgrammable =
        std::any_of(portTypeList_.begin(), portTypeList_.end(), [](uint8_t t) { return t > 2; });

    bool refused = false;
    if (!restorePending_[RestoreDirection]) {
        portDirectionList_.assign(static_cast<size_t>(dioPortCount_), 0);
        uint32_t bytes = static_cast<uint32_t>(dioPortCount_) * 4u;
        r = dioPortCount_ > 0 ? drv_.DeviceGetProperty(handle_, DAQ_PROP_DIO_DIRECTIONS,
                                                       portDirectionList_.data(), &bytes)
                              : DAQ_OK;
        refused = r != DAQ_OK;
        if (refused)
            std::fill(portDirectionList_.begin(), portDirectionList_.end(), 0u);
    } else {
        // Persisted directions: one word per port of this device.
        portDirectionList_.resize(static_cast<size_t>(dioPortCount_), 0u);
        if (anyProgrammable) {
            for (int32_t port = 0; port < dioPortCount_; ++port) {
                VARIANT_BOOL ok = 0;
                SetPortDirection(port, static_cast<int32_t>(portDirectionList_[port]), &ok);
            }
        }
        restorePending_[RestoreDirection] = 0;
    }
    // Also after persisted directions: the next save must keep this device's.
    programmablePorts_ = anyProgrammable;
    RebuildPortChannelCounts(refused);

    if (discoveryFailure_ != 1) {
        if (!SurveyDiInterrupt() || !SurveyPatternMatch() || !SurveyStatusChange())
            return false;
    }
    return true;
}

std::pair<int32_t, int32_t> MrvDIOCtrl::ChannelToPortBit(int32_t channel) const {
    int32_t sum = 0;
    const int32_t ports =
        std::min<int32_t>(diPortCount_, static_cast<int32_t>(portChannelCounts_.size()));
    for (int32_t i = 0; i < ports; ++i) {
        const int32_t count = portChannelCounts_[i];
        sum += count;
        if (sum == channel && sum != 0)
            return {i + 1, 0};
        if (channel <= sum && sum - count <= channel)
            return {i, channel - (sum - count)};
    }
    return {0, 0};
}

bool MrvDIOCtrl::CloseAndReset() {
    if (handle_) {
        if (eventEnabled_)
            put_EventEnabled(0);
        const DaqResult r = drv_.DeviceClose(&handle_);
        if (r != DAQ_OK) {
            ReportDriverError(r);
            return false;
        }
        // Closing the handle ended the worker's wait; let it finish before
        // another device can get the same handle.
        StopEvents(true);
    }
    discoveryFailure_ = 21;
    threadRun_ = false;
    statusArmed_ = patternArmed_ = interruptArmed_ = false;
    eventEnabled_ = 0;
    diChannelCount_ = diPortCount_ = doChannelCount_ = doPortCount_ = 0;
    if (!restoring_) {
        patternPortCount_ = -1;
        statusPortCount_ = -1;
        dioPortCount_ = 0;
    }
    handle_ = 0;
    portTypeList_.clear();
    portChannelCounts_.clear();
    if (!restoring_) {
        portDirectionList_.clear();
        diInterrupt_.reset();
        diPattern_.reset();
        diStatus_.reset();
        deviceNumber_ = -1;
        boardId_ = -1;
        restorePending_.fill(0);
        deviceName_ = "No Device";
    }
    return true;
}

// ------------------------------------------------------------------ dialogs

HRESULT MrvDIOCtrl::SelectDevice(VARIANT_BOOL* pResult) {
    if (pResult)
        *pResult = 0;
    std::vector<std::pair<int32_t, QString>> devices;
    Bstr name;
    int32_t number = -1;
    GetDeviceListFirst(name.Put(), &number);
    while (number >= 0) {
        devices.emplace_back(number, QString::fromStdU16String(std::u16string(
                                         name.Get() ? name.Get() : u"", name.Length())));
        if (FAILED(GetDeviceListNext(name.Put(), &number)))
            break;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return S_OK; // no window system to ask on
    SelectDeviceDialog dialog(devices, deviceNumber_, QApplication::activeWindow());
    if (RunDialog(&dialog) == QDialog::Accepted && dialog.SelectedNumber() >= 0) {
        put_DeviceNumber(dialog.SelectedNumber());
        if (pResult)
            *pResult = 1;
    }
    return S_OK;
}

HRESULT MrvDIOCtrl::AboutBox() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return S_OK;
    AboutDialog dialog(QApplication::activeWindow());
    RunDialog(&dialog);
    return S_OK;
}

} // namespace mrvdio
