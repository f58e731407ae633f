#include "playback/DiscDetection.h"

#include <cstdio>

#include "platform/CdTime.h"
#include "settings/SettingsKeys.h"
#include "settings/StatusTexts.h"

namespace lintel {
namespace {

std::string Hex(std::uint32_t value, int minDigits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", minDigits, value);
    return text;
}

}  // namespace

TDiscDetection::TDiscDetection(TPlayerContext& player, DriveSet& drives, TBarTitles& titles,
                               TPlayOrder& order, TTransport& transport, TResume& resume)
    : player_(player),
      drives_(drives),
      titles_(titles),
      order_(order),
      transport_(transport),
      resume_(resume) {}

void TDiscDetection::CheckDisc() {
    TIniStore& settings = *player_.settings;
    TMediaPlayer& cd = player_.cdcore;
    const std::string& noDrive = DefaultText(TSetting::ConfigDrive, TReader::DiscDetection);
    const std::string drive = ReadString(settings, TSetting::ConfigDrive, TReader::DiscDetection);
    const std::string root = drive + "\\";
    if (drive == noDrive) {
        // No drive chosen yet: the first CD-ROM drive in letter order is stored, and the
        // next check looks at it.
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const std::string name = DriveName(letter);
            if (drives_.GetDriveType(name + "\\") == DRIVE_CDROM &&
                ReadString(settings, TSetting::ConfigDrive, TReader::DiscDetection) == noDrive) {
                WriteString(settings, TSetting::ConfigDrive, name);
            }
        }
    }
    std::optional<VolumeInformation> volume = drives_.GetVolumeInformation(root);
    if (!volume) {
        ShowNoDisc();
        return;
    }
    SetDoorState(true);

    if (volume->name == kAudioVolumeName) {
        const std::string id = Hex(volume->serial, 4);
        if (id == discId_) {
            return;  // the same disc is still loaded
        }
        std::optional<CdText> carried;
        if (!TitleRecordExists(settings, id) && !CarriedTitles(carried)) {
            return;
        }
        discId_ = id;
        if (!TitleRecordExists(settings, discId_)) {
            CreateTitleRecord(settings, discId_, static_cast<int>(cd.QueryTrackCount()),
                              carried.value_or(CdText{}));
        }
    } else {
        if (cd.QueryTrackCount() <= 1 && !drives_.HasTrack01Cda(root)) {
            ForgetDisc();
            ShowDiscState(kNotAudioText);
            if (ReadBool(settings, TSetting::ConfigCDROMClose) && audioDiscSeen_) {
                player_.view.CloseBar();  // as the Exit command
            }
            return;
        }
        const std::string id = ComputeDiscId();
        if (id == discId_) {
            return;
        }
        std::optional<CdText> carried;
        if (!TitleRecordExists(settings, id) && !CarriedTitles(carried)) {
            return;
        }
        discId_ = id;
        if (!TitleRecordExists(settings, discId_)) {
            const std::string legacyKey = ComputeLegacyDiscKey();
            EnsureTitleRecord(settings, discId_, legacyKey, static_cast<int>(cd.QueryTrackCount()),
                              carried.value_or(CdText{}));
        }
    }

    LoadTitleRecord();
    audioDiscSeen_ = true;
    player_.view.EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
    if (!ReadBool(settings, TSetting::ConfigResumption) &&
        ReadBool(settings, TSetting::ConfigAutoPlay)) {
        transport_.sbtPlayClick();
    }
}

bool TDiscDetection::CarriedTitles(std::optional<CdText>& carried) {
    CdTextRead read = player_.cdcore.QueryCdText();
    if (read.pending) {
        return false;
    }
    carried = std::move(read.text);
    return true;
}

void TDiscDetection::LoadTitleRecord() {
    titles_.Load(*player_.settings, discId_);
    transport_.TakeDeviceTrack();
    player_.view.LayoutBar();
    player_.view.ReapplyEdge();
    order_.BuildTrackMenus();
    transport_.ResetTrackGauge();
}

void TDiscDetection::ShowDiscState(std::string_view caption) {
    titles_.ShowStatus(caption);
    player_.view.EnableTransport(TTransportGroup::Disabled, TPauseAndEdit::Disabled);
}

void TDiscDetection::ShowNoDisc() {
    ForgetDisc();
    order_.LeaveProgramMode();
    transport_.NoDisc();
    ShowDiscState(kNoDiscText);
}

void TDiscDetection::DiscRemoved() {
    order_.ClearTrackMenus();
    (void)resume_.Save(discId_);  // the disc is forgotten here either way
    ForgetDisc();
    order_.LeaveProgramMode();
    transport_.DiscRemoved();
    player_.view.ResetPlayModeChoice();
    player_.view.ShowOperationPanel();
    SetDoorState(false);
    ShowDiscState(kNoDiscText);
    titles_.ClearLines();
}

void TDiscDetection::ForgetDisc() {
    // A fresh string, not an assignment into the old one: GCC 12 warns falsely about
    // overlapping copies in that inlined assignment (-Wrestrict).
    discId_ = std::string(kNoDiscId);
}

void TDiscDetection::TrayOpened() {
    if (discId_ != kNoDiscId) {
        player_.cdcore.OpenDoor();
        DiscRemoved();
    }
}

void TDiscDetection::SetDoorState(bool closed) {
    player_.view.SetDoorState(closed);
}

void TDiscDetection::sbtEjectClick() {
    if (!player_.Ready()) {
        return;
    }
    player_.cdcore.OpenDoor();
    DiscRemoved();
}

void TDiscDetection::sbtCloseClick() {
    if (!player_.Ready()) {
        return;
    }
    player_.cdcore.CloseDoor();
    SetDoorState(true);  // the next stopped tick looks at the disc
}

std::string TDiscDetection::ComputeDiscId() {
    TMediaPlayer& cd = player_.cdcore;
    cd.SetTimeFormat(MCI_FORMAT_MSF);
    const std::uint32_t tracks = cd.QueryTrackCount();
    std::uint32_t sum = 0;
    std::uint32_t firstFrames = 0;
    for (std::uint32_t t = 1; t <= tracks; ++t) {
        const std::uint32_t p = cd.QueryTrackStart(static_cast<int>(t));
        sum += MCI_MSF_MINUTE(p) * 65536u + MCI_MSF_SECOND(p) * 256u + MCI_MSF_FRAME(p);
        if (t == 1) {
            firstFrames = MCI_MSF_FRAME(p);
        }
    }
    if (cd.QueryTrackCount() < 3) {
        cd.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        sum += firstFrames + MillisecondsToFrames(cd.QueryLength());
    }
    cd.SetTimeFormat(MCI_FORMAT_TMSF);
    return Hex(sum, 1);
}

std::string TDiscDetection::ComputeLegacyDiscKey() {
    // Lengths read in TMSF come packed as MSF.
    TMediaPlayer& cd = player_.cdcore;
    const std::uint32_t disc = cd.QueryLength();
    const std::uint32_t first = cd.QueryTrackLength(1);
    return std::to_string(cd.QueryTrackCount()) + std::to_string(MCI_MSF_MINUTE(disc)) +
           std::to_string(MCI_MSF_SECOND(disc)) + std::to_string(MCI_MSF_MINUTE(first)) +
           std::to_string(MCI_MSF_SECOND(first));
}

}  // namespace lintel
