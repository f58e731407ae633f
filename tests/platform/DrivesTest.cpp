#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "platform/CueBinImage.h"
#include "platform/Drives.h"
#include "platform/LibcdioCdDevice.h"
#include "platform/VirtualCdDevice.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::TempDir;

class FixedClock : public CdClock {
public:
    std::chrono::milliseconds Now() const override { return std::chrono::milliseconds{0}; }
};

// drives.ini: what is declared, and every kind of line that is skipped.
TEST(ParseDrivesIni, DeclaresVirtualDrivesByLetter) {
    const DrivesIni ini = ParseDrivesIni(
        "; my discs\n"
        "[Drives]\r\n"
        "V=/discs/album.disc\n"
        "  w = two.disc  \n"
        "X:=\"with blanks.disc\"\n"
        "# done\n",
        "/home/me/.config/lintel");
    EXPECT_TRUE(ini.warnings.empty());
    const std::map<char, std::string> expected = {
        {'V', "/discs/album.disc"},
        {'W', "/home/me/.config/lintel/two.disc"},
        {'X', "/home/me/.config/lintel/with blanks.disc"}};
    EXPECT_EQ(ini.virtualDrives, expected);
}

TEST(ParseDrivesIni, SkipsBadLinesNamingThem) {
    const DrivesIni ini = ParseDrivesIni(
        "V=/outside.disc\n"  // 1: before any section
        "[drives]\n"         // 2: section names ignore case
        "V /no-equals.disc\n"
        "VW=/two-letters.disc\n"
        "1=/digit.disc\n"
        "=/no-key.disc\n"
        "W=\n"
        "Y=/first.disc\n"
        "y=/second.disc\n"  // 9: the first declaration wins
        "[Drives\n"         // 10: unterminated heading leaves the section
        "Z=/after-bad-heading.disc\n"
        "[Other]\n"
        "Z=/other-section.disc\n",
        "/base");
    const std::map<char, std::string> expected = {{'Y', "/first.disc"}};
    EXPECT_EQ(ini.virtualDrives, expected);
    ASSERT_EQ(ini.warnings.size(), 10u);
    const int lines[] = {1, 3, 4, 5, 6, 7, 9, 10, 11, 13};
    for (std::size_t i = 0; i < ini.warnings.size(); ++i) {
        EXPECT_EQ(ini.warnings[i].rfind("drives.ini " + std::to_string(lines[i]) + " ", 0), 0u)
            << ini.warnings[i];
    }
}

// [Play] names the drives that play through their own audio output.
TEST(ParseDrivesIni, PlaySectionChoosesAnalogPlay) {
    const DrivesIni ini = ParseDrivesIni(
        "[Play]\n"
        "D=analog\n"
        "e: = Digital\n"
        "F=loud\n"     // 4: neither way
        "d=digital\n"  // 5: the first declaration wins
        "[Drives]\n"
        "I=images/album.CUE\n",
        "/base");
    EXPECT_EQ(ini.analogDrives, std::set<char>{'D'});
    const std::map<char, std::string> expected = {{'I', "/base/images/album.CUE"}};
    EXPECT_EQ(ini.virtualDrives, expected);
    ASSERT_EQ(ini.warnings.size(), 2u);
    EXPECT_EQ(ini.warnings[0].rfind("drives.ini 4 ", 0), 0u);
    EXPECT_EQ(ini.warnings[1].rfind("drives.ini 5 ", 0), 0u);
}

TEST(DriveLetterOf, AcceptsTheFormsOfARootOnly) {
    EXPECT_EQ(DriveLetterOf("E"), 'E');
    EXPECT_EQ(DriveLetterOf("e:"), 'E');
    EXPECT_EQ(DriveLetterOf("E:\\"), 'E');
    EXPECT_EQ(DriveLetterOf("-1\\"), std::nullopt);
    EXPECT_EQ(DriveLetterOf(""), std::nullopt);
    EXPECT_EQ(DriveLetterOf("E:\\x"), std::nullopt);
    EXPECT_EQ(DriveLetterOf("EF:"), std::nullopt);
}

TEST(FindOpticalDrives, ListsSrDevicesInNumberOrder) {
    TempDir dev;
    for (const char* name : {"sr10", "sr2", "sr0", "sra", "sr", "scd0", "sda"}) {
        dev.Write(name, "");
    }
    const std::vector<std::string> expected = {dev.File("sr0"), dev.File("sr2"), dev.File("sr10")};
    EXPECT_EQ(FindOpticalDrives(dev.Path().string(), false), expected);
    // Plain files are no drives.
    EXPECT_TRUE(FindOpticalDrives(dev.Path().string(), true).empty());
    EXPECT_TRUE(FindOpticalDrives(dev.File("missing"), false).empty());
}

// Letters: virtual drives keep theirs, real drives fill the free ones from D: upward.
TEST(AssignDriveLetters, RealDrivesFromDUpwardAroundVirtualOnes) {
    using Kind = DriveEntry::Kind;
    const std::vector<DriveEntry> plain = AssignDriveLetters({"/dev/sr0", "/dev/sr1"}, {});
    const std::vector<DriveEntry> plainExpected = {{'D', Kind::Real, "/dev/sr0"},
                                                   {'E', Kind::Real, "/dev/sr1"}};
    EXPECT_EQ(plain, plainExpected);

    const std::vector<DriveEntry> mixed =
        AssignDriveLetters({"/dev/sr0", "/dev/sr1"}, {{'E', "/e.disc"}, {'A', "/a.disc"}});
    const std::vector<DriveEntry> mixedExpected = {{'A', Kind::Virtual, "/a.disc"},
                                                   {'D', Kind::Real, "/dev/sr0"},
                                                   {'E', Kind::Virtual, "/e.disc"},
                                                   {'F', Kind::Real, "/dev/sr1"}};
    EXPECT_EQ(mixed, mixedExpected);

    std::vector<std::string> many;
    for (int i = 0; i < 30; ++i) {
        many.push_back("/dev/sr" + std::to_string(i));
    }
    const std::vector<DriveEntry> full = AssignDriveLetters(many, {});
    ASSERT_EQ(full.size(), 23u);  // D: to Z:
    EXPECT_EQ(full.back().letter, 'Z');
    EXPECT_EQ(full.back().path, "/dev/sr22");
}

// The table over a system folder with drives.ini and disc files.
class DriveTableTest : public ::testing::Test {
protected:
    std::string WriteDisc(const std::string& name, const std::string& text) {
        return system_.Write(name, text);
    }
    void WriteIni(const std::string& text) { system_.Write("drives.ini", text); }

    TempDir system_;
    FixedClock clock_;
};

TEST_F(DriveTableTest, TypesAndDefaultDrive) {
    WriteDisc("a.disc", "track 00:02:00\nleadout 05:00:00\n");
    WriteIni("[Drives]\nW=a.disc\nV=a.disc\nbad line\n");
    const TDriveTable table(system_.Path().string(), {"/dev/sr0"}, clock_);
    EXPECT_EQ(table.Warnings().size(), 1u);
    EXPECT_EQ(table.GetDriveType("D:\\"), DRIVE_CDROM);
    EXPECT_EQ(table.GetDriveType("V:\\"), DRIVE_CDROM);
    EXPECT_EQ(table.GetDriveType("w:"), DRIVE_CDROM);
    EXPECT_EQ(table.GetDriveType("C:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(table.GetDriveType("E:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(table.GetDriveType("-1\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(table.DefaultDrive(), "D:");
}

TEST_F(DriveTableTest, VirtualAudioDiscReportsAudioCd) {
    // 00:02:00, 04:26:50 and 08:53:25.
    WriteDisc("three.disc", "track 00:02:00\ntrack 04:26:50\ntrack 08:53:25\nleadout 13:20:00\n");
    WriteDisc("one-data.disc", "track 00:02:00 data\nleadout 30:00:00\n");
    WriteDisc("named.disc",
              "volume MY_DISC\nserial 1B2C3D4E\ncda yes\ntrack 00:02:00 data\nleadout "
              "30:00:00\n");
    WriteIni("[Drives]\nV=three.disc\nW=one-data.disc\nX=named.disc\nY=missing.disc\n");
    const TDriveTable table(system_.Path().string(), {}, clock_);
    EXPECT_EQ(table.DefaultDrive(), "V:");

    const auto audio = table.GetVolumeInformation("V:\\");
    ASSERT_TRUE(audio.has_value());
    EXPECT_EQ(audio->name, "Audio CD");
    EXPECT_EQ(audio->serial, 0xC514Bu);
    EXPECT_TRUE(table.HasTrack01Cda("V:\\"));

    EXPECT_FALSE(table.GetVolumeInformation("W:\\"));
    EXPECT_FALSE(table.HasTrack01Cda("W:\\"));

    const auto named = table.GetVolumeInformation("X:\\");
    ASSERT_TRUE(named.has_value());
    EXPECT_EQ(named->name, "MY_DISC");
    EXPECT_EQ(named->serial, 0x1B2C3D4Eu);
    EXPECT_TRUE(table.HasTrack01Cda("X:\\"));

    EXPECT_FALSE(table.GetVolumeInformation("Y:\\"));  // the file is missing
    EXPECT_FALSE(table.GetVolumeInformation("Q:\\"));  // no such drive
}

TEST_F(DriveTableTest, OpensTheDeviceBehindAnElementName) {
    WriteDisc("two.disc", "track 00:02:00\ntrack 03:10:05\nleadout 05:02:00\n");
    WriteIni("[Drives]\nV=two.disc\n");
    TDriveTable table(system_.Path().string(), {}, clock_);
    std::string error;

    std::unique_ptr<CdAudioDevice> device = table.DeviceFor("", error);
    ASSERT_NE(device, nullptr) << error;
    ASSERT_EQ(device->Open(), std::nullopt);
    const std::optional<CdToc> toc = device->ReadToc();
    ASSERT_TRUE(toc.has_value());
    EXPECT_EQ(toc->TrackCount(), 2);

    // The drive is held: a second device for the same letter cannot open it.
    std::unique_ptr<CdAudioDevice> second = table.DeviceFor("v:", error);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->Open().has_value());
    second.reset();

    // An open tray hides the volume until it closes again.
    const auto before = table.GetVolumeInformation("V:\\");
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(before->serial, 0x363E9u);
    ASSERT_TRUE(device->OpenDoor());
    EXPECT_FALSE(table.GetVolumeInformation("V:\\"));
    EXPECT_FALSE(table.HasTrack01Cda("V:\\"));
    ASSERT_TRUE(device->CloseDoor());
    EXPECT_TRUE(table.GetVolumeInformation("V:\\"));
    device.reset();

    EXPECT_EQ(table.DeviceFor("Q:", error), nullptr);
    EXPECT_FALSE(error.empty());
}

// A real drive entry read through libcdio (an image stands in for the drive).
TEST_F(DriveTableTest, RealDriveVolumeAndDeviceGoThroughLibcdio) {
    const std::string cue = test::WriteCueBinImage(system_.Path(), "disc",
                                                   {{false, 1000}, {false, 2000}, {false, 3000}});
    TDriveTable table(system_.Path().string(), {cue}, clock_);
    EXPECT_EQ(table.DefaultDrive(), "D:");
    const auto volume = table.GetVolumeInformation("D:\\");
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->name, "Audio CD");
    EXPECT_EQ(volume->serial, 512u + 3865u + 10752u);
    EXPECT_TRUE(table.HasTrack01Cda("D:"));

    std::string error;
    std::unique_ptr<CdAudioDevice> device = table.DeviceFor("D:", error);
    ASSERT_NE(dynamic_cast<LibcdioCdDevice*>(device.get()), nullptr);
    ASSERT_EQ(device->Open(), std::nullopt);
    EXPECT_EQ(device->ReadToc()->leadOut, 6150u);
    // The volume is still readable while a player holds the drive.
    EXPECT_TRUE(table.GetVolumeInformation("D:\\"));
}

// A CUE sheet in drives.ini is a disc image: read as a real disc is, played digitally;
// analog play is for real drives only.
TEST_F(DriveTableTest, CueSheetIsAnImagePlayedDigitally) {
    test::WriteCueBinImage(system_.Path(), "disc", {{false, 1000}, {false, 2000}, {false, 3000}});
    WriteIni("[Drives]\nI=disc.cue\n[Play]\nI=analog\nD=analog\n");
    TDriveTable table(system_.Path().string(), {"/dev/sr0"}, clock_);
    const std::vector<DriveEntry> expected = {
        {'D', DriveEntry::Kind::Real, "/dev/sr0", true},
        {'I', DriveEntry::Kind::Image, system_.File("disc.cue"), false}};
    EXPECT_EQ(table.Drives(), expected);
    ASSERT_EQ(table.Warnings().size(), 1u);  // I: cannot play analog
    EXPECT_NE(table.Warnings()[0].find("I:"), std::string::npos);

    const auto volume = table.GetVolumeInformation("I:\\");
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->name, "Audio CD");
    EXPECT_EQ(volume->serial, 512u + 3865u + 10752u);  // the audio serial, as on a real disc
    EXPECT_TRUE(table.HasTrack01Cda("I:"));

    std::string error;
    std::unique_ptr<CdAudioDevice> device = table.DeviceFor("I:", error);
    ASSERT_NE(device, nullptr) << error;
    ASSERT_EQ(device->Open(), std::nullopt);
    EXPECT_EQ(device->ReadToc()->leadOut, 6150u);
    EXPECT_FALSE(device->Capabilities().canEject);
    EXPECT_EQ(device->Mode(), CdMode::Stopped);
}

// On this machine as it is: a machine without a drive reports none and fails nothing.
TEST(DriveTableSmoke, MachineDrivesOrNone) {
    TempDir system;
    FixedClock clock;
    TDriveTable table(system.Path().string(), clock);
    EXPECT_TRUE(table.Warnings().empty());
    const std::vector<std::string> devices = FindOpticalDrives();
    ASSERT_EQ(table.Drives().size(), std::min<std::size_t>(devices.size(), 23));
    std::string error;
    if (devices.empty()) {
        EXPECT_EQ(table.DefaultDrive(), "");
        EXPECT_EQ(table.GetDriveType("D:\\"), DRIVE_NO_ROOT_DIR);
        EXPECT_FALSE(table.GetVolumeInformation("D:\\"));
        EXPECT_EQ(table.DeviceFor("", error), nullptr);
        EXPECT_FALSE(error.empty());
    } else {
        EXPECT_EQ(table.DefaultDrive(), "D:");
        EXPECT_EQ(table.GetDriveType("D:\\"), DRIVE_CDROM);
        EXPECT_NE(table.DeviceFor("", error), nullptr);
    }
}

}  // namespace
}  // namespace lintel
