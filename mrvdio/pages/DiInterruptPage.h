#pragma once

// DI Interrupt: a row per DI port with its channels below; a ticked channel
// raises DI interrupts, with its trigger and the DI ports it latches.

#include "pages/PageWidget.h"

class QComboBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace mrvdio::pages {

class DiInterruptPage : public PageWidget {
    Q_OBJECT
public:
    explicit DiInterruptPage(QWidget* parent = nullptr);

    struct Channel {
        bool supported = false;
        bool enabled = false;
        int32_t trigger = 1;
        int32_t scanStart = 0;
        int32_t scanCount = 0;
    };
    const std::vector<Channel>& Channels() const { return channels_; }
    QTreeWidget* List() const { return list_; }
    // What typing into a channel's Start Port or Scan Count does.
    void TypeScanStart(int channel, const QString& text);
    void TypeScanCount(int channel, const QString& text);

protected:
    void Fill(IMrvDIO* first) override;
    HRESULT ApplyTo(IMrvDIO* control) override;

private:
    void TypeScan(int channel, bool start, const QString& text);
    void ShowChannel(int channel);
    void ShowPort(int port);
    void ItemChanged(QTreeWidgetItem* item);

    QTreeWidget* list_;
    std::vector<Channel> channels_;
    std::vector<QTreeWidgetItem*> channelItems_;
    QList<QTreeWidgetItem*> portItems_;
    std::vector<QComboBox*> triggers_;
    std::vector<QLineEdit*> starts_;
    std::vector<QLineEdit*> counts_;
    int32_t diPortCount_ = 0;
    bool filling_ = false;
    bool checking_ = false;
};

} // namespace mrvdio::pages
