#pragma once

// The board driver as the MrvDIO control sees it: `libdaqdrv32.so`, loaded by
// name at run time and reached through one object with a method per driver
// function. When the library or one of its functions is missing, the method
// fails with DAQ_ERR_LIBRARY_NOT_LOADED / DAQ_ERR_FUNCTION_NOT_FOUND (and its
// outputs are cleared where that makes sense); it never crashes.
//
// Where the library comes from, in this order:
//   1. $DAQDRV32_LIBRARY, when set and not empty (only that path is tried);
//   2. the folder of the module holding this code (libMrvDIO.so);
//   3. the folder of the running program (the program directory);
//   4. the default search path of the dynamic loader.
//
// Every method may be called from any thread: the object is immutable once
// constructed, and the driver serialises its own calls.

#include "driver/daqdrv32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mrvdio::driver {

inline constexpr const char* kLibraryName = "libdaqdrv32.so";
inline constexpr const char* kLibraryEnv = "DAQDRV32_LIBRARY";

// Low 12 bits of a driver result: what the control reports.
inline constexpr std::int32_t ErrorCodeOf(DaqResult r) {
    return r & DAQ_ERROR_CODE_MASK;
}
inline constexpr bool IsNotSupported(DaqResult r) {
    return ErrorCodeOf(r) == DAQ_ERR_NOT_SUPPORTED;
}

class DaqDriver {
public:
    // The process-wide driver, loaded on first use by the search above.
    // May be called from any thread.
    static DaqDriver& Instance();

    // Loads exactly `libraryPath` (a file path, or a bare name for the
    // loader's search). Tests use this to bind another library.
    explicit DaqDriver(const std::string& libraryPath);
    ~DaqDriver();
    DaqDriver(const DaqDriver&) = delete;
    DaqDriver& operator=(const DaqDriver&) = delete;

    // True when the library was loaded (some functions may still be missing).
    bool IsLoaded() const { return library_ != nullptr; }
    // The path that was loaded, or the paths that were tried.
    const std::string& LibraryPath() const { return libraryPath_; }
    // Why loading failed (the loader's own reasons), empty when loaded.
    const std::string& LoadError() const { return loadError_; }
    // Names of driver functions the loaded library does not export.
    const std::vector<std::string>& MissingFunctions() const { return missing_; }

    DaqResult DeviceOpen(std::int32_t deviceNumber, DaqHandle* handle) const;
    DaqResult DeviceClose(DaqHandle* handle) const;
    DaqResult DeviceGetProperty(DaqHandle handle, std::uint32_t propertyId, void* buffer,
                                std::uint32_t* byteSize) const;
    DaqResult DeviceSetProperty(DaqHandle handle, std::uint32_t propertyId, const void* buffer,
                                std::uint32_t byteSize) const;
    DaqResult DeviceGetNumOfList(std::int16_t* count) const;
    DaqResult DeviceGetList(DaqDeviceListEntry* entries, std::int16_t capacity,
                            std::int16_t* count) const;
    // name: DAQ_DEVICE_NAME_SIZE bytes.
    DaqResult DeviceNumToDeviceName(std::int32_t deviceNumber, char* name) const;
    // message: DAQ_ERROR_MESSAGE_SIZE bytes. Also explains the loader's own
    // codes (which library, why it failed) without the library.
    DaqResult GetErrorMessage(DaqResult code, char* message) const;
    // The same text as a string ("" when even that fails).
    std::string ErrorText(DaqResult code) const;

    DaqResult DioReadBit(DaqHandle handle, DaqDioReadBit* record) const;
    DaqResult DioGetCurrentDOBit(DaqHandle handle, DaqDioReadBit* record) const;
    DaqResult DioWriteBit(DaqHandle handle, DaqDioWriteBit* record) const;

    DaqResult ReadDiPorts(DaqHandle handle, std::uint32_t portStart, std::uint32_t portCount,
                          std::uint8_t* buffer) const;
    DaqResult GetCurrentDoPortsState(DaqHandle handle, std::uint32_t portStart,
                                     std::uint32_t portCount, std::uint8_t* buffer) const;
    DaqResult WriteDoPorts(DaqHandle handle, std::uint32_t portStart, std::uint32_t portCount,
                           const std::uint8_t* buffer) const;

    DaqResult EnableEventAndSpecifyDiPorts(DaqHandle handle, std::uint32_t eventId,
                                           std::uint32_t scanStart, std::uint32_t scanCount) const;
    DaqResult DisableEvent(DaqHandle handle, std::uint32_t eventId) const;
    DaqResult CheckEvent(DaqHandle handle, DaqCheckEvent* record) const;
    DaqResult GetLatestEventDiPortsState(DaqHandle handle, std::uint32_t eventId,
                                         std::uint8_t* buffer, std::uint32_t portCount) const;

    // Convenience for 32-bit properties: reads 4 bytes into *value.
    DaqResult GetPropertyInt(DaqHandle handle, std::uint32_t propertyId, std::int32_t* value) const;
    // Convenience for byte lists: reads up to `capacity` bytes, resizing *data
    // to what the driver wrote.
    DaqResult GetPropertyBytes(DaqHandle handle, std::uint32_t propertyId,
                               std::vector<std::uint8_t>* data, std::uint32_t capacity) const;

private:
    struct Functions;
    DaqDriver();
    void Load(const std::vector<std::string>& candidates);
    DaqResult Missing(const void* fn) const;

    void* library_ = nullptr;
    Functions* fn_ = nullptr;
    std::string libraryPath_;
    std::string loadError_;
    std::vector<std::string> missing_;
};

} // namespace mrvdio::driver
