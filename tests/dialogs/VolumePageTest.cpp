#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QSlider>
#include <QSocketNotifier>
#include <QTest>
#include <regex>

#include "dialogs/VolumePage.h"
#include "platform/AlsaMixer.h"
#include "platform/MemoryMixer.h"
#include "support/BoxAnswerer.h"
#include "support/Require.h"
#include "support/SoundServer.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

using Control = MemoryMixer::Control;
using Line = MemoryMixer::Line;
using Writes = std::vector<MemoryMixer::Write>;

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i) {
        items << box.itemText(i);
    }
    return items;
}

/// "Speakers" (stereo volume 1000/3000, mute off) with "Wave" (volume, mute) and "CD"
/// (only a mute), and "Recording" with "Mic" (only a volume).
std::vector<MemoryMixer::Device> Layout() {
    const auto volume = [](std::uint32_t id, std::vector<std::int32_t> values) {
        return Control{{id, kMixerControlVolume, 0, 0}, std::move(values)};
    };
    const auto mute = [](std::uint32_t id, std::int32_t value) {
        return Control{{id, kMixerControlMute, kMixerControlUniform, 0}, {value}};
    };
    MemoryMixer::Device device;
    device.destinations.push_back(
        {Line{"Speakers", 2, {volume(1, {1000, 3000}), mute(2, 0)}},
         {Line{"Wave", 2, {volume(10, {500, 500}), mute(11, 1)}}, Line{"CD", 2, {mute(20, 0)}}}});
    device.destinations.push_back(
        {Line{"Recording", 2, {}}, {Line{"Mic", 2, {volume(30, {100, 100})}}}});
    std::vector<MemoryMixer::Device> devices;
    devices.push_back(std::move(device));
    return devices;
}

/// The page in a shown window, set up as the dialog's creation does.
struct ShownPage {
    explicit ShownPage(MixerSystem& mixers) : page(new TVolumePage(mixers, &window)) {
        window.resize(394, 313);
        page->SetUp();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QApplication& app = test::App();
    QWidget window;
    TVolumePage* page;
};

// The page's controls, and what a user's choices, slider moves and clicks write.
TEST(VolumePageTest, ShowsTheChosenLineAndWritesWhatTheUserChanges) {
    MemoryMixer memory;
    memory.devices = Layout();
    ShownPage shown(memory);
    TVolumePage& page = *shown.page;
    EXPECT_EQ(ToCp932(page.windowTitle()).bytes, cp932::Literal("ボリューム"));
    EXPECT_EQ(page.cmbVolDest->geometry(), QRect(48, 24, 145, 20));
    EXPECT_EQ(page.cmbVolCnct->geometry(), QRect(48, 56, 145, 20));
    EXPECT_EQ(page.trbVolMeter->geometry(), QRect(40, 96, 265, 45));
    EXPECT_EQ(page.chbVolMute->geometry(), QRect(56, 144, 97, 17));
    EXPECT_EQ(page.chbVolMute->text(), "Mute");
    EXPECT_EQ(page.trbVolMeter->maximum(), 65535);
    EXPECT_EQ(page.trbVolMeter->tickPosition(), QSlider::NoTicks);
    EXPECT_FALSE(page.cmbVolDest->isEditable());
    EXPECT_FALSE(page.cmbVolCnct->isEditable());

    // Set-up shows the first destination's own line (left channel) and writes nothing.
    EXPECT_EQ(Items(*page.cmbVolDest), QStringList({"Speakers", "Recording"}));
    EXPECT_EQ(Items(*page.cmbVolCnct), QStringList({"Speakers", "Wave", "CD"}));
    EXPECT_EQ(page.trbVolMeter->value(), 1000);
    EXPECT_TRUE(page.chbVolMute->isEnabled());
    EXPECT_FALSE(page.chbVolMute->isChecked());
    EXPECT_TRUE(memory.writes.empty());

    // The slider moved by the user sets both channels, with the mute as shown.
    QTest::keyClick(page.trbVolMeter, Qt::Key_End);
    EXPECT_EQ(memory.writes, (Writes{{1, {65535, 65535}}, {2, {0}}}));

    // "CD" has only a mute: the slider goes inert and a click writes only the mute.
    memory.writes.clear();
    QTest::keyClick(page.cmbVolCnct, Qt::Key_Down);
    QTest::keyClick(page.cmbVolCnct, Qt::Key_Down);
    EXPECT_EQ(page.cmbVolCnct->currentText(), "CD");
    EXPECT_FALSE(page.trbVolMeter->isEnabled());
    EXPECT_TRUE(page.chbVolMute->isEnabled());
    QTest::mouseClick(page.chbVolMute, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(page.chbVolMute->isChecked());
    EXPECT_EQ(memory.writes, (Writes{{20, {1}}}));

    // Another destination lists its own connections; "Mic" has no mute to show or write.
    memory.writes.clear();
    QTest::keyClick(page.cmbVolDest, Qt::Key_Down);
    EXPECT_EQ(Items(*page.cmbVolCnct), QStringList({"Recording", "Mic"}));
    EXPECT_FALSE(page.trbVolMeter->isEnabled());
    EXPECT_FALSE(page.chbVolMute->isEnabled());
    QTest::keyClick(page.cmbVolCnct, Qt::Key_Down);
    EXPECT_EQ(page.trbVolMeter->value(), 100);
    EXPECT_FALSE(page.chbVolMute->isEnabled());
    QTest::keyClick(page.trbVolMeter, Qt::Key_Home);
    EXPECT_EQ(memory.writes, (Writes{{30, {0, 0}}}));
}

// A change made elsewhere moves the slider through the event loop and is not written back.
TEST(VolumePageTest, FollowsChangesMadeElsewhere) {
    MemoryMixer memory;
    memory.devices = Layout();
    ShownPage shown(memory);
    TVolumePage& page = *shown.page;
    memory.ChangeFromOutside(0, 1, {30000, 20000});
    memory.ChangeFromOutside(0, 2, {1});
    EXPECT_TRUE(test::PumpUntil([&] { return page.trbVolMeter->value() == 30000; }));
    EXPECT_TRUE(test::PumpUntil([&] { return page.chbVolMute->isChecked(); }));
    EXPECT_TRUE(memory.writes.empty());
}

// Without a mixer the page says so in an error box and stays empty; a device that cannot
// be opened leaves it empty and inert without a word.
TEST(VolumePageTest, NoMixer) {
    test::BoxAnswerer answerer;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    answerer.onBox = [&](QMessageBox& box) {
        icon = box.icon();
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        box.accept();
        return true;
    };
    MemoryMixer none;
    {
        ShownPage shown(none);
        EXPECT_EQ(answerer.texts, std::vector<QString>{"No mixer present in the system !"});
        EXPECT_EQ(icon, QMessageBox::Critical);
        EXPECT_EQ(shown.page->cmbVolDest->count(), 0);
        EXPECT_EQ(shown.page->cmbVolCnct->count(), 0);
    }

    MemoryMixer unopenable;
    unopenable.devices = Layout();
    unopenable.devices[0].failOpen = true;
    ShownPage shown(unopenable);
    EXPECT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(shown.page->cmbVolDest->count(), 0);
    EXPECT_FALSE(shown.page->trbVolMeter->isEnabled());
    EXPECT_FALSE(shown.page->chbVolMute->isEnabled());
}

long SinkVolume() {
    const std::string out = test::SoundServer::Pactl("get-sink-volume nul");
    std::smatch match;
    return std::regex_search(out, match, std::regex(R"(front-left:\s*(\d+))")) ? std::stol(match[1])
                                                                               : -1;
}

// On a real sound server the page moves the system volume and follows changes made with
// another program.
TEST(VolumePageTest, MovesAndFollowsTheSoundServersVolume) {
    test::SoundServer server;
    LINTEL_REQUIRE(server.Running(), "pulseaudio");
    const auto system = MakeAlsaMixerSystem();
    ShownPage shown(*system);
    TVolumePage& page = *shown.page;
    EXPECT_EQ(Items(*page.cmbVolDest), QStringList({"Playback", "Capture"}));
    EXPECT_EQ(Items(*page.cmbVolCnct), QStringList({"Playback", "Master"}));
    EXPECT_EQ(page.trbVolMeter->value(), 65535);

    QTest::keyClick(page.trbVolMeter, Qt::Key_Home);
    EXPECT_EQ(SinkVolume(), 0);
    QTest::mouseClick(page.chbVolMute, Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_NE(test::SoundServer::Pactl("get-sink-mute nul").find("Mute: yes"), std::string::npos);

    static_cast<void>(test::SoundServer::Pactl("set-sink-volume nul 30%"));
    EXPECT_TRUE(test::PumpUntil([&] { return page.trbVolMeter->value() == 19660; }));
    EXPECT_EQ(SinkVolume(), 19660);
    EXPECT_TRUE(page.chbVolMute->isChecked());

    // The server ends: the line shows as absent and its descriptor, which stays ready, is
    // no longer watched.
    server.Stop();
    EXPECT_TRUE(test::PumpUntil([&] { return !page.trbVolMeter->isEnabled(); }));
    EXPECT_FALSE(page.chbVolMute->isEnabled());
    for (const QSocketNotifier* notifier : page.findChildren<QSocketNotifier*>()) {
        EXPECT_FALSE(notifier->isEnabled());
    }
}

}  // namespace
}  // namespace lintel
