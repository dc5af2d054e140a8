#include "pages/GeneralPage.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mrvdio::pages {

namespace {

struct Field {
    const char* label;
    const char* name;
};

constexpr Field kFields[] = {
    {"Device Number", "DeviceNumber"}, {"Device Name", "DeviceName"},
    {"DI Port Count", "DiPortCount"},  {"DI Channel Count", "DiChannelCount"},
    {"DO Port Count", "DoPortCount"},  {"DO Channel Count", "DoChannelCount"},
};

} // namespace

GeneralPage::GeneralPage(QWidget* parent)
    : PageWidget(parent) {
    setObjectName(QStringLiteral("QuadrelProp"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Device Information"), this);
    auto* form = new QFormLayout(group);
    for (size_t i = 0; i < std::size(kFields); ++i) {
        fields_[i] = new QLineEdit(group);
        fields_[i]->setObjectName(QLatin1String(kFields[i].name));
        fields_[i]->setReadOnly(true);
        form->addRow(QLatin1String(kFields[i].label), fields_[i]);
    }
    layout->addWidget(group);
    selectDevice_ = new QPushButton(QStringLiteral("Select Device"), this);
    selectDevice_->setObjectName(QStringLiteral("SelectDevice"));
    connect(selectDevice_, &QPushButton::clicked, this, &GeneralPage::SelectDevice_Click);
    layout->addWidget(selectDevice_, 0, Qt::AlignRight);
    layout->addStretch();
}

void GeneralPage::Fill(IMrvDIO* c) {
    deviceNumber_ = IntOf(c, &IMrvDIO::get_DeviceNumber);
    Bstr name;
    c->get_DeviceName(name.Put());
    const int32_t values[] = {deviceNumber_,
                              0,
                              IntOf(c, &IMrvDIO::get_DiPortCount),
                              IntOf(c, &IMrvDIO::get_DiChannelCount),
                              IntOf(c, &IMrvDIO::get_DoPortCount),
                              IntOf(c, &IMrvDIO::get_DoChannelCount)};
    for (size_t i = 0; i < std::size(kFields); ++i)
        fields_[i]->setText(i == 1 ? QString::fromStdString(name.Utf8())
                                   : QString::number(values[i]));
}

void GeneralPage::SelectDevice_Click() {
    if (Objects().empty())
        return;
    IMrvDIO* first = Objects().front().Get();
    VARIANT_BOOL chosen = 0;
    first->SelectDevice(&chosen);
    Fill(first);
    // The first control has the chosen device now; the others take it on
    // Apply, which also saves it.
    if (chosen)
        SetDirty(true);
}

HRESULT GeneralPage::ApplyTo(IMrvDIO* control) {
    if (IntOf(control, &IMrvDIO::get_DeviceNumber) == deviceNumber_)
        return S_OK;
    return control->put_DeviceNumber(deviceNumber_);
}

} // namespace mrvdio::pages
