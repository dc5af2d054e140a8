#include "control/ErrorNumber.h"

#include <iterator>

namespace mrvdio {

namespace {

struct ErrorMessage {
    Err number;
    const char* text;
};

// In number order: the lookup indexes by number, checked below.
constexpr ErrorMessage kErrorMessages[] = {
    {Err::NoError, "No error!"},
    {Err::InsufficientMemory, "Insufficient memory!"},
    {Err::BufferNotBytes, "The User's buffer should be a BYTE array!"},
    {Err::ChannelNoDiInterrupt, "This channel does not support DI Interrupt!"},
    {Err::ThreadNotCreated, "Creating event checking thread has failed!"},
    {Err::UserDataShort, "The User data is not enough to complete this operation!"},
    {Err::NoDiFunction, "Device does not support DI function!"},
    {Err::NoDoFunction, "Device does not support DO function!"},
    {Err::NoDioFunction, "Device does not support DI/O function!"},
    {Err::NoDiInterrupt, "Device does not support DI Interrupt!"},
    {Err::NoDiPatternMatch, "Device does not support DI Pattern Match!"},
    {Err::NoDiStatusChange, "Device does not support DI Status Change!"},
    {Err::NoInterruptFunction, "Device does not support Interrupt function!"},
    {Err::IllegalDirection, "This port does not support such a channel direction setting!"},
    {Err::ConfigurationRunning, "Cannot change interrupt configuration while it is running!"},
    {Err::InvalidDiChannel, "Invalid DI channel number!"},
    {Err::InvalidDiPort, "Invalid DI port number!"},
    {Err::InvalidScanRange, "Invalid scan range!"},
    {Err::InvalidDoChannel, "Invalid DO channel number!"},
    {Err::InvalidDoScanRange, "Invalid DO scan range!"},
    {Err::InvalidDoPortRange, "Invalid DO port range!"},
    {Err::InvalidDioPort, "Invalid port number!"},
    {Err::InvalidParameter, "Invalid parameter!"},
    {Err::InvalidTrigger, "Invalid trigger value!"},
    {Err::InvalidUserBuffer, "Invalid user buffer!"},
    {Err::NoDevice, "No device is currently opened!"},
    {Err::PortNoPatternMatch, "This port does not support DI Pattern Match!"},
    {Err::PortNoStatusChange, "This port does not support DI Status Change!"},
    {Err::PortNoDirectionSetting, "This port does not support channel direction setting!"},
    {Err::PortNoChannelConfiguration,
     "This port does not support individual channel configuration!"},
    {Err::ReadDiChannelFailed, "Reading DI channel has failed!"},
    {Err::ReadDiPortsFailed, "Reading DI port(s) has failed!"},
    {Err::ReadDoChannelFailed, "Reading DO channel state has failed!"},
    {Err::ReadDoPortsFailed, "Reading DO port(s) has failed!"},
    {Err::WriteDoChannelFailed, "Writing DO channel has failed!"},
    {Err::WriteDoPortsFailed, "Writing DO port(s) has failed!"},
    {Err::DriverError, ""},
    {Err::NoRisingEdge, "Device does not support Rising Edge Trigger!"},
    {Err::NoFallingEdge, "Device does not support Falling Edge Trigger!"},
    {Err::NoDualEdge, "Device does not support Dual Trigger Mode!"},
};

constexpr bool InNumberOrder() {
    for (size_t i = 0; i < std::size(kErrorMessages); ++i)
        if (ToInt(kErrorMessages[i].number) != static_cast<int32_t>(i))
            return false;
    return true;
}
static_assert(InNumberOrder());

} // namespace

const char* ErrorTableMessage(int32_t number) {
    if (number < 0 || number >= static_cast<int32_t>(std::size(kErrorMessages)))
        return "";
    return kErrorMessages[number].text;
}

} // namespace mrvdio
