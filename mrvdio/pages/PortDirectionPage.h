#pragma once

// Port Direction: one row per DIO port, with a row per channel where the
// direction can be set per channel; programmable ports choose theirs.

#include "pages/PageWidget.h"

class QComboBox;
class QTreeWidget;

namespace mrvdio::pages {

class PortDirectionPage : public PageWidget {
    Q_OBJECT
public:
    explicit PortDirectionPage(QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    // The page's copy: the low byte of each port's direction word.
    const std::vector<uint8_t>& Directions() const { return directions_; }
    // Chooses a direction as the list does (0x00, 0xFF, 0xF0, 0x0F).
    void ChoosePortDirection(int port, uint8_t direction);
    void ChooseChannelDirection(int port, int channel, bool out);

protected:
    void Fill(IMrvDIO* first) override;
    HRESULT ApplyTo(IMrvDIO* control) override;

private:
    void ShowPort(int port);

    QTreeWidget* list_;
    std::vector<uint8_t> types_;
    std::vector<uint8_t> directions_;
    std::vector<QComboBox*> portBoxes_;
    std::vector<std::vector<QComboBox*>> channelBoxes_;
    bool filling_ = false;
};

} // namespace mrvdio::pages
