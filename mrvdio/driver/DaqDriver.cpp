#include "driver/DaqDriver.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace mrvdio::driver {

namespace {

using FnDeviceOpen = DaqResult (*)(int32_t, DaqHandle*);
using FnDeviceClose = DaqResult (*)(DaqHandle*);
using FnGetProperty = DaqResult (*)(DaqHandle, uint32_t, void*, uint32_t*);
using FnSetProperty = DaqResult (*)(DaqHandle, uint32_t, const void*, uint32_t);
using FnGetNumOfList = DaqResult (*)(int16_t*);
using FnGetList = DaqResult (*)(DaqDeviceListEntry*, int16_t, int16_t*);
using FnNumToName = DaqResult (*)(int32_t, char*);
using FnErrorMessage = DaqResult (*)(DaqResult, char*);
using FnReadBit = DaqResult (*)(DaqHandle, DaqDioReadBit*);
using FnWriteBit = DaqResult (*)(DaqHandle, DaqDioWriteBit*);
using FnPorts = DaqResult (*)(DaqHandle, uint32_t, uint32_t, uint8_t*);
using FnWritePorts = DaqResult (*)(DaqHandle, uint32_t, uint32_t, const uint8_t*);
using FnEnableEvent = DaqResult (*)(DaqHandle, uint32_t, uint32_t, uint32_t);
using FnDisableEvent = DaqResult (*)(DaqHandle, uint32_t);
using FnCheckEvent = DaqResult (*)(DaqHandle, DaqCheckEvent*);
using FnLatched = DaqResult (*)(DaqHandle, uint32_t, uint8_t*, uint32_t);

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The folder of the module (shared library or program) that holds this code.
std::string moduleDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleDirectory), &info) != 0 && info.dli_fname)
        return directoryOf(info.dli_fname);
    return {};
}

std::string programDirectory() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = '\0';
    return directoryOf(buf);
}

void copyText(char* dst, std::size_t size, const std::string& text) {
    if (!dst || size == 0)
        return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

} // namespace

struct DaqDriver::Functions {
    FnDeviceOpen deviceOpen = nullptr;
    FnDeviceClose deviceClose = nullptr;
    FnGetProperty getProperty = nullptr;
    FnSetProperty setProperty = nullptr;
    FnGetNumOfList getNumOfList = nullptr;
    FnGetList getList = nullptr;
    FnNumToName numToName = nullptr;
    FnErrorMessage errorMessage = nullptr;
    FnReadBit readBit = nullptr;
    FnReadBit currentDoBit = nullptr;
    FnWriteBit writeBit = nullptr;
    FnPorts readDiPorts = nullptr;
    FnPorts currentDoPorts = nullptr;
    FnWritePorts writeDoPorts = nullptr;
    FnEnableEvent enableEvent = nullptr;
    FnDisableEvent disableEvent = nullptr;
    FnCheckEvent checkEvent = nullptr;
    FnLatched latched = nullptr;
};

DaqDriver& DaqDriver::Instance() {
    static DaqDriver driver;
    return driver;
}

DaqDriver::DaqDriver()
    : fn_(new Functions) {
    std::vector<std::string> candidates;
    const char* env = std::getenv(kLibraryEnv);
    if (env && *env) {
        candidates.emplace_back(env);
    } else {
        for (const std::string& dir : {moduleDirectory(), programDirectory()}) {
            if (dir.empty())
                continue;
            const std::string path = dir + "/" + kLibraryName;
            bool seen = false;
            for (const auto& c : candidates)
                seen = seen || c == path;
            if (!seen && access(path.c_str(), F_OK) == 0)
                candidates.push_back(path);
        }
        candidates.emplace_back(kLibraryName);
    }
    Load(candidates);
}

DaqDriver::DaqDriver(const std::string& libraryPath)
    : fn_(new Functions) {
    Load({libraryPath});
}

DaqDriver::~DaqDriver() {
    // The library stays loaded: a driver may own threads and sockets that
    // outlive this object until the process ends.
    delete fn_;
}

void DaqDriver::Load(const std::vector<std::string>& candidates) {
    std::string tried;
    for (const std::string& path : candidates) {
        dlerror();
        void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (lib) {
            library_ = lib;
            libraryPath_ = path;
            loadError_.clear();
            break;
        }
        const char* why = dlerror();
        if (!tried.empty())
            tried += ", ";
        tried += path;
        if (!loadError_.empty())
            loadError_ += "; ";
        loadError_ += why ? why : path + ": unknown loader error";
    }
    if (!library_) {
        libraryPath_ = tried;
        return;
    }
    auto resolve = [this](auto& slot, const char* name) {
        dlerror();
        void* sym = dlsym(library_, name);
        if (!sym || dlerror()) {
            missing_.emplace_back(name);
            slot = nullptr;
            return;
        }
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(sym);
    };
    resolve(fn_->deviceOpen, "DRV_DeviceOpen");
    resolve(fn_->deviceClose, "DRV_DeviceClose");
    resolve(fn_->getProperty, "DRV_DeviceGetProperty");
    resolve(fn_->setProperty, "DRV_DeviceSetProperty");
    resolve(fn_->getNumOfList, "DRV_DeviceGetNumOfList");
    resolve(fn_->getList, "DRV_DeviceGetList");
    resolve(fn_->numToName, "DRV_DeviceNumToDeviceName");
    resolve(fn_->errorMessage, "DRV_GetErrorMessage");
    resolve(fn_->readBit, "DRV_DioReadBit");
    resolve(fn_->currentDoBit, "DRV_DioGetCurrentDOBit");
    resolve(fn_->writeBit, "DRV_DioWriteBit");
    resolve(fn_->readDiPorts, "MvxDioReadDiPorts");
    resolve(fn_->currentDoPorts, "MvxDioGetCurrentDoPortsState");
    resolve(fn_->writeDoPorts, "MvxDioWriteDoPorts");
    resolve(fn_->enableEvent, "MvxDioEnableEventAndSpecifyDiPorts");
    resolve(fn_->disableEvent, "MvxDioDisableEvent");
    resolve(fn_->checkEvent, "DRV_CheckEvent");
    resolve(fn_->latched, "MvxDioGetLatestEventDiPortsState");
}

DaqResult DaqDriver::Missing(const void*) const {
    return library_ ? DAQ_ERR_FUNCTION_NOT_FOUND : DAQ_ERR_LIBRARY_NOT_LOADED;
}

DaqResult DaqDriver::DeviceOpen(int32_t deviceNumber, DaqHandle* handle) const {
    if (!fn_->deviceOpen) {
        if (handle)
            *handle = 0;
        return Missing(nullptr);
    }
    return fn_->deviceOpen(deviceNumber, handle);
}

DaqResult DaqDriver::DeviceClose(DaqHandle* handle) const {
    if (!fn_->deviceClose)
        return Missing(nullptr);
    return fn_->deviceClose(handle);
}

DaqResult DaqDriver::DeviceGetProperty(DaqHandle handle, uint32_t propertyId, void* buffer,
                                       uint32_t* byteSize) const {
    if (!fn_->getProperty)
        return Missing(nullptr);
    return fn_->getProperty(handle, propertyId, buffer, byteSize);
}

DaqResult DaqDriver::DeviceSetProperty(DaqHandle handle, uint32_t propertyId, const void* buffer,
                                       uint32_t byteSize) const {
    if (!fn_->setProperty)
        return Missing(nullptr);
    return fn_->setProperty(handle, propertyId, buffer, byteSize);
}

DaqResult DaqDriver::DeviceGetNumOfList(int16_t* count) const {
    if (!fn_->getNumOfList) {
        if (count)
            *count = 0;
        return Missing(nullptr);
    }
    return fn_->getNumOfList(count);
}

DaqResult DaqDriver::DeviceGetList(DaqDeviceListEntry* entries, int16_t capacity,
                                   int16_t* count) const {
    if (!fn_->getList) {
        if (count)
            *count = 0;
        return Missing(nullptr);
    }
    return fn_->getList(entries, capacity, count);
}

DaqResult DaqDriver::DeviceNumToDeviceName(int32_t deviceNumber, char* name) const {
    if (!fn_->numToName) {
        copyText(name, DAQ_DEVICE_NAME_SIZE, "");
        return Missing(nullptr);
    }
    return fn_->numToName(deviceNumber, name);
}

DaqResult DaqDriver::GetErrorMessage(DaqResult code, char* message) const {
    const int32_t low = ErrorCodeOf(code);
    if (low == DAQ_ERR_LIBRARY_NOT_LOADED) {
        copyText(message, DAQ_ERROR_MESSAGE_SIZE,
                 "드라이버 라이브러리를 불러오지 못했습니다 (" + libraryPath_ + "): " + loadError_);
        return DAQ_OK;
    }
    if (low == DAQ_ERR_FUNCTION_NOT_FOUND) {
        std::string names;
        for (const auto& m : missing_)
            names += (names.empty() ? "" : ", ") + m;
        copyText(message, DAQ_ERROR_MESSAGE_SIZE,
                 "드라이버 라이브러리 " + libraryPath_ + "에 함수가 없습니다: " + names);
        return DAQ_OK;
    }
    if (!fn_->errorMessage) {
        copyText(message, DAQ_ERROR_MESSAGE_SIZE,
                 library_ ? "드라이버 라이브러리 " + libraryPath_ +
                                "에 함수가 없습니다: DRV_GetErrorMessage"
                          : "드라이버 라이브러리를 불러오지 못했습니다 (" + libraryPath_ +
                                "): " + loadError_);
        return Missing(nullptr);
    }
    return fn_->errorMessage(code, message);
}

std::string DaqDriver::ErrorText(DaqResult code) const {
    char buf[DAQ_ERROR_MESSAGE_SIZE] = {};
    GetErrorMessage(code, buf);
    buf[DAQ_ERROR_MESSAGE_SIZE - 1] = '\0';
    return buf;
}

DaqResult DaqDriver::DioReadBit(DaqHandle handle, DaqDioReadBit* record) const {
    if (!fn_->readBit)
        return Missing(nullptr);
    return fn_->readBit(handle, record);
}

DaqResult DaqDriver::DioGetCurrentDOBit(DaqHandle handle, DaqDioReadBit* record) const {
    if (!fn_->currentDoBit)
        return Missing(nullptr);
    return fn_->currentDoBit(handle, record);
}

DaqResult DaqDriver::DioWriteBit(DaqHandle handle, DaqDioWriteBit* record) const {
    if (!fn_->writeBit)
        return Missing(nullptr);
    return fn_->writeBit(handle, record);
}

DaqResult DaqDriver::ReadDiPorts(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                                 uint8_t* buffer) const {
    if (!fn_->readDiPorts)
        return Missing(nullptr);
    return fn_->readDiPorts(handle, portStart, portCount, buffer);
}

DaqResult DaqDriver::GetCurrentDoPortsState(DaqHandle handle, uint32_t portStart,
                                            uint32_t portCount, uint8_t* buffer) const {
    if (!fn_->currentDoPorts)
        return Missing(nullptr);
    return fn_->currentDoPorts(handle, portStart, portCount, buffer);
}

DaqResult DaqDriver::WriteDoPorts(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                                  const uint8_t* buffer) const {
    if (!fn_->writeDoPorts)
        return Missing(nullptr);
    return fn_->writeDoPorts(handle, portStart, portCount, buffer);
}

DaqResult DaqDriver::EnableEventAndSpecifyDiPorts(DaqHandle handle, uint32_t eventId,
                                                  uint32_t scanStart, uint32_t scanCount) const {
    if (!fn_->enableEvent)
        return Missing(nullptr);
    return fn_->enableEvent(handle, eventId, scanStart, scanCount);
}

DaqResult DaqDriver::DisableEvent(DaqHandle handle, uint32_t eventId) const {
    if (!fn_->disableEvent)
        return Missing(nullptr);
    return fn_->disableEvent(handle, eventId);
}

DaqResult DaqDriver::CheckEvent(DaqHandle handle, DaqCheckEvent* record) const {
    if (!fn_->checkEvent) {
        // Without a driver there is nothing to wait for; report it at once
        // and leave an id outside the event ranges.
        if (record && record->eventId)
            *record->eventId = DAQ_EVENT_NONE;
        return Missing(nullptr);
    }
    return fn_->checkEvent(handle, record);
}

DaqResult DaqDriver::GetLatestEventDiPortsState(DaqHandle handle, uint32_t eventId, uint8_t* buffer,
                                                uint32_t portCount) const {
    if (!fn_->latched)
        return Missing(nullptr);
    return fn_->latched(handle, eventId, buffer, portCount);
}

DaqResult DaqDriver::GetPropertyInt(DaqHandle handle, uint32_t propertyId, int32_t* value) const {
    int32_t v = 0;
    uint32_t size = sizeof v;
    const DaqResult r = DeviceGetProperty(handle, propertyId, &v, &size);
    if (r == DAQ_OK && value)
        *value = v;
    return r;
}

DaqResult DaqDriver::GetPropertyBytes(DaqHandle handle, uint32_t propertyId,
                                      std::vector<uint8_t>* data, uint32_t capacity) const {
    std::vector<uint8_t> buf(capacity);
    uint32_t size = capacity;
    const DaqResult r = DeviceGetProperty(handle, propertyId, buf.data(), &size);
    if (r == DAQ_OK) {
        buf.resize(std::min(size, capacity));
        if (data)
            *data = std::move(buf);
    }
    return r;
}

} // namespace mrvdio::driver
