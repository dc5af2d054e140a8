#include "pages/DiInterruptPage.h"

#include "pages/ScanRange.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mrvdio::pages {

namespace {

constexpr int kWidths[] = {140, 85, 65, 70};
const char* const kTriggers[] = {"Rising", "Falling", "Both"}; // triggers 1, 2, 3

} // namespace

DiInterruptPage::DiInterruptPage(QWidget* parent)
    : PageWidget(parent)
    , list_(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("DIInterruptProp"));
    auto* layout = new QVBoxLayout(this);
    list_->setObjectName(QStringLiteral("ChannelList"));
    list_->setColumnCount(4);
    list_->setHeaderLabels({QStringLiteral("DIO Ports & Channels"), QStringLiteral("Trigger"),
                            QStringLiteral("Start Port"), QStringLiteral("Scan Count")});
    for (int i = 0; i < 4; ++i)
        list_->setColumnWidth(i, kWidths[i]);
    layout->addWidget(list_);
    auto* notice = new QLabel(
        QStringLiteral("To enable a DI interrupt, please check the corresponding channel. If a "
                       "port has been checked, all the channels in this port will raise DI "
                       "interrupts if they support."),
        this);
    notice->setWordWrap(true);
    layout->addWidget(notice);
    connect(list_, &QTreeWidget::itemChanged, this, &DiInterruptPage::ItemChanged);
}

void DiInterruptPage::Fill(IMrvDIO* c) {
    filling_ = true;
    list_->clear();
    channelItems_.clear();
    portItems_.clear();
    triggers_.clear();
    starts_.clear();
    counts_.clear();
    diPortCount_ = IntOf(c, &IMrvDIO::get_DiPortCount);
    const int32_t count = std::max(IntOf(c, &IMrvDIO::get_DiChannelCount), 0);
    channels_.assign(static_cast<size_t>(count), Channel{});
    bool hasTable = true;
    for (int32_t ch = 0; ch < count && hasTable; ++ch) {
        VARIANT_BOOL enabled = 0, found = 0;
        Channel& rec = channels_[ch];
        if (FAILED(c->GetDiInterruptSetting(ch, &enabled, &rec.trigger, &rec.scanStart,
                                            &rec.scanCount, &found))) {
            int32_t code = 0;
            c->get_LastErrorCode(&code);
            hasTable = code != DeviceNotSupportDiInterrupt;
        }
        rec.supported = found != 0;
        rec.enabled = enabled != 0;
        if (rec.trigger < 1 || rec.trigger > 3)
            rec.trigger = 1;
    }
    // Without DI interrupts on the device there is nothing to configure.
    setEnabled(hasTable && count > 0);
    for (int32_t ch = 0; ch < count; ++ch) {
        const int port = ch / 8;
        if (port >= static_cast<int>(portItems_.size())) {
            auto* p = new QTreeWidgetItem(list_, {QStringLiteral("Port %1").arg(port)});
            p->setFlags(p->flags() | Qt::ItemIsUserCheckable);
            p->setCheckState(0, Qt::Unchecked);
            p->setExpanded(true);
            portItems_.push_back(p);
        }
        auto* item = new QTreeWidgetItem(portItems_[port], {QStringLiteral("Channel %1").arg(ch)});
        item->setData(0, Qt::UserRole, ch);
        auto* trigger = new QComboBox(list_);
        auto* start = new QLineEdit(list_);
        auto* scan = new QLineEdit(list_);
        trigger->setObjectName(QStringLiteral("Trigger%1").arg(ch));
        start->setObjectName(QStringLiteral("StartPort%1").arg(ch));
        scan->setObjectName(QStringLiteral("ScanCount%1").arg(ch));
        for (const char* t : kTriggers)
            trigger->addItem(QLatin1String(t));
        list_->setItemWidget(item, 1, trigger);
        list_->setItemWidget(item, 2, start);
        list_->setItemWidget(item, 3, scan);
        connect(trigger, &QComboBox::activated, this, [this, ch](int index) {
            channels_[ch].trigger = index + 1;
            SetDirty(true);
        });
        connect(start, &QLineEdit::editingFinished, this,
                [this, ch, start] { TypeScanStart(ch, start->text()); });
        connect(scan, &QLineEdit::editingFinished, this,
                [this, ch, scan] { TypeScanCount(ch, scan->text()); });
        if (channels_[ch].supported) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
            for (QWidget* w : {static_cast<QWidget*>(trigger), static_cast<QWidget*>(start),
                               static_cast<QWidget*>(scan)})
                w->setEnabled(false);
        }
        channelItems_.push_back(item);
        triggers_.push_back(trigger);
        starts_.push_back(start);
        counts_.push_back(scan);
        ShowChannel(ch);
    }
    for (int port = 0; port < static_cast<int>(portItems_.size()); ++port)
        ShowPort(port);
    filling_ = false;
}

// A port is ticked when all its supported channels are, partly when some are.
void DiInterruptPage::ShowPort(int port) {
    int supported = 0, enabled = 0;
    for (size_t ch = size_t(port) * 8; ch < channels_.size() && ch < size_t(port + 1) * 8; ++ch) {
        supported += channels_[ch].supported ? 1 : 0;
        enabled += channels_[ch].supported && channels_[ch].enabled ? 1 : 0;
    }
    const bool had = filling_;
    filling_ = true;
    portItems_[port]->setCheckState(0, enabled == 0           ? Qt::Unchecked
                                       : enabled == supported ? Qt::Checked
                                                              : Qt::PartiallyChecked);
    if (supported == 0)
        portItems_[port]->setFlags(portItems_[port]->flags() & ~Qt::ItemIsUserCheckable);
    filling_ = had;
}

void DiInterruptPage::ShowChannel(int ch) {
    const Channel& rec = channels_[ch];
    if (rec.supported)
        channelItems_[ch]->setCheckState(0, rec.enabled ? Qt::Checked : Qt::Unchecked);
    triggers_[ch]->setCurrentIndex(rec.trigger - 1);
    starts_[ch]->setText(QString::number(rec.scanStart));
    counts_[ch]->setText(QString::number(rec.scanCount));
}

void DiInterruptPage::ItemChanged(QTreeWidgetItem* item) {
    if (filling_)
        return;
    const QVariant channel = item->data(0, Qt::UserRole);
    const bool ticked = item->checkState(0) != Qt::Unchecked;
    if (!channel.isValid()) {
        // A port: all its supported channels follow.
        const int port = portItems_.indexOf(item);
        filling_ = true;
        for (size_t ch = size_t(port) * 8; ch < channels_.size() && ch < size_t(port + 1) * 8;
             ++ch) {
            if (channels_[ch].supported && channels_[ch].enabled != ticked) {
                channels_[ch].enabled = ticked;
                ShowChannel(static_cast<int>(ch));
                SetDirty(true);
            }
        }
        filling_ = false;
        ShowPort(port);
        return;
    }
    Channel& rec = channels_[channel.toInt()];
    if (rec.supported && rec.enabled != ticked) {
        rec.enabled = ticked;
        SetDirty(true);
        ShowPort(channel.toInt() / 8);
    }
}

void DiInterruptPage::TypeScanStart(int channel, const QString& text) {
    TypeScan(channel, true, text);
}

void DiInterruptPage::TypeScanCount(int channel, const QString& text) {
    TypeScan(channel, false, text);
}

void DiInterruptPage::TypeScan(int channel, bool start, const QString& text) {
    if (checking_ || channel < 0 || channel >= static_cast<int>(channels_.size()))
        return;
    checking_ = true; // the message box takes the focus and ends the edit again
    Channel& rec = channels_[channel];
    const ScanEdit edit = CheckScanEdit(
        start ? ScanField::Start : ScanField::Count, text, rec.scanStart, rec.scanCount,
        diPortCount_, QStringLiteral("Scan count is out of range and it will be changed into %1!"));
    if (edit.start != rec.scanStart || edit.count != rec.scanCount)
        SetDirty(true);
    rec.scanStart = edit.start;
    rec.scanCount = edit.count;
    ShowChannel(channel);
    if (!edit.message.isEmpty())
        ShowMessage(edit.message);
    checking_ = false;
}

HRESULT DiInterruptPage::ApplyTo(IMrvDIO* control) {
    for (size_t i = 0; i < channels_.size(); ++i) {
        const auto ch = static_cast<int32_t>(i);
        const Channel& rec = channels_[i];
        VARIANT_BOOL supported = 0, r = 0;
        control->GetDiInterruptSetting(ch, nullptr, nullptr, nullptr, nullptr, &supported);
        if (!supported)
            continue; // not this control's
        HRESULT hr = control->AssignDiInterruptDiScanRange(ch, rec.scanStart, rec.scanCount, &r);
        if (SUCCEEDED(hr))
            hr = control->SetDiInterrupt(ch, rec.trigger, &r);
        if (SUCCEEDED(hr))
            hr = control->EnableDiInterrupt(ch, rec.enabled ? 1 : 0);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace mrvdio::pages
