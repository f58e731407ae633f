#include "dialogs/VolumePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QSlider>
#include <QSocketNotifier>

#include "widgets/QtText.h"

namespace lintel {

TVolumePage::TVolumePage(MixerSystem& mixers, QWidget* parent) : QWidget(parent), Mixer(mixers) {
    setObjectName(QStringLiteral("tbsVol"));
    setWindowTitle(Text("ボリューム"));
    // Pick lists: typed text would name no line.
    cmbVolDest = new QComboBox(this);
    cmbVolDest->setObjectName(QStringLiteral("cmbVolDest"));
    cmbVolDest->setAccessibleName(Text("再生・録音"));  // not drawn: for screen readers
    cmbVolDest->setGeometry(48, 24, 145, 20);
    cmbVolCnct = new QComboBox(this);
    cmbVolCnct->setObjectName(QStringLiteral("cmbVolCnct"));
    cmbVolCnct->setAccessibleName(Text("ライン"));  // not drawn: for screen readers
    cmbVolCnct->setGeometry(48, 56, 145, 20);
    trbVolMeter = new QSlider(Qt::Horizontal, this);
    trbVolMeter->setObjectName(QStringLiteral("trbVolMeter"));
    trbVolMeter->setAccessibleName(Text("音量"));  // not drawn: for screen readers
    trbVolMeter->setGeometry(40, 96, 265, 45);
    trbVolMeter->setRange(0, 65535);
    trbVolMeter->setTickPosition(QSlider::NoTicks);
    trbVolMeter->setSingleStep(65535 / 100);
    trbVolMeter->setPageStep(65535 / 10);
    chbVolMute = new QCheckBox(QStringLiteral("Mute"), this);
    chbVolMute->setObjectName(QStringLiteral("chbVolMute"));
    chbVolMute->setGeometry(56, 144, 97, 17);

    Mixer.OnControlChange = [this](TAudioMixer& sender, std::intptr_t mixerH, std::uint32_t id) {
        MixerControlChange(sender, mixerH, id);
    };
    AttachHandlers();
    WatchMixer();
}

TVolumePage::~TVolumePage() {
    // No notification may reach a page being destroyed; the mixer closes with it.
    Mixer.OnControlChange = nullptr;
    qDeleteAll(notifiers_);
}

void TVolumePage::AttachHandlers() {
    connect(cmbVolDest, &QComboBox::activated, this, [this] { cmbVolDestChange(); });
    connect(cmbVolCnct, &QComboBox::activated, this, [this] { cmbVolCnctChange(); });
    // The page sets the position itself only while MixerBusy is set.
    connect(trbVolMeter, &QSlider::valueChanged, this, [this] {
        if (!MixerBusy) {
            trbVolMeterChange();
        }
    });
    connect(chbVolMute, &QCheckBox::toggled, this, [this] { chbVolMuteClick(); });
}

void TVolumePage::DetachHandlers() {
    for (QObject* control :
         std::initializer_list<QObject*>{cmbVolDest, cmbVolCnct, trbVolMeter, chbVolMute}) {
        control->disconnect(this);
    }
}

void TVolumePage::WatchMixer() {
    for (const pollfd& fd : Mixer.PollDescriptors()) {
        const auto type =
            (fd.events & POLLOUT) != 0 ? QSocketNotifier::Write : QSocketNotifier::Read;
        auto* notifier = new QSocketNotifier(fd.fd, type, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] { MixerEvents(); });
        notifiers_.push_back(notifier);
    }
}

void TVolumePage::MixerEvents() {
    if (Mixer.HandleEvents()) {
        return;
    }
    // The device is gone: its descriptors would stay ready for ever, and the line shows
    // as absent.
    for (QSocketNotifier* notifier : notifiers_) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    notifiers_.clear();
    cmbVolCnctChange();
}

void TVolumePage::SetUp() {
    if (Mixer.NumDevs() < 1) {
        DetachHandlers();
        QMessageBox::critical(window(), QStringLiteral("Error"),
                              QStringLiteral("No mixer present in the system !"), QMessageBox::Ok);
        return;
    }
    const TMixerDestinations* destinations = Mixer.Destinations();
    if (destinations == nullptr) {
        // Device 0 could not be opened: empty lists and inert controls.
        trbVolMeter->setEnabled(false);
        chbVolMute->setEnabled(false);
        return;
    }
    for (int d = 0; d < destinations->Count(); ++d) {
        cmbVolDest->addItem(FromCp932(destinations->Item(d)->Line().name));
    }
    if (cmbVolDest->count() > 0) {
        cmbVolDest->setCurrentIndex(0);
        cmbVolDestChange();
    }
}

void TVolumePage::cmbVolDestChange() {
    cmbVolCnct->clear();
    const TMixerDestinations* destinations = Mixer.Destinations();
    const TMixerDestination* dest =
        destinations != nullptr ? destinations->Item(cmbVolDest->currentIndex()) : nullptr;
    if (dest == nullptr) {
        return;
    }
    cmbVolCnct->addItem(FromCp932(dest->Line().name));
    for (int c = 0; c < dest->Connections().Count(); ++c) {
        cmbVolCnct->addItem(FromCp932(dest->Connections().Item(c)->Line().name));
    }
    cmbVolCnct->setCurrentIndex(0);
    cmbVolCnctChange();
}

void TVolumePage::cmbVolCnctChange() {
    // With no line chosen there is nothing to read; the controls show nothing either.
    std::optional<TMixerLevels> levels;
    if (cmbVolDest->currentIndex() >= 0 && cmbVolCnct->currentIndex() >= 0) {
        levels = Mixer.ReadLevels(cmbVolDest->currentIndex(), cmbVolCnct->currentIndex() - 1);
    }
    const TMixerLevels shown = levels.value_or(TMixerLevels{});
    MixerBusy = true;
    trbVolMeter->setEnabled(shown.left != -1);
    if (shown.left != -1) {
        trbVolMeter->setValue(shown.left);
    }
    chbVolMute->setEnabled(shown.mute != -1);
    if (shown.mute != -1) {
        chbVolMute->setChecked(shown.mute != 0);
    }
    MixerBusy = false;
}

void TVolumePage::MixerControlChange(TAudioMixer&, std::intptr_t, std::uint32_t) {
    cmbVolCnctChange();
}

void TVolumePage::trbVolMeterChange() {
    if (cmbVolDest->currentIndex() < 0 || cmbVolCnct->currentIndex() < 0) {
        return;
    }
    MixerBusy = true;
    // A control the page shows as absent keeps what the mixer holds: its slider position
    // or tick would be left over from another line.
    const int left = trbVolMeter->isEnabled() ? trbVolMeter->value() : -1;
    const int mute = chbVolMute->isEnabled() ? (chbVolMute->isChecked() ? 1 : 0) : -1;
    const bool written = Mixer.WriteLevels(cmbVolDest->currentIndex(),
                                           cmbVolCnct->currentIndex() - 1, left, -1, mute);
    MixerBusy = false;
    // The user is not told, but the page shows what the mixer kept.
    if (!written) {
        cmbVolCnctChange();
    }
}

void TVolumePage::chbVolMuteClick() {
    if (!MixerBusy) {
        trbVolMeterChange();
    }
}

}  // namespace lintel
