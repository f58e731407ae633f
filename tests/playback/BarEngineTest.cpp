#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "platform/Cp932.h"

namespace lintel {
namespace {

using test::ReadBytes;
using test::RecordingView;
using test::Sample;

// The design's two-track disc: tracks at 00:02:00 and 03:10:05, 300,000 ms long.
constexpr const char* kTwoTracks = "track 00:02:00\ntrack 03:10:05\nleadout 05:02:00\n";

// Start-up, disc detection and close, each case on the whole settings file it names.
class BarEngineTest : public test::PlayerFixture {
protected:
    // Puts another disc in V: through the tray, as a user would.
    void SwapDisc(const std::string& disc) {
        engine_->CDcore().OpenDoor();
        PutDisc(disc);
        engine_->CDcore().CloseDoor();
    }
};

// ---- disc identity

TEST_F(BarEngineTest, AudioCdVolumeGivesTheVolumeFormIdentity) {
    StartOnFile(std::string("volume Audio CD\nserial A3F\n") + kTwoTracks,
                "[Config]\r\nDrive=V:\r\n");
    EXPECT_EQ(engine_->DiscId(), "0A3F");
    EXPECT_EQ(Read("0A3F", "title"), "new disk");
    EXPECT_EQ(Read("0A3F", "1"), "Track 2");
    EXPECT_EQ(view_.discLabel, "<new disk / new artist>");
    EXPECT_EQ(view_.trackLabel, "1. Track 1");
    EXPECT_EQ(view_.menu, (TStringList{"01: Track 1", "02: Track 2"}));
    EXPECT_EQ(view_.gaugeText, "0:00/3:08");  // track 1 runs from 0:02.00 to 3:10.05
    EXPECT_EQ(view_.gaugeMax, 188066);
    EXPECT_TRUE(view_.transport);
    EXPECT_TRUE(view_.doorClosed);
    EXPECT_TRUE(engine_->AudioDiscSeen());
}

TEST_F(BarEngineTest, OtherVolumeNamesGiveTheTrackTableIdentity) {
    StartOnFile(std::string("volume MY DISC\nserial 1234\n") + kTwoTracks,
                "[Config]\r\nDrive=V:\r\n");
    // (2×256) + (3×65536 + 10×256 + 5) + 0 + 22500 frames = 222185
    EXPECT_EQ(engine_->DiscId(), "363E9");
    EXPECT_EQ(engine_->CDcore().TimeFormat(), MCI_FORMAT_TMSF);
}

// The track-table identity of discs of three, two and one tracks. The real drives report
// these same numbers as the audio serials of such discs (VolumeSerialTest), so titles
// stored under the one form are found under the other, for short discs as well.
// An audio disc's volume serial is its track-table identity, so titles stored under the
// one form are found under the other, for short discs as well.
TEST_F(BarEngineTest, AudioCdSerialEqualsTheTrackTableIdentity) {
    const std::pair<const char*, const char*> discs[] = {
        {"track 00:02:00\ntrack 04:26:50\ntrack 08:53:25\nleadout 13:20:00\n", "C514B"},
        {kTwoTracks, "363E9"},
        {"track 00:02:33\nleadout 40:00:10\n", "2C0B5"}};
    for (const auto& [tracks, id] : discs) {
        StartOnFile(std::string("volume OTHER\nserial 1\ncda yes\n") + tracks,
                    "[Config]\r\nDrive=V:\r\n");
        EXPECT_EQ(engine_->DiscId(), id) << tracks;
        StartOnFile(tracks, "[Config]\r\nDrive=V:\r\n");  // "Audio CD" and its serial
        EXPECT_EQ(engine_->DiscId(), id) << tracks;
    }
}

TEST_F(BarEngineTest, LegacyRecordIsCopiedUnderTheNewIdentity) {
    std::string disc = "volume OTHER\nserial 1\ncda yes\n" + Sample("twelve-tracks.disc");
    StartOnFile(disc,
                "[Config]\r\nDrive=V:\r\n[12475433]\r\nEntryType=1\r\ntitle=Old\r\nartist=Band\r\n"
                "0=First\r\n; kept\r\n");
    EXPECT_EQ(engine_->ComputeLegacyDiscKey(), "12475433");
    const std::string id = engine_->DiscId();
    ASSERT_NE(id, "0");
    EXPECT_NE(id, "12475433");
    EXPECT_EQ(Read(id, "title"), "Old");
    EXPECT_EQ(Read(id, "0"), "First");
    EXPECT_EQ(Read(id, "11"), "");  // a missing name is copied empty
    EXPECT_EQ(Read(id, "numtracks"), "12");
    EXPECT_EQ(Read("12475433", "EntryType"), "1");  // the legacy record stays
    EXPECT_EQ(view_.discLabel, "<Old / Band>");
}

TEST_F(BarEngineTest, RecordMarkedMinusOneIsCreatedAfresh) {
    StartOnFile(std::string("volume Audio CD\nserial A3F\n") + kTwoTracks,
                "[Config]\r\nDrive=V:\r\n[0a3f]\r\nEntryType=-1\r\ntitle=Stale\r\nother=x\r\n");
    EXPECT_EQ(Read("0A3F", "EntryType"), "1");
    EXPECT_EQ(Read("0A3F", "title"), "new disk");
    EXPECT_EQ(Read("0A3F", "other"), "x");
}

// ---- the three disc states

TEST_F(BarEngineTest, OneTrackWithoutTrack01CdaIsNotAnAudioCd) {
    StartOnFile(Sample("single-without-cda.disc"), "[Config]\r\nDrive=V:\r\n");
    EXPECT_EQ(engine_->DiscId(), "0");
    EXPECT_EQ(view_.discLabel, "Not Audio CD");
    EXPECT_EQ(view_.trackLabel, "Not Audio CD");
    EXPECT_FALSE(view_.transport);
    EXPECT_FALSE(view_.pauseAndEdit);
    EXPECT_EQ(view_.closes, 0);  // no audio disc was seen before it

    SwapDisc(Sample("single-with-cda.disc"));
    engine_->CheckDisc();
    EXPECT_NE(engine_->DiscId(), "0");
    EXPECT_TRUE(view_.transport);
}

TEST_F(BarEngineTest, DataDiscAfterAnAudioDiscClosesTheBarWhenAsked) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\nCDROMClose=1\r\n");
    ASSERT_NE(engine_->DiscId(), "0");
    SwapDisc(Sample("data.disc"));
    engine_->CheckDisc();
    EXPECT_EQ(view_.discLabel, "Not Audio CD");
    EXPECT_EQ(view_.closes, 1);
}

TEST_F(BarEngineTest, EmptyDriveShowsNoDisc) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\n");
    SwapDisc("");  // an empty description is an unreadable disc
    engine_->CheckDisc();
    EXPECT_EQ(engine_->DiscId(), "0");
    EXPECT_EQ(view_.discLabel, "No Disc");
    EXPECT_EQ(view_.gaugeText, "none");
    EXPECT_EQ(view_.gaugeProgress, 0);
    EXPECT_FALSE(view_.transport);
    EXPECT_FALSE(engine_->TitleLines().empty());  // kept until the disc is removed
}

TEST_F(BarEngineTest, RemovingTheDiscClearsTitlesAndMenus) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\n");
    engine_->DiscRemoved();
    EXPECT_EQ(engine_->DiscId(), "0");
    EXPECT_TRUE(engine_->TitleLines().empty());
    EXPECT_TRUE(view_.menu.empty());
    EXPECT_FALSE(view_.doorClosed);
    EXPECT_TRUE(view_.panelVisible);
    EXPECT_EQ(view_.trackLabel, "No Disc");
}

TEST_F(BarEngineTest, RecheckingTheSameDiscReadsNothingAgain) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\n");
    const int sets = view_.discLabelSets;
    engine_->Settings()->WriteString(engine_->DiscId(), "title", "Edited elsewhere");
    engine_->CheckDisc();
    EXPECT_EQ(view_.discLabelSets, sets);
    EXPECT_EQ(view_.discLabel, "<new disk / new artist>");
}

// With no drive chosen, the first check stores the first CD-ROM drive in letter order
// and shows no disc; the next check looks at that drive.
TEST_F(BarEngineTest, FirstCheckChoosesTheFirstCdRomDrive) {
    drives_.PutDisc('W', kTwoTracks);
    StartOnFile(kTwoTracks, std::nullopt);
    EXPECT_EQ(Read("Config", "Drive"), "V:");
    EXPECT_EQ(view_.discLabel, "No Disc");
    engine_->CheckDisc();
    EXPECT_NE(engine_->DiscId(), "0");
}

TEST_F(BarEngineTest, AutoPlayStartsUnlessResumeDecides) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\nAutoPlay=1\r\n");
    EXPECT_EQ(engine_->CDcore().QueryMode(), static_cast<int>(CdMode::Playing));
    engine_->FormClose();
    EXPECT_EQ(engine_->CDcore().QueryMode(), static_cast<int>(CdMode::Stopped));
}

TEST_F(BarEngineTest, AutoPlayWaitsWhenResumeIsOn) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\nAutoPlay=1\r\nResumption=1\r\n");
    EXPECT_EQ(engine_->CDcore().QueryMode(), static_cast<int>(CdMode::Stopped));
}

// ---- start-up and close

TEST_F(BarEngineTest, DeviceThatCannotOpenIsReportedOnceAndNeverStopped) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=Q:\r\n");
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0],
              cp932::Literal(
                  "CDデバイスをオープンできませんでした。\rLintelを終了し、"
                  "他のＣＤプレーヤーも終了してください。\rその後、Lintelを再実行して下さい。"));
    EXPECT_TRUE(engine_->DeviceUnavailable());
    EXPECT_NO_THROW(engine_->FormClose());  // a stop would raise the no-device error
}

TEST_F(BarEngineTest, AfterTheSettingsDialogTheDeviceIsOpenedAgainWithTheStoredDrive) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=Q:\r\n");
    ASSERT_TRUE(engine_->DeviceUnavailable());
    // The user picked the right drive in the dialog: the device opens and the disc shows.
    engine_->Settings()->WriteString("Config", "Drive", "V:");
    engine_->ReapplySettings();
    EXPECT_FALSE(engine_->DeviceUnavailable());
    EXPECT_NE(engine_->DiscId(), kNoDiscId);
    EXPECT_EQ(view_.messages.size(), 1u);

    // And back to a drive that does not exist: said once, and the bar is still laid out
    // and docked again.
    engine_->Settings()->WriteString("Config", "Drive", "Q:");
    const int layouts = view_.layouts;
    const int docks = view_.edgeReapplies;
    EXPECT_NO_THROW(engine_->ReapplySettings());
    EXPECT_TRUE(engine_->DeviceUnavailable());
    EXPECT_EQ(view_.messages.size(), 2u);
    EXPECT_GT(view_.layouts, layouts);
    EXPECT_EQ(view_.edgeReapplies, docks + 1);
}

TEST_F(BarEngineTest, FirstStartImportsCdplayerIniOnce) {
    dir_.Write("sys/cdplayer.ini", "[0A3F]\r\nEntryType=1\r\ntitle=Imported\r\n");
    StartOnFile(std::string("volume Audio CD\nserial A3F\n") + kTwoTracks, std::nullopt);
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0],
              cp932::Literal("タイトルデータを cdplayer.ini から lintel.ini にコピーしました"));
    EXPECT_EQ(ReadBytes(dir_.File("prog/lintel.ini")),
              "[0A3F]\r\nEntryType=1\r\ntitle=Imported\r\n");
    EXPECT_EQ(Read("0A3F", "title"), "Imported");  // found under the same identity

    RecordingView second;
    TBarEngine again(second, drives_);
    engine_.reset();  // frees the drive for the second start
    again.FormCreate(Paths());
    EXPECT_TRUE(second.messages.empty());
}

TEST_F(BarEngineTest, ExistingSettingsFileIsNeverReplacedByTheImport) {
    dir_.Write("sys/cdplayer.ini", "[X]\r\na=1\r\n");
    StartOnFile(kTwoTracks, " ");
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(Read("X", "a"), "<none>");
}

TEST_F(BarEngineTest, CloseStoresTheEdgeAndWritesTheFileBack) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\nPosition=1\r\nTimerInt=250\r\n");
    EXPECT_EQ(view_.edge, TBarEdge::Bottom);
    EXPECT_EQ(view_.timerInterval, 250);
    view_.edge = TBarEdge::Top;
    engine_->FormClose();
    EXPECT_EQ(engine_->FormDestroy(), std::nullopt);
    EXPECT_NE(ReadBytes(dir_.File("prog/lintel.ini")).find("Position=0\r\n"), std::string::npos);
}

TEST_F(BarEngineTest, TimerIntervalThatIsNoNumberKeepsTheDefault) {
    StartOnFile(kTwoTracks, "[Config]\r\nDrive=V:\r\nTimerInt=fast\r\n");
    EXPECT_EQ(view_.timerInterval, 1000);
}

}  // namespace
}  // namespace lintel

namespace lintel::test {
namespace {

// A virtual drive whose CD-Text read is still running until the test says it is done.
class SlowCdTextDevice : public VirtualCdDevice {
public:
    SlowCdTextDevice(Settings settings, const CdClock& clock, const bool& pending)
        : VirtualCdDevice(std::move(settings), clock), pending_(pending) {}
    CdTextRead ReadCdText() override {
        ++asked;
        return pending_ ? CdTextRead{true, std::nullopt} : VirtualCdDevice::ReadCdText();
    }
    static inline int asked = 0;

private:
    const bool& pending_;
};

class SlowCdTextDrives : public MemoryDriveSet {
public:
    SlowCdTextDrives(const std::filesystem::path& folder, const CdClock& clock)
        : MemoryDriveSet(folder, clock), folder_(folder), clock_(clock) {}
    std::unique_ptr<CdAudioDevice> DeviceFor(const std::string&, std::string&) override {
        VirtualCdDevice::Settings settings;
        settings.discFile = (folder_ / "V.disc").string();
        settings.driveName = "V:";
        return std::make_unique<SlowCdTextDevice>(std::move(settings), clock_, pending);
    }
    bool pending = true;

private:
    std::filesystem::path folder_;
    const CdClock& clock_;
};

// A new disc is taken up only once its CD-Text is known: no tick waits for the drive, and
// the record then holds the disc's own titles.
TEST(CarriedTitlesEngine, ANewDiscWaitsForItsCdTextWithoutBlockingATick) {
    TempDir dir;
    StepClock clock;
    SlowCdTextDrives drives(dir.Path() / "discs", clock);
    drives.PutDisc('V', "title Album\nlength 00:10:00\nlength 00:10:00\ntracktitle 2 Second\n");
    std::filesystem::create_directories(dir.File("prog"));
    dir.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\nTimerInt=1000\r\n");
    RecordingView view;
    TBarEngine engine(view, drives);
    engine.FormCreate({dir.File("prog"), dir.File("prog/lintel.ini"), dir.File("sys")});
    EXPECT_EQ(engine.DiscId(), "0");  // still reading
    clock.Step(std::chrono::seconds(1));
    engine.Timer1Timer();
    EXPECT_EQ(engine.DiscId(), "0");
    EXPECT_GE(SlowCdTextDevice::asked, 2);

    drives.pending = false;
    clock.Step(std::chrono::seconds(1));
    engine.Timer1Timer();
    ASSERT_NE(engine.DiscId(), "0");
    EXPECT_EQ(engine.Settings()->ReadString(engine.DiscId(), "title", ""), "Album");
    EXPECT_EQ(engine.Settings()->ReadString(engine.DiscId(), "1", ""), "Second");
    EXPECT_EQ(engine.Settings()->ReadString(engine.DiscId(), "0", ""), "Track 1");
}

}  // namespace
}  // namespace lintel::test
