#include "run/engine/RunDio.h"

#include "common/SharedValues.h"
#include "run/engine/RunLog.h"

namespace marking::run {

using namespace mrvdio::host;

namespace {

void logFailure(const char* what, const DioStatus& status) {
    if (!status.Ok())
        qCWarning(lcRun).noquote()
            << "MrvDIO1" << what << "failed:" << QString::fromStdString(status.description);
}

} // namespace

QString NoDioDeviceMessage(int errorCode, const QString& errorMessage) {
    return QStringLiteral("ErrMessage : %1 %2 Data I/O device 이상")
        .arg(errorCode)
        .arg(errorMessage);
}

RunDio::RunDio(QString stateFile)
    : state_(std::move(stateFile)) {}

RunDio::~RunDio() {
    if (const StateFileResult r = SaveState(); !r.ok)
        qCWarning(lcRun).noquote() << r.message;
    events_.reset();
    if (dio_)
        dio_->SetEventEnabled(false);
}

DioSetUp RunDio::SetUp(DioEventHandler handler) {
    DioSetUp result;
    std::string error;
    dio_ = DioControl::Create(&error);
    if (!dio_) {
        result.deviceMessage = NoDioDeviceMessage(-1, QString::fromStdString(error));
        return result;
    }
    // The device comes from the saved state.
    if (const StateFileResult r = state_.Load(dio_->Host().Object()); !r.ok)
        result.stateMessage = r.message;
    events_ = dio_->ConnectEvents(std::move(handler));
    if (!events_->Connected())
        qCWarning(lcRun) << "MrvDIO1 took no event sink";

    const DioResult<int32_t> device = dio_->DeviceNumber();
    logFailure("DeviceNumber", device);
    if (device.value == -1) {
        const DioResult<int32_t> code = dio_->LastErrorCode();
        const DioResult<std::string> message = dio_->LastErrorMessage();
        result.deviceMessage =
            NoDioDeviceMessage(code.value, QString::fromStdString(message.value));
    } else {
        result.device = true;
        const DioResult<int32_t> channels = dio_->DiChannelCount();
        logFailure("DiChannelCount", channels);
        if (channels.Ok())
            inputChannels_ = channels.value;
        for (const int32_t channel : {0, 1}) {
            logFailure("AssignDiInterruptDiScanRange",
                       dio_->AssignDiInterruptDiScanRange(channel, 0, 1));
            logFailure("SetDiInterrupt", dio_->SetDiInterrupt(channel, ::Rising));
            logFailure("EnableDiInterrupt", dio_->EnableDiInterrupt(channel, true));
        }
        const DioResult<bool> enabled = dio_->EventEnabled();
        logFailure("EventEnabled", enabled);
        if (enabled.value)
            logFailure("EventEnabled := false", dio_->SetEventEnabled(false));
        logFailure("EventEnabled := true", dio_->SetEventEnabled(true));
    }
    Shared().InputChannelCount = inputChannels_;
    if (const StateFileResult r = SaveState(); !r.ok && result.stateMessage.isEmpty())
        result.stateMessage = r.message;
    return result;
}

std::optional<bool> RunDio::ReadInput(int channel) const {
    if (!dio_)
        return std::nullopt;
    const DioResult<int32_t> r = dio_->ReadDiChannel(channel);
    if (!r.Ok())
        return std::nullopt;
    return r.value != 0;
}

StateFileResult RunDio::SaveState() const {
    if (!dio_)
        return {};
    return state_.SaveIfDirty(dio_->Host().Object());
}

} // namespace marking::run
