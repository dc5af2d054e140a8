#include "pages/PortDirectionPage.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mrvdio::pages {

namespace {

struct Choice {
    const char* text;
    uint8_t direction;
    uint8_t lowestType; // the port types that allow it: this one and up
};

constexpr Choice kChoices[] = {
    {"In", 0x00, 3},
    {"Out", 0xFF, 3},
    {"High Out Low In", 0xF0, 4},
    {"High In Low Out", 0x0F, 4},
};

QString FixedText(uint8_t direction) {
    for (const Choice& c : kChoices)
        if (c.direction == direction)
            return QLatin1String(c.text);
    return QStringLiteral("0x%1").arg(direction, 2, 16, QLatin1Char('0'));
}

} // namespace

PortDirectionPage::PortDirectionPage(QWidget* parent)
    : PageWidget(parent)
    , list_(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("DIOPortProp"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Programmeable DIO Port Direction Configuration"), this));
    list_->setObjectName(QStringLiteral("PortList"));
    list_->setColumnCount(2);
    list_->setHeaderLabels(
        {QStringLiteral("DIO Ports / Channels"), QStringLiteral("Port / Channel Direction")});
    list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(list_);
}

void PortDirectionPage::Fill(IMrvDIO* c) {
    filling_ = true;
    list_->clear();
    portBoxes_.clear();
    channelBoxes_.clear();
    const int32_t ports = std::max(IntOf(c, &IMrvDIO::GetDioPortCount), 0);
    types_.assign(static_cast<size_t>(ports), 0);
    directions_.assign(static_cast<size_t>(ports), 0);
    Variant typeList = Variant::Bytes(types_);
    Variant directionList = Variant::Bytes(directions_);
    c->GetDioPortType(typeList.Ptr());
    c->GetDioChannelDirection(directionList.Ptr());
    types_ = typeList.ToBytes();
    directions_ = directionList.ToBytes();
    for (int p = 0; p < ports; ++p) {
        auto* row = new QTreeWidgetItem(list_, {QStringLiteral("Port %1").arg(p)});
        QComboBox* box = nullptr;
        std::vector<QComboBox*> channels;
        if (types_[p] >= 3) {
            box = new QComboBox(list_);
            box->setObjectName(QStringLiteral("Port%1").arg(p));
            for (const Choice& choice : kChoices)
                if (types_[p] >= choice.lowestType)
                    box->addItem(QLatin1String(choice.text), choice.direction);
            list_->setItemWidget(row, 1, box);
            connect(box, &QComboBox::activated, this, [this, p, box](int index) {
                ChoosePortDirection(p, static_cast<uint8_t>(box->itemData(index).toUInt()));
            });
            if (types_[p] == 5) {
                for (int ch = 0; ch < 8; ++ch) {
                    auto* item = new QTreeWidgetItem(row, {QStringLiteral("Channel %1").arg(ch)});
                    auto* cbox = new QComboBox(list_);
                    cbox->setObjectName(QStringLiteral("Port%1Channel%2").arg(p).arg(ch));
                    cbox->addItem(QStringLiteral("In"), 0);
                    cbox->addItem(QStringLiteral("Out"), 1);
                    list_->setItemWidget(item, 1, cbox);
                    connect(cbox, &QComboBox::activated, this, [this, p, ch](int index) {
                        ChooseChannelDirection(p, ch, index == 1);
                    });
                    channels.push_back(cbox);
                }
                row->setExpanded(true);
            }
        } else {
            row->setText(1, FixedText(directions_[p]));
            row->setDisabled(true);
        }
        portBoxes_.push_back(box);
        channelBoxes_.push_back(channels);
        ShowPort(p);
    }
    filling_ = false;
}

void PortDirectionPage::ShowPort(int p) {
    if (QComboBox* box = portBoxes_[p])
        box->setCurrentIndex(box->findData(directions_[p]));
    for (size_t ch = 0; ch < channelBoxes_[p].size(); ++ch)
        channelBoxes_[p][ch]->setCurrentIndex((directions_[p] >> ch) & 1u);
}

void PortDirectionPage::ChoosePortDirection(int port, uint8_t direction) {
    if (port < 0 || port >= static_cast<int>(directions_.size()) || types_[port] < 3)
        return;
    directions_[port] = direction;
    ShowPort(port);
    if (!filling_)
        SetDirty(true);
}

void PortDirectionPage::ChooseChannelDirection(int port, int channel, bool out) {
    if (port < 0 || port >= static_cast<int>(directions_.size()) || types_[port] != 5 ||
        channel < 0 || channel > 7)
        return;
    const auto bit = static_cast<uint8_t>(1u << channel);
    directions_[port] = out ? (directions_[port] | bit) : (directions_[port] & ~bit);
    ShowPort(port);
    if (!filling_)
        SetDirty(true);
}

HRESULT PortDirectionPage::ApplyTo(IMrvDIO* control) {
    // Fixed ports have no direction to set.
    for (size_t p = 0; p < types_.size(); ++p) {
        if (types_[p] < 3)
            continue;
        VARIANT_BOOL ok = 0;
        const HRESULT hr = control->SetPortDirection(static_cast<int32_t>(p), directions_[p], &ok);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace mrvdio::pages
