// The settings dialog's volume page "ボリューム": one line of the system's mixer, chosen
// by destination and connection, with its level on a slider and its mute switch. Nothing
// of it is stored in lintel.ini; the mixer keeps the levels. The page follows changes
// made elsewhere through the mixer's notifications on the Qt event loop.
#pragma once

#include <QWidget>
#include <vector>

#include "settings/AudioMixer.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QSocketNotifier;

namespace lintel {

class TVolumePage : public QWidget {
public:
    /// Creates the page and its mixer component, which opens mixer device 0. `mixers`
    /// must outlive the page.
    TVolumePage(MixerSystem& mixers, QWidget* parent);
    ~TVolumePage() override;
    TVolumePage(const TVolumePage&) = delete;
    TVolumePage& operator=(const TVolumePage&) = delete;

    /// The page's part of the dialog's creation: without a mixer device the page goes
    /// inert and says so in an error box; otherwise it lists the destinations and shows
    /// the first one's own line.
    void SetUp();

    /// Shows the chosen destination's own line among its connections.
    void cmbVolDestChange();
    /// Shows the levels of the chosen line; writes nothing back.
    void cmbVolCnctChange();
    /// A notification of the mixer: the chosen line is shown again.
    void MixerControlChange(TAudioMixer& sender, std::intptr_t mixerH, std::uint32_t id);
    /// The user moved the slider: its position goes to both channels with the mute.
    void trbVolMeterChange();
    /// The mute box changed: written together with the slider's level, unless the page
    /// itself is showing the mixer's state.
    void chbVolMuteClick();

    QComboBox* cmbVolDest = nullptr;
    QComboBox* cmbVolCnct = nullptr;
    QSlider* trbVolMeter = nullptr;
    QCheckBox* chbVolMute = nullptr;
    TAudioMixer Mixer;
    /// Set while the page writes to the mixer or shows what the mixer holds.
    bool MixerBusy = false;

private:
    void AttachHandlers();
    void DetachHandlers();
    /// Watches the open device's poll descriptors on the event loop.
    void WatchMixer();
    /// Delivers the device's notifications; stops watching a device that was lost.
    void MixerEvents();

    std::vector<QSocketNotifier*> notifiers_;
};

}  // namespace lintel
