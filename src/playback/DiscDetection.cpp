// Disc detection: which disc is in the drive, what it is called, and the bar's three
// disc states (an audio disc, no disc, not an audio disc).
#include <cstdio>

#include "platform/CdTime.h"
#include "playback/BarEngine.h"
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

void TBarEngine::CheckDisc() {
    const std::string& noDrive = DefaultText(TSetting::ConfigDrive, TReader::DiscDetection);
    const std::string drive = ReadString(*settings_, TSetting::ConfigDrive, TReader::DiscDetection);
    const std::string root = drive + "\\";
    if (drive == noDrive) {
        // No drive chosen yet: the first CD-ROM drive in letter order is stored, and the
        // next check looks at it.
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const std::string letterDrive = DriveName(letter);
            if (drives_.GetDriveType(letterDrive + "\\") == DRIVE_CDROM &&
                ReadString(*settings_, TSetting::ConfigDrive, TReader::DiscDetection) == noDrive) {
                WriteString(*settings_, TSetting::ConfigDrive, letterDrive);
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
        discId_ = id;
        if (!TitleRecordExists(*settings_, discId_)) {
            CreateTitleRecord(*settings_, discId_, static_cast<int>(cdcore_.QueryTrackCount()));
        }
    } else {
        if (cdcore_.QueryTrackCount() <= 1 && !drives_.HasTrack01Cda(root)) {
            discId_ = "0";
            ShowDiscState(std::string(kNotAudioText));
            if (ReadBool(*settings_, TSetting::ConfigCDROMClose) && audioDiscSeen_) {
                sbtExitClick();
            }
            return;
        }
        const std::string id = ComputeDiscId();
        if (id == discId_) {
            return;
        }
        discId_ = id;
        if (!TitleRecordExists(*settings_, discId_)) {
            const std::string legacyKey = ComputeLegacyDiscKey();
            EnsureTitleRecord(*settings_, discId_, legacyKey,
                              static_cast<int>(cdcore_.QueryTrackCount()));
        }
    }

    LoadTitleRecord();
    audioDiscSeen_ = true;
    EnableTransport(true, true);
    if (!ReadBool(*settings_, TSetting::ConfigResumption) &&
        ReadBool(*settings_, TSetting::ConfigAutoPlay)) {
        sbtPlayClick();
    }
}

void TBarEngine::ShowDiscState(const std::string& caption) {
    view_.SetDiscLabel(caption + discLabelPad_);
    view_.SetTrackLabel(caption + trackLabelPad_);
    view_.LayoutBar();
    EnableTransport(false, false);
}

void TBarEngine::ShowNoDisc() {
    discId_ = "0";
    programMode_ = paused_ = playingSeen_ = false;
    currentTrack_ = 1;
    view_.SetGaugeProgress(0);
    view_.SetGaugeText(std::string(kNoTimeText));
    ShowDiscState(std::string(kNoDiscText));
}

void TBarEngine::DiscRemoved() {
    ClearTrackMenus();
    SaveResumeState();
    discId_ = "0";
    playRequested_ = programMode_ = paused_ = playingSeen_ = false;
    view_.ResetPlayModeChoice();
    view_.ShowOperationPanel();
    SetDoorState(false);
    currentTrack_ = 1;
    view_.SetGaugeProgress(0);
    view_.SetGaugeText(std::string(kNoTimeText));
    ShowDiscState(std::string(kNoDiscText));
    titleLines_.clear();
}

void TBarEngine::SetDoorState(bool closed) {
    view_.SetDoorState(closed);
}

std::string TBarEngine::ComputeDiscId() {
    cdcore_.SetTimeFormat(MCI_FORMAT_MSF);
    const std::uint32_t tracks = cdcore_.QueryTrackCount();
    std::uint32_t sum = 0;
    std::uint32_t firstFrames = 0;
    for (std::uint32_t t = 1; t <= tracks; ++t) {
        const std::uint32_t p = cdcore_.QueryTrackStart(static_cast<int>(t));
        sum += MCI_MSF_MINUTE(p) * 65536u + MCI_MSF_SECOND(p) * 256u + MCI_MSF_FRAME(p);
        if (t == 1) {
            firstFrames = MCI_MSF_FRAME(p);
        }
    }
    if (cdcore_.QueryTrackCount() < 3) {
        cdcore_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
        sum += firstFrames + MillisecondsToFrames(cdcore_.QueryLength());
    }
    cdcore_.SetTimeFormat(MCI_FORMAT_TMSF);
    return Hex(sum, 1);
}

std::string TBarEngine::ComputeLegacyDiscKey() {
    // Lengths read in TMSF come packed as MSF.
    const std::uint32_t disc = cdcore_.QueryLength();
    const std::uint32_t first = cdcore_.QueryTrackLength(1);
    return std::to_string(cdcore_.QueryTrackCount()) + std::to_string(MCI_MSF_MINUTE(disc)) +
           std::to_string(MCI_MSF_SECOND(disc)) + std::to_string(MCI_MSF_MINUTE(first)) +
           std::to_string(MCI_MSF_SECOND(first));
}

}  // namespace lintel
