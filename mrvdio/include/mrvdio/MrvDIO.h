#pragma once

// The MrvDIO digital input/output control as its hosts see it: class and
// interface identifiers, the automation interface IMrvDIO (members in slot
// order), the dispatch identifiers, the event interface _IMrvDIOEvents and
// the enumerations of the type library MrvDIOLib.

#include "mrvdio/ComBase.h"

// ------------------------------------------------------------ identifiers

// Type library MrvDIOLib 1.0 {5F4F791D-07CA-4B14-934B-2E74C8CD6FB5}
constexpr GUID LIBID_MrvDIOLib = {
    0x5F4F791D, 0x07CA, 0x4B14, {0x93, 0x4B, 0x2E, 0x74, 0xC8, 0xCD, 0x6F, 0xB5}};
// IMrvDIO {EE761BD2-60A1-4CB9-B6BE-228F8B65CF6F}
constexpr IID IID_IMrvDIO = {
    0xEE761BD2, 0x60A1, 0x4CB9, {0xB6, 0xBE, 0x22, 0x8F, 0x8B, 0x65, 0xCF, 0x6F}};
// _IMrvDIOEvents {83072D69-75AF-42BF-B07D-F2A568D18109}
constexpr IID DIID__IMrvDIOEvents = {
    0x83072D69, 0x75AF, 0x42BF, {0xB0, 0x7D, 0xF2, 0xA5, 0x68, 0xD1, 0x81, 0x09}};
// The control {8141E3A6-DC17-4EF9-9B84-1339EFCBAD39}
constexpr CLSID CLSID_MrvDIO = {
    0x8141E3A6, 0xDC17, 0x4EF9, {0x9B, 0x84, 0x13, 0x39, 0xEF, 0xCB, 0xAD, 0x39}};
// Property pages.
constexpr CLSID CLSID_QuadrelProp = {
    0xB1E7DA95, 0x49C0, 0x4C1E, {0x90, 0xEA, 0x7D, 0x2F, 0xF5, 0x07, 0x93, 0x95}};
constexpr CLSID CLSID_DIOPortProp = {
    0x606A6DE7, 0x15AA, 0x474F, {0x91, 0x9E, 0x62, 0xCF, 0x56, 0x1E, 0x34, 0x53}};
constexpr CLSID CLSID_DIInterruptProp = {
    0xCC48B730, 0x32D4, 0x4F20, {0xBC, 0x7D, 0xBD, 0xBC, 0x50, 0xAD, 0x32, 0x73}};
constexpr CLSID CLSID_DIOMiscProp = {
    0xCAB0EC70, 0xD40F, 0x44D2, {0x99, 0xCF, 0x54, 0xAF, 0xA4, 0x14, 0xD7, 0x24}};
// Enumerations.
constexpr GUID GUID_DiTriggerEdge = {
    0x0B7226C3, 0xBC5F, 0x477B, {0x89, 0x03, 0xA1, 0xF9, 0xE8, 0x41, 0xF3, 0xFE}};
constexpr GUID GUID_ErrorCode = {
    0xA24BF5A7, 0x871C, 0x4528, {0xB3, 0x99, 0xDB, 0x8C, 0xE1, 0x5A, 0x91, 0xFD}};

constexpr const char* MRVDIO_PROGID = "MrvDIO.MrvDIOCtrl";
constexpr const char* MRVDIO_PROGID_VERSION = "MrvDIO.MrvDIOCtrl.1";

// ------------------------------------------------------------ enumerations

enum DiTriggerEdge : int32_t { NoChange = 0, Rising = 1, Falling = 2, Both = 3 };

// "DIO Control Error Code". LastErrorCode equals these values for 0..25;
// from 26 on a failure is reported one below the value of its name (see
// MrvDIOErrorNumber in the control), and every driver error gives 36.
enum ErrorCode : int32_t {
    QuadrelNoError = 0,
    AllocateMemoryFailed = 1,
    BufferTypeMismatch = 2,
    ChannelNotSupportDiInterrupt = 3,
    CreateCheckEventThreadFailed = 4,
    UserDataInsufficient = 5,
    DeviceNotSupportDI = 6,
    DeviceNotSupportDO = 7,
    DeviceNotSupportDIO = 8,
    DeviceNotSupportDiInterrupt = 9,
    DeviceNotSupportDiPatternMatch = 10,
    DeviceNotSupportDiStatusChange = 11,
    DeviceNotSupportInterrupt = 12,
    IllegalDirection = 13,
    InterruptAlreadyRunning = 14,
    InvalidDiChannel = 15,
    InvalidDiPort = 16,
    InvalidDiScanRange = 17,
    InvalidDoChannel = 18,
    InvalidDoScanRange = 19,
    InvalidDoPortRange = 20,
    InvalidDioPort = 21,
    InvalidParameter = 22,
    InvalidTriggerSetting = 23,
    InvalidUserBuffer = 24,
    NoDeviceOpened = 25,
    OpenDeviceFailed = 26,
    PortNotSupportDiPatternMatch = 27,
    PortNotSupportDiStatusChange = 28,
    PortNotSupportDirectionSetting = 29,
    PortNotSupportMaskSetting = 30,
    ReadDiChannelFailed = 31,
    ReadDiPortsFailed = 32,
    ReadBackDoChannelFailed = 33,
    ReadBackDoPortsFailed = 34,
    WriteDoChannelFailed = 35,
    WriteDoPortsFailed = 36,
    DriverError = 37,
};

// ---------------------------------------------------------- dispatch ids

enum MrvDIODispId : DISPID {
    DISPID_DeviceNumber = 1,
    DISPID_DeviceName = 2,
    DISPID_LastErrorCode = 3,
    DISPID_LastErrorMessage = 4,
    DISPID_DiChannelCount = 5,
    DISPID_DiPortCount = 6,
    DISPID_DoChannelCount = 7,
    DISPID_DoPortCount = 8,
    DISPID_EventEnabled = 9,
    DISPID_SelectDevice = 10,
    DISPID_GetDeviceListFirst = 11,
    DISPID_GetDeviceListNext = 12,
    DISPID_ReadDiChannel = 13,
    DISPID_ReadDiPorts = 14,
    DISPID_ReadDoPorts = 15,
    DISPID_WriteDoChannel = 16,
    DISPID_WriteDoPorts = 17,
    DISPID_GetPortDirection = 18,
    DISPID_SetPortDirection = 19,
    DISPID_SetDiInterrupt = 20,
    DISPID_EnableDiInterrupt = 21,
    DISPID_AssignDiInterruptDiScanRange = 22,
    DISPID_SetDiPatternMatch = 23,
    DISPID_EnableDiPatternMatch = 24,
    DISPID_AssignDiPatternMatchDiScanRange = 25,
    DISPID_SetDiStatusChange = 26,
    DISPID_EnableDiStatusChange = 27,
    DISPID_AssignDiStatusChangeDiScanRange = 28,
    DISPID_ReadDoChannel = 29,
    DISPID_GetDiInterruptSetting = 30,
    DISPID_GetDiPatternMatchSetting = 31,
    DISPID_GetDiStatusChangeSetting = 32,
    DISPID_GetDioPortCount = 33,
    DISPID_GetDioPortType = 34,
    DISPID_GetDioChannelDirection = 35,
    DISPID_GetPatternMatchPortNumber = 36,
    DISPID_GetDiStatusChangePort = 37,
    DISPID_GetDiPatternPortInfo = 38,
    DISPID_GetDiStatusPortInfo = 39,
    DISPID_AboutBox = -552,
};

// Events of _IMrvDIOEvents: (index, data variant by reference, scanStart,
// scanCount); through Invoke the arguments arrive in reverse order.
enum MrvDIOEventDispId : DISPID {
    DISPID_OnDiInterrupt = 1,
    DISPID_OnDiStatusChange = 2,
    DISPID_OnDiPatternMatch = 3,
};

// --------------------------------------------------------------- IMrvDIO

// Conventions: S_OK on success, E_FAIL on failure (LastErrorCode and
// LastErrorMessage tell why, and the error info carries the message),
// S_FALSE where a member says so. Boolean results written by the control are
// 1 and 0. Through Invoke, the last out-parameter of a member that has a
// result (pResult, state, direction, a count) is the dispatch result; the
// other out-parameters are passed by reference.
struct IMrvDIO : IDispatch {
    virtual HRESULT get_DeviceNumber(int32_t* value) = 0;
    virtual HRESULT put_DeviceNumber(int32_t value) = 0;
    virtual HRESULT get_DeviceName(BSTR* value) = 0;
    virtual HRESULT get_LastErrorCode(int32_t* value) = 0;
    virtual HRESULT put_LastErrorCode(int32_t value) = 0;
    virtual HRESULT get_LastErrorMessage(BSTR* value) = 0;
    virtual HRESULT put_LastErrorMessage(BSTR value) = 0;
    virtual HRESULT get_DiChannelCount(int32_t* value) = 0;
    virtual HRESULT get_DiPortCount(int32_t* value) = 0;
    virtual HRESULT get_DoChannelCount(int32_t* value) = 0;
    virtual HRESULT get_DoPortCount(int32_t* value) = 0;
    virtual HRESULT get_EventEnabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT put_EventEnabled(VARIANT_BOOL value) = 0;
    virtual HRESULT SelectDevice(VARIANT_BOOL* pResult) = 0;
    virtual HRESULT GetDeviceListFirst(BSTR* pDeviceName, int32_t* nDeviceNumber) = 0;
    virtual HRESULT GetDeviceListNext(BSTR* pDeviceName, int32_t* nDeviceNumber) = 0;
    virtual HRESULT ReadDiChannel(int32_t channel, int32_t* state) = 0;
    virtual HRESULT ReadDiPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                VARIANT_BOOL* pResult) = 0;
    virtual HRESULT ReadDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                VARIANT_BOOL* pResult) = 0;
    virtual HRESULT WriteDoChannel(int32_t status, int32_t channel, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT WriteDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                                 VARIANT_BOOL* pResult) = 0;
    virtual HRESULT GetPortDirection(int32_t port, int32_t* direction) = 0;
    virtual HRESULT SetPortDirection(int32_t port, int32_t direction, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT SetDiInterrupt(int32_t channel, int32_t trigger, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT EnableDiInterrupt(int32_t channel, VARIANT_BOOL enabled) = 0;
    virtual HRESULT AssignDiInterruptDiScanRange(int32_t channel, int32_t scanStart,
                                                 int32_t scanCount, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT SetDiPatternMatch(int32_t port, int32_t pattern, int32_t mask,
                                      VARIANT_BOOL* pResult) = 0;
    virtual HRESULT EnableDiPatternMatch(int32_t port, VARIANT_BOOL enabled) = 0;
    virtual HRESULT AssignDiPatternMatchDiScanRange(int32_t port, int32_t scanStart,
                                                    int32_t scanCount, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT SetDiStatusChange(int32_t port, int32_t mask, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT EnableDiStatusChange(int32_t port, VARIANT_BOOL enabled) = 0;
    virtual HRESULT AssignDiStatusChangeDiScanRange(int32_t port, int32_t scanStart,
                                                    int32_t scanCount, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT ReadDoChannel(int32_t channel, int32_t* state) = 0;
    virtual HRESULT GetDiInterruptSetting(int32_t channel, VARIANT_BOOL* enabled, int32_t* trigger,
                                          int32_t* scanStart, int32_t* scanCount,
                                          VARIANT_BOOL* pResult) = 0;
    virtual HRESULT GetDiPatternMatchSetting(int32_t port, int32_t* mask, int32_t* pattern,
                                             VARIANT_BOOL* enabled, int32_t* scanStart,
                                             int32_t* scanCount, VARIANT_BOOL* pResult) = 0;
    virtual HRESULT GetDiStatusChangeSetting(int32_t port, int32_t* mask, VARIANT_BOOL* enabled,
                                             int32_t* scanStart, int32_t* scanCount,
                                             VARIANT_BOOL* pResult) = 0;
    virtual HRESULT GetDioPortCount(int32_t* count) = 0;
    virtual HRESULT GetDioPortType(VARIANT* pSetting) = 0;
    virtual HRESULT GetDioChannelDirection(VARIANT* pSetting) = 0;
    virtual HRESULT GetPatternMatchPortNumber(int32_t* count) = 0;
    virtual HRESULT GetDiStatusChangePort(int32_t* count) = 0;
    virtual HRESULT GetDiPatternPortInfo(int32_t port, int32_t* pSupportChan,
                                         int32_t* pSupportMask) = 0;
    virtual HRESULT GetDiStatusPortInfo(int32_t port, int32_t* pSupportChan,
                                        int32_t* pSupportMask) = 0;
    virtual HRESULT AboutBox() = 0;

protected:
    ~IMrvDIO() = default;
};
