#include "common/widgets/ScreenHost.h"

namespace marking {

namespace {
class StandInHost : public ScreenHost {
public:
    QWidget* Screen(ScreenId) override { return nullptr; }
    void ShowScreen(ScreenId) override {}
    void HideScreen(ScreenId) override {}
    void ShowEndDialog() override {}
    void SetComCheckEnabled(bool enabled) override { enabled_ = enabled; }
    bool ComCheckEnabled() const override { return enabled_; }
    void SetComCheckHandler(std::function<void()>) override {}

private:
    bool enabled_ = false;
};

ScreenHost*& current() {
    static ScreenHost* host = nullptr;
    return host;
}
} // namespace

QString ScreenName(ScreenId id) {
    switch (id) {
    case ScreenId::Information:
        return QStringLiteral("FomInformation");
    case ScreenId::ProgramSetting:
        return QStringLiteral("FomProgramSetting");
    case ScreenId::MarkingSetting:
        return QStringLiteral("FomMarkingSetting");
    case ScreenId::MarkingWorkState:
        return QStringLiteral("FomMarkingWorkState");
    case ScreenId::MarkingStateDisplay:
        return QStringLiteral("FomMarkingStateDisplay");
    case ScreenId::WorkReport:
        return QStringLiteral("FomWorkReport");
    }
    return {};
}

ScreenHost& Host() {
    static StandInHost standIn;
    ScreenHost* host = current();
    return host ? *host : standIn;
}

void SetScreenHost(ScreenHost* host) {
    current() = host;
}

void HideScreens(std::initializer_list<ScreenId> ids) {
    for (ScreenId id : ids) {
        Host().HideScreen(id);
    }
}

} // namespace marking
