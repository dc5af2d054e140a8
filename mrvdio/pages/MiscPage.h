#pragma once

// Pattern Match & Status Change: for a chosen DI port, the channels taking
// part (and for pattern match the value to match), the DI ports latched and
// whether the interrupt is wanted.

#include "pages/PageWidget.h"

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

namespace mrvdio::pages {

class MiscPage : public PageWidget {
    Q_OBJECT
public:
    explicit MiscPage(QWidget* parent = nullptr);

    struct PortSetting {
        int32_t port = 0;
        int32_t mask = 0;
        int32_t pattern = 0; // pattern match only
        bool enabled = false;
        int32_t scanStart = 0;
        int32_t scanCount = 0;
        int32_t supportedChannels = 0;
        bool maskSettable = false;
    };
    enum Table { Pattern = 0, Status = 1 };

    // One group per table: its port list and fields.
    struct Group {
        QGroupBox* box = nullptr;
        QComboBox* ports = nullptr;
        std::array<QCheckBox*, 8> channels{}; // index = channel
        std::array<QCheckBox*, 8> values{};   // pattern match only
        QLineEdit* scanStart = nullptr;
        QLineEdit* scanCount = nullptr;
        QCheckBox* enabled = nullptr;
        std::vector<PortSetting> settings;
        int current = -1; // index into settings
    };
    const Group& GroupOf(Table t) const { return groups_[t]; }
    void ChoosePort(Table t, int index);
    void TypeScanStart(Table t, const QString& text);
    void TypeScanCount(Table t, const QString& text);

protected:
    void Fill(IMrvDIO* first) override;
    HRESULT ApplyTo(IMrvDIO* control) override;

private:
    void Build(Table t, QGroupBox* box);
    void ShowCurrent(Table t);
    void TakeBoxes(Table t);
    void TypeScan(Table t, bool start, const QString& text);

    std::array<Group, 2> groups_;
    int32_t diPortCount_ = 0;
    bool filling_ = false;
    bool checking_ = false;
};

} // namespace mrvdio::pages
