#include "serial/CommunicationLamp.h"

namespace marking {

namespace {
CommunicationLamp*& controllerLamp() {
    static CommunicationLamp* lamp = nullptr;
    return lamp;
}
CommunicationLamp*& plcLamp() {
    static CommunicationLamp* lamp = nullptr;
    return lamp;
}
} // namespace

CommunicationLamp* PrintControllerLamp() {
    return controllerLamp();
}

void SetPrintControllerLamp(CommunicationLamp* lamp) {
    controllerLamp() = lamp;
}

CommunicationLamp* PlcLamp() {
    return plcLamp();
}

void SetPlcLamp(CommunicationLamp* lamp) {
    plcLamp() = lamp;
}

} // namespace marking
