#include "TVolumeForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "controls/TKmvTrackBar.h"
#include "core/PlayerEngine.h"

namespace {

constexpr int kMaxPosition = 99;
constexpr int kCentre = 50;
constexpr int kRange = 100;
constexpr int kVolumeTickSteps = 3;

TKmvTrackBar* makeSlider(QWidget* parent, bool ticks) {
    auto* bar = new TKmvTrackBar(parent);
    bar->setMin(0);
    bar->setMax(kMaxPosition);
    bar->setPosition(0);
    bar->setFrequency(kVolumeTickSteps);
    bar->setTickStyle(ticks ? TKmvTrackBar::tsAuto : TKmvTrackBar::tsNone);
    bar->setMinimumWidth(180);
    return bar;
}

}  // namespace

TVolumeForm::TVolumeForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("VolumeForm"));
    setWindowTitle(QStringLiteral("Volume Control"));

    VolumeLabel = new QLabel(QStringLiteral("Volume"), this);
    VolumeTrackBar = makeSlider(this, true);
    BalanceLabel = new QLabel(QStringLiteral("Balance"), this);
    BalanceTrackBar = makeSlider(this, false);
    CenterButton = new QPushButton(QStringLiteral("|"), this);
    CenterButton->setToolTip(QStringLiteral("Balance in die Mitte"));
    CenterButton->setFixedWidth(24);
    MuteCheckBox = new QCheckBox(QStringLiteral("Mute"), this);

    auto* channels = new QGroupBox(this);
    MonoRadio = new QRadioButton(QStringLiteral("mono"), channels);
    StereoRadio = new QRadioButton(QStringLiteral("stereo"), channels);
    ChannelsRadioGroup = new QButtonGroup(this);
    ChannelsRadioGroup->addButton(MonoRadio, 0);
    ChannelsRadioGroup->addButton(StereoRadio, 1);
    StereoRadio->setChecked(true);
    auto* channelRow = new QHBoxLayout(channels);  // two columns
    channelRow->addWidget(MonoRadio);
    channelRow->addWidget(StereoRadio);

    auto* grid = new QGridLayout(this);
    grid->addWidget(VolumeLabel, 0, 0);
    grid->addWidget(VolumeTrackBar, 1, 0);
    grid->addWidget(BalanceLabel, 2, 0);
    grid->addWidget(BalanceTrackBar, 3, 0);
    grid->addWidget(CenterButton, 3, 1);
    grid->addWidget(MuteCheckBox, 4, 0, 1, 2);
    grid->addWidget(channels, 5, 0, 1, 2);
    setFixedSize(sizeHint());
    for (auto [bar, label] :
         {std::pair{VolumeTrackBar, VolumeLabel}, std::pair{BalanceTrackBar, BalanceLabel}}) {
        if (auto* slider = bar->findChild<QSlider*>()) {
            slider->setAccessibleName(label->text());
        }
    }
    CenterButton->setAccessibleName(CenterButton->toolTip());

    connect(VolumeTrackBar, &TKmvTrackBar::changed, this, &TVolumeForm::VolumeTrackBarChange);
    connect(BalanceTrackBar, &TKmvTrackBar::changed, this, &TVolumeForm::BalanceTrackBarChange);
    connect(CenterButton, &QPushButton::clicked, this, &TVolumeForm::CenterButtonClick);
    connect(MuteCheckBox, &QCheckBox::clicked, this, &TVolumeForm::MuteCheckBoxClick);
    connect(ChannelsRadioGroup, &QButtonGroup::idClicked, this,
            &TVolumeForm::ChannelsRadioGroupClick);
}

TVolumeForm::~TVolumeForm() = default;

void TVolumeForm::AttachPlayer(PlayerEngine& engine) {
    engine_ = &engine;
    engine_->requestVolumeReport();
}

void TVolumeForm::SetVolumePosition(int value) {
    VolumeTrackBar->setPosition(value);
}

void TVolumeForm::SetBalancePosition(int value) {
    BalanceTrackBar->setPosition(value);
}

void TVolumeForm::sendVolume(int balance) {
    if (engine_) {
        engine_->setVolume(balance, VolumeTrackBar->position(), kRange);
    }
}

void TVolumeForm::VolumeTrackBarChange() {
    sendVolume(BalanceTrackBar->position());
}

void TVolumeForm::BalanceTrackBarChange() {
    sendVolume(BalanceTrackBar->position());
}

void TVolumeForm::CenterButtonClick() {
    sendVolume(kCentre);
    SetBalancePosition(kCentre);
}

void TVolumeForm::MuteCheckBoxClick() {
    if (engine_) {
        engine_->setMuted(MuteCheckBox->isChecked());
    }
}

void TVolumeForm::ChannelsRadioGroupClick(int index) {
    if (engine_) {
        engine_->setStereo(index == 1);
    }
}
