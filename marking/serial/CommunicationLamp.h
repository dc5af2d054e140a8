#pragma once

#include <QList>

namespace marking {

// State of a communication lamp of the run screen: the pair of images
// (green "communication good", red "communication failed") of which at most one
// is shown.
enum class LampState { Hidden, Green, Red };

// A lamp the transmissions and the PLC exchange set. The run screen implements
// it over its images; tools leave it out; tests record it.
class CommunicationLamp {
public:
    virtual ~CommunicationLamp() = default;
    virtual void SetLamp(LampState state) = 0;
};

// Records every state it is set to.
class RecordingLamp : public CommunicationLamp {
public:
    void SetLamp(LampState state) override { states_.append(state); }
    const QList<LampState>& States() const { return states_; }
    LampState Current() const { return states_.isEmpty() ? LampState::Hidden : states_.back(); }
    void Clear() { states_.clear(); }

private:
    QList<LampState> states_;
};

// The print controller lamp (imgGreen / imgRed) and the PLC lamp
// (ImgPLCCommunicationStateGreen / ImgPLCCommunicationStateRed) in force;
// nullptr when none is installed. User-interface thread only.
CommunicationLamp* PrintControllerLamp();
void SetPrintControllerLamp(CommunicationLamp* lamp);
CommunicationLamp* PlcLamp();
void SetPlcLamp(CommunicationLamp* lamp);

// Sets the lamp if there is one.
inline void SetLampIfAny(CommunicationLamp* lamp, LampState state) {
    if (lamp)
        lamp->SetLamp(state);
}

} // namespace marking
