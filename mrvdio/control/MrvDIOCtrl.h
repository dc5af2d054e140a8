#pragma once

// The MrvDIO control object: device state, the IMrvDIO members, the
// automation dispatch, connection points, the site and the extent.
//
// Its code is split by concern: MrvDIOCtrl.cpp (construction, identity and
// aggregation, errors, site and extent), Device.cpp (device list, opening
// and survey), PortIo.cpp (channel and port I/O, directions),
// Interrupts.cpp (interrupt configuration, arming, events),
// ConnectionPoint.cpp and Dispatch.cpp.

#include "control/ErrorNumber.h"
#include "control/EventChecker.h"
#include "control/InterruptTables.h"
#include "driver/DaqDriver.h"
#include "mrvdio/MrvDIO.h"

#include <QImage>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QObject;
class QPainter;
class QRect;

namespace mrvdio {

class MrvDIOCtrl;

class ConnectionPoint;
class PersistStream;

class MrvDIOCtrl final : public IMrvDIO,
                         public IOleObject,
                         public IConnectionPointContainer,
                         public ISupportErrorInfo,
                         public IPerPropertyBrowsing,
                         public ISpecifyPropertyPages {
public:
    // Creates the control (construction and final construction) and returns
    // the requested interface; with an outer unknown, aggregated (iid must be
    // IID_IUnknown). `driver` null: the process-wide driver.
    static HRESULT Create(IUnknown* outer, const IID& iid, void** object,
                          const driver::DaqDriver* driver = nullptr);

    // IUnknown (delegates to the controlling unknown)
    HRESULT QueryInterface(const IID& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;

    // IDispatch
    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetTypeInfo(uint32_t index, LCID lcid, void** typeInfo) override;
    HRESULT GetIDsOfNames(const IID& iid, const char16_t** names, uint32_t count, LCID lcid,
                          DISPID* dispids) override;
    HRESULT Invoke(DISPID member, const IID& iid, LCID lcid, uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excepInfo, uint32_t* argErr) override;

    // IMrvDIO
    HRESULT get_DeviceNumber(int32_t* value) override;
    HRESULT put_DeviceNumber(int32_t value) override;
    HRESULT get_DeviceName(BSTR* value) override;
    HRESULT get_LastErrorCode(int32_t* value) override;
    HRESULT put_LastErrorCode(int32_t value) override;
    HRESULT get_LastErrorMessage(BSTR* value) override;
    HRESULT put_LastErrorMessage(BSTR value) override;
    HRESULT get_DiChannelCount(int32_t* value) override;
    HRESULT get_DiPortCount(int32_t* value) override;
    HRESULT get_DoChannelCount(int32_t* value) override;
    HRESULT get_DoPortCount(int32_t* value) override;
    HRESULT get_EventEnabled(VARIANT_BOOL* value) override;
    HRESULT put_EventEnabled(VARIANT_BOOL value) override;
    HRESULT SelectDevice(VARIANT_BOOL* pResult) override;
    HRESULT GetDeviceListFirst(BSTR* pDeviceName, int32_t* nDeviceNumber) override;
    HRESULT GetDeviceListNext(BSTR* pDeviceName, int32_t* nDeviceNumber) override;
    HRESULT ReadDiChannel(int32_t channel, int32_t* state) override;
    HRESULT ReadDiPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                        VARIANT_BOOL* pResult) override;
    HRESULT ReadDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                        VARIANT_BOOL* pResult) override;
    HRESULT WriteDoChannel(int32_t status, int32_t channel, VARIANT_BOOL* pResult) override;
    HRESULT WriteDoPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount,
                         VARIANT_BOOL* pResult) override;
    HRESULT GetPortDirection(int32_t port, int32_t* direction) override;
    HRESULT SetPortDirection(int32_t port, int32_t direction, VARIANT_BOOL* pResult) override;
    HRESULT SetDiInterrupt(int32_t channel, int32_t trigger, VARIANT_BOOL* pResult) override;
    HRESULT EnableDiInterrupt(int32_t channel, VARIANT_BOOL enabled) override;
    HRESULT AssignDiInterruptDiScanRange(int32_t channel, int32_t scanStart, int32_t scanCount,
                                         VARIANT_BOOL* pResult) override;
    HRESULT SetDiPatternMatch(int32_t port, int32_t pattern, int32_t mask,
                              VARIANT_BOOL* pResult) override;
    HRESULT EnableDiPatternMatch(int32_t port, VARIANT_BOOL enabled) override;
    HRESULT AssignDiPatternMatchDiScanRange(int32_t port, int32_t scanStart, int32_t scanCount,
                                            VARIANT_BOOL* pResult) override;
    HRESULT SetDiStatusChange(int32_t port, int32_t mask, VARIANT_BOOL* pResult) override;
    HRESULT EnableDiStatusChange(int32_t port, VARIANT_BOOL enabled) override;
    HRESULT AssignDiStatusChangeDiScanRange(int32_t port, int32_t scanStart, int32_t scanCount,
                                            VARIANT_BOOL* pResult) override;
    HRESULT ReadDoChannel(int32_t channel, int32_t* state) override;
    HRESULT GetDiInterruptSetting(int32_t channel, VARIANT_BOOL* enabled, int32_t* trigger,
                                  int32_t* scanStart, int32_t* scanCount,
                                  VARIANT_BOOL* pResult) override;
    HRESULT GetDiPatternMatchSetting(int32_t port, int32_t* mask, int32_t* pattern,
                                     VARIANT_BOOL* enabled, int32_t* scanStart, int32_t* scanCount,
                                     VARIANT_BOOL* pResult) override;
    HRESULT GetDiStatusChangeSetting(int32_t port, int32_t* mask, VARIANT_BOOL* enabled,
                                     int32_t* scanStart, int32_t* scanCount,
                                     VARIANT_BOOL* pResult) override;
    HRESULT GetDioPortCount(int32_t* count) override;
    HRESULT GetDioPortType(VARIANT* pSetting) override;
    HRESULT GetDioChannelDirection(VARIANT* pSetting) override;
    HRESULT GetPatternMatchPortNumber(int32_t* count) override;
    HRESULT GetDiStatusChangePort(int32_t* count) override;
    HRESULT GetDiPatternPortInfo(int32_t port, int32_t* pSupportChan,
                                 int32_t* pSupportMask) override;
    HRESULT GetDiStatusPortInfo(int32_t port, int32_t* pSupportChan,
                                int32_t* pSupportMask) override;
    HRESULT AboutBox() override;

    // IOleObject
    HRESULT SetClientSite(IUnknown* site) override;
    HRESULT GetClientSite(IUnknown** site) override;
    HRESULT SetExtent(uint32_t drawAspect, const SIZEL* size) override;
    HRESULT GetExtent(uint32_t drawAspect, SIZEL* size) override;
    HRESULT OnAmbientPropertyChange(DISPID dispid) override;
    HRESULT Close(uint32_t saveOption) override;

    // IConnectionPointContainer
    HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) override;

    // ISupportErrorInfo
    HRESULT InterfaceSupportsErrorInfo(const IID& iid) override;

    // IPersistStream is a part object of the control (Persistence.cpp)
    // over these: the saved state is StateBytes() below.
    HRESULT SaveTo(IStream* stream, bool clearDirty);
    HRESULT LoadFrom(IStream* stream);

    // IPerPropertyBrowsing (Persistence.cpp): DeviceNumber and EventEnabled.
    HRESULT GetDisplayString(DISPID dispid, BSTR* text) override;
    HRESULT MapPropertyToPage(DISPID dispid, CLSID* page) override;
    HRESULT GetPredefinedStrings(DISPID dispid, CALPOLESTR* strings, CADWORD* cookies) override;
    HRESULT GetPredefinedValue(DISPID dispid, uint32_t cookie, VARIANT* value) override;

    // ISpecifyPropertyPages: General, Port Direction, DI Interrupt, Pattern
    // Match & Status Change.
    HRESULT GetPages(CAUUID* pages) override;

    // ---- beyond the interfaces: for the host side, pages and tests

    // ReportError: LastErrorCode/LastErrorMessage and the error info.
    void ReportError(int32_t number);
    void ReportError(Err number) { ReportError(ToInt(number)); }
    // A failed driver call with code c: error (c & 0xFFF) + 36.
    void ReportDriverError(DaqResult code);
    // DI channel → (DI port, bit) over PortChannelCounts.
    std::pair<int32_t, int32_t> ChannelToPortBit(int32_t channel) const;
    const std::vector<int32_t>& PortChannelCounts() const { return portChannelCounts_; }
    int32_t DiscoveryFailure() const { return discoveryFailure_; }
    int32_t BoardId() const { return boardId_; }
    bool IsDirty() const { return dirty_; }
    void SetDirty(bool dirty) { dirty_ = dirty; }
    bool HasDevice() const { return handle_ != 0; }
    bool ProgrammablePorts() const { return programmablePorts_; }
    int32_t ListedDeviceCount() const { return listedDeviceCount_; }
    // Whether the host is in run mode (ambient user mode; true without site).
    bool UserMode() const;
    // Draws the face bitmap at the top-left corner (plus one pixel).
    void Draw(QPainter& painter, const QRect& bounds) const;
    const QImage& FaceBitmap() const { return face_; }
    QObject* EventWindow() const { return eventWindow_; }

    const std::optional<std::vector<DiInterruptSetting>>& DiInterruptTable() const {
        return diInterrupt_;
    }
    const std::optional<std::vector<DiPatternMatchSetting>>& DiPatternMatchTable() const {
        return diPattern_;
    }
    const std::optional<std::vector<DiStatusChangeSetting>>& DiStatusChangeTable() const {
        return diStatus_;
    }
    int32_t RisingEdgeCapable() const { return risingEdgeCapable_; }
    int32_t FallingEdgeCapable() const { return fallingEdgeCapable_; }
    int32_t DualEdgeCapable() const { return dualEdgeCapable_; }

    // The state as Save writes it: the three interrupt tables and the
    // direction words, each after its little-endian byte size, the board
    // identity, the property-map version and the two typed properties.
    std::vector<uint8_t> StateBytes() const;
    // The version word of the saved property map.
    static constexpr uint32_t kPropertyMapVersion = 0x0300;

    // The extent the control keeps: 33 × 33 pixels in HIMETRIC.
    static SIZEL ControlExtent();

private:
    friend class ConnectionPoint;
    // Reading one DI or DO channel: the side's channel count, its error numbers
    // and the driver call that reads the bit.
    struct ChannelRead {
        int32_t channelCount;
        Err noChannelsError;
        Err rangeError;
        Err readError;
        DaqResult (driver::DaqDriver::*read)(DaqHandle, DaqDioReadBit*) const;
    };
    HRESULT ReadChannelBit(int32_t channel, int32_t* state, const ChannelRead& side);
    // The checks channel and port members start with; false when the member
    // cannot go ahead (the error is reported). A device with channels on the
    // side; and a channel among them; a DIO port with a type.
    bool HasChannels(int32_t channelCount, Err noChannelsError);
    bool CheckChannel(int32_t channel, int32_t channelCount, Err noChannelsError, Err rangeError);
    bool CheckDioPort(int32_t port);
    struct InnerUnknown final : IUnknown {
        MrvDIOCtrl* self;
        HRESULT QueryInterface(const IID& iid, void** object) override;
        uint32_t AddRef() override;
        uint32_t Release() override;
    };

    MrvDIOCtrl(IUnknown* outer, const driver::DaqDriver* driver);
    ~MrvDIOCtrl();
    HRESULT FinalConstruct();

    // Persistence (Persistence.cpp).
    struct SavedState;
    HRESULT ReadState(ISequentialStream* stream, SavedState* state);
    HRESULT ApplyState(SavedState&& state);

    // Opening and closing.
    bool IsDioDevice(int32_t number) const;
    bool DiscoverDevice();
    bool CloseAndReset();
    void RebuildPortChannelCounts(bool refused);
    void NotifyChanged(DISPID dispid);

    // The interrupt survey (last step of DiscoverDevice).
    bool SurveyDiInterrupt();
    bool SurveyPatternMatch();
    bool SurveyStatusChange();

    // Events on and off at the driver (run mode).
    void Arm();
    void Disarm();
    struct EdgeMasks {
        std::vector<uint8_t> rising, falling; // one byte per DI port
    };
    // Edge masks of all DI ports from the interrupt table; sets
    // interruptArmed_ when a supported channel is enabled.
    EdgeMasks BuildEdgeMasks();
    // The lists the driver needs before an event of that kind is enabled.
    DaqResult SendEdgeMasks();
    DaqResult SendPatternLists();
    DaqResult SendStatusMasks();
    DaqResult EnableEventAtDriver(uint32_t eventId, uint8_t scanStart, uint8_t scanCount);
    DiPatternMatchSetting* PatternRecord(int32_t port);
    DiStatusChangeSetting* StatusRecord(int32_t port);
    HRESULT CheckInterruptChannel(int32_t channel);
    // The pattern-match and status-change members, one template over what
    // the two differ in (Interrupts.cpp).
    struct PatternMatchTraits;
    struct StatusChangeTraits;
    template <class T> HRESULT CheckPort(int32_t port, typename T::Record** record);
    template <class T>
    HRESULT SetPortSetting(int32_t port, int32_t pattern, int32_t mask, VARIANT_BOOL* pResult);
    template <class T> HRESULT EnablePortEvent(int32_t port, VARIANT_BOOL enabled);
    template <class T>
    HRESULT AssignPortScanRange(int32_t port, int32_t scanStart, int32_t scanCount,
                                VARIANT_BOOL* pResult);
    template <class T>
    HRESULT GetPortInfo(int32_t port, int32_t* pSupportChan, int32_t* pSupportMask);

    // The event checking thread (EventChecker.h), made on first use.
    EventChecker& Events();
    // Ends the event checking thread; with `wait`, waits until it has ended.
    void StopEvents(bool wait);
    // An event handed over by the event checking thread (control's thread).
    void OnEvent(EventKind kind, int32_t index, VARIANT* data, DaqResult failure);
    void RaiseEvent(DISPID dispid, int32_t index, VARIANT* data, int32_t scanStart,
                    int32_t scanCount);

    // Byte buffer arguments.
    enum class BufferUse { Read, Write };
    // Resolves the array of a byte-buffer variant; NoError on success or the
    // error number. For reads, an empty variant (or an array variant without an
    // array) gets a new array of `count` bytes.
    Err ResolveBuffer(VARIANT* buffer, BufferUse use, int32_t count, SAFEARRAY** array);
    // A run of DI or DO ports to read or write: the side's channel and port
    // counts, its error numbers and what the caller's buffer is used for.
    struct PortSide {
        int32_t channelCount;
        int32_t portCount;
        Err noChannelsError;
        Err rangeError;
        BufferUse use;
    };
    // The run as the checks left it: the ports that can be transferred, the
    // caller's array, and whether the port range or the array cut it short.
    struct PortRun {
        int32_t start = 0;
        int32_t count = 0;
        SAFEARRAY* array = nullptr;
        bool cutByRange = false;
        bool cutByBuffer = false;
    };
    // The checks of a port transfer before the driver is called; false when
    // it cannot go ahead (the error is reported). A run past the last port
    // or longer than the array is cut, and the reason reported.
    bool PreparePortRun(VARIANT* buffer, int32_t portStart, int32_t portCount, const PortSide& side,
                        PortRun* run);
    HRESULT ReadPorts(VARIANT* pBuffer, int32_t portStart, int32_t portCount, VARIANT_BOOL* pResult,
                      bool input);

    // Dispatch helpers (Dispatch.cpp).
    HRESULT InvokeMember(DISPID member, uint16_t flags, DISPPARAMS* params, VARIANT* result,
                         uint32_t* argErr);

    // Identity and references.
    InnerUnknown inner_;
    IUnknown* outer_;
    std::atomic<uint32_t> refs_{1};
    const driver::DaqDriver& drv_;

    // Device state.
    int32_t deviceNumber_ = -1;
    std::string deviceName_ = "No Device";
    DaqHandle handle_ = 0;
    int32_t boardId_ = -1;
    int32_t lastErrorCode_ = 0;
    std::u16string lastErrorMessage_ = u"No Error!";
    VARIANT_BOOL eventEnabled_ = 0;
    int32_t diChannelCount_ = 0;
    int32_t diPortCount_ = 0;
    int32_t doChannelCount_ = 0;
    int32_t doPortCount_ = 0;
    int32_t dioPortCount_ = 0;
    std::vector<uint8_t> portTypeList_;
    std::vector<uint32_t> portDirectionList_;
    std::vector<int32_t> portChannelCounts_;
    bool programmablePorts_ = false;
    int32_t discoveryFailure_ = 21;
    int32_t patternPortCount_ = -1;
    int32_t statusPortCount_ = -1;
    std::vector<DaqDeviceListEntry> deviceList_;
    int32_t listCount_ = -1;
    int32_t listCursor_ = -1;
    int32_t listedDeviceCount_ = 0;
    bool firstAssignment_ = true;
    bool restoring_ = false;
    std::array<int16_t, 4> restorePending_{};
    bool deviceChanged_ = false;
    bool dirty_ = false;

    // Interrupt configuration.
    std::optional<std::vector<DiInterruptSetting>> diInterrupt_;
    std::optional<std::vector<DiPatternMatchSetting>> diPattern_;
    std::optional<std::vector<DiStatusChangeSetting>> diStatus_;
    int32_t risingEdgeCapable_ = 0;
    int32_t fallingEdgeCapable_ = 0;
    int32_t dualEdgeCapable_ = 0;
    bool interruptArmed_ = false;
    bool patternArmed_ = false;
    bool statusArmed_ = false;
    // Set while the event checking thread may run (its own run flag lives in
    // the EventChecker, shared with the thread under a mutex).
    std::atomic<bool> threadRun_{false};
    std::unique_ptr<EventChecker> events_;

    // Host side.
    QImage face_;
    QObject* eventWindow_ = nullptr;
    IUnknown* site_ = nullptr;
    SIZEL extent_;
    std::unique_ptr<ConnectionPoint> eventsPoint_;
    std::unique_ptr<ConnectionPoint> notifyPoint_;
    std::unique_ptr<PersistStream> persist_;
};

} // namespace mrvdio
