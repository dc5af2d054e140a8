#include "pages/MiscPage.h"

#include "pages/ScanRange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace mrvdio::pages {

namespace {

const char* const kPrefix[] = {"Pattern", "Status"};
const char* const kClipFormat[] = {
    "Scan Count for DI Pattern Match is out of range. It will be fixed to %1!",
    "Scan Count for DI Status Change is out of range. It will be fixed to %1!"};

} // namespace

MiscPage::MiscPage(QWidget* parent)
    : PageWidget(parent) {
    setObjectName(QStringLiteral("DIOMiscProp"));
    auto* layout = new QVBoxLayout(this);
    auto* pattern = new QGroupBox(QStringLiteral("DI Pattern Match Setting"), this);
    auto* status = new QGroupBox(QStringLiteral("DI Status Change Setting"), this);
    Build(Pattern, pattern);
    Build(Status, status);
    layout->addWidget(pattern);
    layout->addWidget(status);
    layout->addStretch();
}

void MiscPage::Build(Table t, QGroupBox* box) {
    Group& g = groups_[t];
    const QString prefix = QLatin1String(kPrefix[t]);
    g.box = box;
    auto* grid = new QGridLayout(box);
    g.ports = new QComboBox(box);
    g.ports->setObjectName(prefix + QStringLiteral("Ports"));
    grid->addWidget(new QLabel(QStringLiteral("DI Port"), box), 0, 0);
    grid->addWidget(g.ports, 0, 1, 1, 4);
    connect(g.ports, &QComboBox::activated, this, [this, t](int index) { ChoosePort(t, index); });
    // Channels 7 to 0, left to right.
    grid->addWidget(new QLabel(t == Pattern ? QStringLiteral("Channel") : QString(), box), 1, 0);
    if (t == Pattern)
        grid->addWidget(new QLabel(QStringLiteral("Match Value"), box), 2, 0);
    for (int ch = 7; ch >= 0; --ch) {
        const int column = 1 + (7 - ch);
        g.channels[ch] = new QCheckBox(
            t == Pattern ? QString::number(ch) : QStringLiteral("Chan%1").arg(ch), box);
        g.channels[ch]->setObjectName(prefix + QStringLiteral("Chan%1").arg(ch));
        grid->addWidget(g.channels[ch], 1, column);
        connect(g.channels[ch], &QCheckBox::toggled, this, [this, t] { TakeBoxes(t); });
        if (t == Pattern) {
            g.values[ch] = new QCheckBox(box);
            g.values[ch]->setObjectName(prefix + QStringLiteral("Value%1").arg(ch));
            grid->addWidget(g.values[ch], 2, column);
            connect(g.values[ch], &QCheckBox::toggled, this, [this, t] { TakeBoxes(t); });
        }
    }
    g.scanStart = new QLineEdit(box);
    g.scanCount = new QLineEdit(box);
    g.enabled = new QCheckBox(QStringLiteral("Enabled"), box);
    g.scanStart->setObjectName(prefix + QStringLiteral("ScanStart"));
    g.scanCount->setObjectName(prefix + QStringLiteral("ScanCount"));
    g.enabled->setObjectName(prefix + QStringLiteral("Enabled"));
    grid->addWidget(new QLabel(QStringLiteral("Scan Start"), box), 3, 0);
    grid->addWidget(g.scanStart, 3, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Scan Count"), box), 3, 3, 1, 2);
    grid->addWidget(g.scanCount, 3, 5, 1, 2);
    grid->addWidget(g.enabled, 4, 1, 1, 4);
    connect(g.scanStart, &QLineEdit::editingFinished, this,
            [this, t] { TypeScanStart(t, groups_[t].scanStart->text()); });
    connect(g.scanCount, &QLineEdit::editingFinished, this,
            [this, t] { TypeScanCount(t, groups_[t].scanCount->text()); });
    connect(g.enabled, &QCheckBox::toggled, this, [this, t] { TakeBoxes(t); });
}

void MiscPage::Fill(IMrvDIO* c) {
    filling_ = true;
    diPortCount_ = IntOf(c, &IMrvDIO::get_DiPortCount);
    const int32_t tablePorts[] = {IntOf(c, &IMrvDIO::GetPatternMatchPortNumber),
                                  IntOf(c, &IMrvDIO::GetDiStatusChangePort)};
    for (Table t : {Pattern, Status}) {
        Group& g = groups_[t];
        g.settings.clear();
        g.ports->clear();
        for (int32_t port = 0; port < diPortCount_ && tablePorts[t] > 0; ++port) {
            PortSetting s;
            s.port = port;
            VARIANT_BOOL enabled = 0, found = 0;
            if (t == Pattern)
                c->GetDiPatternMatchSetting(port, &s.mask, &s.pattern, &enabled, &s.scanStart,
                                            &s.scanCount, &found);
            else
                c->GetDiStatusChangeSetting(port, &s.mask, &enabled, &s.scanStart, &s.scanCount,
                                            &found);
            if (!found)
                continue;
            int32_t settable = 0;
            if (t == Pattern)
                c->GetDiPatternPortInfo(port, &s.supportedChannels, &settable);
            else
                c->GetDiStatusPortInfo(port, &s.supportedChannels, &settable);
            s.enabled = enabled != 0;
            s.maskSettable = settable != 0;
            g.settings.push_back(s);
            g.ports->addItem(QStringLiteral("Port %1").arg(port), port);
        }
        g.box->setEnabled(!g.settings.empty());
        g.current = g.settings.empty() ? -1 : 0;
        ShowCurrent(t);
    }
    filling_ = false;
}

void MiscPage::ShowCurrent(Table t) {
    Group& g = groups_[t];
    const bool had = filling_;
    filling_ = true;
    const PortSetting* s = g.current >= 0 ? &g.settings[g.current] : nullptr;
    g.ports->setCurrentIndex(g.current);
    for (int ch = 0; ch < 8; ++ch) {
        const bool supported = s && ((s->supportedChannels >> ch) & 1);
        g.channels[ch]->setChecked(s && ((s->mask >> ch) & 1));
        g.channels[ch]->setEnabled(supported && s->maskSettable);
        if (t == Pattern) {
            g.values[ch]->setChecked(s && ((s->pattern >> ch) & 1));
            g.values[ch]->setEnabled(supported);
        }
    }
    g.scanStart->setText(s ? QString::number(s->scanStart) : QString());
    g.scanCount->setText(s ? QString::number(s->scanCount) : QString());
    g.enabled->setChecked(s && s->enabled);
    filling_ = had;
}

void MiscPage::ChoosePort(Table t, int index) {
    Group& g = groups_[t];
    if (index < 0 || index >= static_cast<int>(g.settings.size()))
        return;
    g.current = index;
    ShowCurrent(t);
}

void MiscPage::TakeBoxes(Table t) {
    Group& g = groups_[t];
    if (filling_ || g.current < 0)
        return;
    PortSetting& s = g.settings[g.current];
    int32_t mask = 0, pattern = 0;
    for (int ch = 0; ch < 8; ++ch) {
        mask |= g.channels[ch]->isChecked() ? (1 << ch) : 0;
        if (t == Pattern)
            pattern |= g.values[ch]->isChecked() ? (1 << ch) : 0;
    }
    s.mask = mask;
    s.pattern = pattern;
    s.enabled = g.enabled->isChecked();
    SetDirty(true);
}

void MiscPage::TypeScanStart(Table t, const QString& text) {
    TypeScan(t, true, text);
}

void MiscPage::TypeScanCount(Table t, const QString& text) {
    TypeScan(t, false, text);
}

void MiscPage::TypeScan(Table t, bool start, const QString& text) {
    Group& g = groups_[t];
    if (checking_ || g.current < 0)
        return;
    checking_ = true; // the message box takes the focus and ends the edit again
    PortSetting& s = g.settings[g.current];
    const ScanEdit edit =
        CheckScanEdit(start ? ScanField::Start : ScanField::Count, text, s.scanStart, s.scanCount,
                      diPortCount_, QLatin1String(kClipFormat[t]));
    if (edit.start != s.scanStart || edit.count != s.scanCount)
        SetDirty(true);
    s.scanStart = edit.start;
    s.scanCount = edit.count;
    ShowCurrent(t);
    if (!edit.message.isEmpty())
        ShowMessage(edit.message);
    checking_ = false;
}

HRESULT MiscPage::ApplyTo(IMrvDIO* control) {
    VARIANT_BOOL r = 0;
    for (const PortSetting& s : groups_[Pattern].settings) {
        HRESULT hr = control->AssignDiPatternMatchDiScanRange(s.port, s.scanStart, s.scanCount, &r);
        if (SUCCEEDED(hr))
            hr = control->SetDiPatternMatch(s.port, s.pattern, s.mask, &r);
        if (SUCCEEDED(hr))
            hr = control->EnableDiPatternMatch(s.port, s.enabled ? 1 : 0);
        if (FAILED(hr))
            return hr;
    }
    for (const PortSetting& s : groups_[Status].settings) {
        HRESULT hr = control->AssignDiStatusChangeDiScanRange(s.port, s.scanStart, s.scanCount, &r);
        if (SUCCEEDED(hr))
            hr = control->SetDiStatusChange(s.port, s.mask, &r);
        if (SUCCEEDED(hr))
            hr = control->EnableDiStatusChange(s.port, s.enabled ? 1 : 0);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace mrvdio::pages
