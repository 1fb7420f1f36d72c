#pragma once
// The volume window "Volume Control": a small non-modal window that sets the decoder's
// output (volume, balance, mute, mono or stereo) through the player engine and shows the
// volume and balance the decoder reports.
//
// Contract
//   - AttachPlayer(engine) stores the engine and asks the decoder to report its volume and
//     balance again (command 11). The main window calls it, then shows the window, on every
//     opening, also when the window is already showing.
//   - SetVolumePosition/SetBalancePosition move the sliders silently (0..99); the main
//     window routes the engine's reports to them whether the window shows or not. The window
//     is made on first use and then starts from what the decoder reported last.
//   - Every user change goes to the decoder at once: a slider move sends
//     SetVolume(balance, volume, 100); the centre button SetVolume(50, volume, 100) and then
//     the balance slider to 50; the check box Mute/Unmute; the radio items SetChannels with
//     their index (0 mono, 1 stereo). Nothing is saved.
//
// GUI thread only.

#include <QWidget>

class PlayerEngine;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TKmvTrackBar;

class TVolumeForm : public QWidget {
    Q_OBJECT
public:
    explicit TVolumeForm(QWidget* parent = nullptr);
    ~TVolumeForm() override;

    void AttachPlayer(PlayerEngine& engine);
    void SetVolumePosition(int value);
    void SetBalancePosition(int value);

    QLabel* VolumeLabel;
    TKmvTrackBar* VolumeTrackBar;
    QLabel* BalanceLabel;
    TKmvTrackBar* BalanceTrackBar;
    QPushButton* CenterButton;
    QCheckBox* MuteCheckBox;
    QRadioButton* MonoRadio;    // ChannelsRadioGroup item 0, "mono"
    QRadioButton* StereoRadio;  // ChannelsRadioGroup item 1, "stereo"

private:
    void VolumeTrackBarChange();
    void BalanceTrackBarChange();
    void CenterButtonClick();
    void MuteCheckBoxClick();
    void ChannelsRadioGroupClick(int index);
    void sendVolume(int balance);

    PlayerEngine* engine_ = nullptr;
    QButtonGroup* ChannelsRadioGroup;
};
