// The engine driven by random steps on the virtual drive: commands, ticks, the drive's own
// button, disc swaps, the program-play dialog, the title editor and restarts. After every
// step the bar must be in a state a user could meet. `make test` runs 20,000 steps
// of a fixed seed; `make soak SEED=n` runs 100,000 with the seed given, through
// LINTEL_SOAK_SEED and LINTEL_SOAK_STEPS.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "PlayerFixture.h"

namespace lintel {
namespace {

using test::Sample;
using test::TenSecondTracks;

unsigned long EnvNumber(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::stoul(text) : fallback;
}

class SoakTest : public test::PlayerFixture {
protected:
    struct Disc {
        std::string description;
        bool audio;  ///< what the player takes for an audio disc
    };

    void SetUp() override {
        PlayerFixture::SetUp();
        discs_ = {{TenSecondTracks(3), true},
                  {Sample("twelve-tracks.disc"), true},
                  {TenSecondTracks(23), true},  // the menus in groups of ten
                  {Sample("short.disc"), true},
                  {Sample("mixed.disc"), true},
                  {Sample("single-with-cda.disc"), true},
                  {Sample("single-without-cda.disc"), false},
                  {Sample("data.disc"), false},
                  {"", false}};  // unreadable: an empty drive
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Coin(int oneIn = 2) { return Pick(oneIn) == 0; }

    void Launch() {
        const char* configs[] = {"", "Resumption=1\r\n", "AutoPlay=1\r\n",
                                 "CDROMClose=1\r\nAutoPlay=1\r\n"};
        Start(discs_[disc_].description, configs[Pick(4)]);
        engine_->SetRandomDraw([this](int n) { return Pick(n); });
    }

    bool TrayOpen() { return Mode() == static_cast<int>(CdMode::Open); }

    void TickNow(std::chrono::milliseconds gap = kTick) {
        clock_.Step(gap);
        engine_->Timer1Timer();
        tickedSinceOpen_ = true;
    }

    // The drive's own button. A tray is never shut again before a tick has passed: no
    // hand is faster than the poll.
    void PressDriveButton() {
        if (!TrayOpen()) {
            engine_->CDcore().OpenDoor();
            tickedSinceOpen_ = false;
            return;
        }
        if (!tickedSinceOpen_) {
            TickNow();
        }
        if (Coin()) {
            disc_ = static_cast<std::size_t>(Pick(static_cast<int>(discs_.size())));
            PutDisc(discs_[disc_].description);
        }
        engine_->CDcore().CloseDoor();
    }

    void ProgramDialog() {
        const int tracks = static_cast<int>(engine_->CDcore().QueryTrackCount());
        view_.dialogOk = !Coin(4);
        view_.playMode = Pick(3);
        view_.dialogRepeat = Coin();
        view_.selection.assign(static_cast<std::size_t>(tracks), false);
        for (std::size_t i = 0; i < view_.selection.size(); ++i) {
            view_.selection[i] = Coin(3);
        }
        view_.whileDialogOpen = [this, tracks] {
            TStringList order;
            for (int n = Pick(tracks + 3); n > 0; --n) {
                order.push_back(std::to_string(Pick(std::max(tracks, 1))));
            }
            engine_->EditPlayOrder() = order;
        };
        engine_->sbtPrgSetClick();
    }

    // The editor answers OK with a new title, or Cancel; the tray may open meanwhile.
    void TitleEditor() {
        const bool openTray = Coin(4);
        view_.titleEditor = [this, openTray](const TStringList& lines,
                                             int) -> std::optional<TStringList> {
            if (openTray) {
                engine_->CDcore().OpenDoor();
                tickedSinceOpen_ = false;
                TickNow();
            }
            if (Coin(3)) {
                return std::nullopt;
            }
            TStringList edited = lines;
            edited.push_back("title=Soak " + std::to_string(Pick(1000)));
            return edited;
        };
        view_.whileMessageShown = [this] { TickNow(); };
        engine_->sbtCDEditClick();
    }

    /// One random step; returns its name for the trail. Commands come only while the
    /// window offers them, as its buttons and menu items are enabled; ticks are the most.
    std::string Step() {
        struct Action {
            bool offered;
            const char* name;
            std::function<void()> run;
        };
        TBarEngine& e = *engine_;
        const bool transport = view_.transport;
        const bool closed = view_.doorClosed;
        const int menuTag = 1 + Pick(std::max<int>(static_cast<int>(view_.menu.size()), 1));
        const Action actions[] = {
            {transport, "play", [&] { e.sbtPlayClick(); }},
            {view_.pauseAndEdit, "pause", [&] { e.sbtPauseClick(); }},
            {transport, "stop", [&] { e.sbtStopClick(); }},
            {transport, "next", [&] { e.sbtNextClick(); }},
            {transport, "prev", [&] { e.sbtPrevClick(); }},
            {transport, "repeat", [&] { e.sbtRepeatClick(); }},
            {closed, "eject",
             [&] {
                 e.sbtEjectClick();
                 tickedSinceOpen_ = false;
             }},
            {!closed, "close", [&] { e.sbtCloseClick(); }},
            {true, "drive button", [&] { PressDriveButton(); }},
            {view_.programSetEnabled, "program dialog", [&] { ProgramDialog(); }},
            {view_.pauseAndEdit, "title editor", [&] { TitleEditor(); }},
            {!view_.menu.empty(), "menu item", [&] { e.TrackMenuItemClick(menuTag); }},
            {true, "long gap", [&] { TickNow(std::chrono::milliseconds(Pick(60000))); }},
            {Coin(50), "restart", [&] {
                 Restart();
                 engine_->SetRandomDraw([this](int n) { return Pick(n); });
             }}};
        const std::size_t pick = static_cast<std::size_t>(Pick(24));
        if (pick < std::size(actions) && actions[pick].offered) {
            actions[pick].run();
            return actions[pick].name;
        }
        TickNow();
        return "tick";
    }

    /// The invariants of every step; a message for the first that fails.
    std::string Broken(const std::string& step) {
        std::ostringstream why;
        if (view_.gaugeMax >= 0 &&
            (view_.gaugeProgress < 0 || view_.gaugeProgress > view_.gaugeMax)) {
            why << "gauge progress " << view_.gaugeProgress << " outside 0.." << view_.gaugeMax;
        }
        // Until a tick has seen the tray open, the disc is still the one the engine read.
        const bool unseen = TrayOpen() && !tickedSinceOpen_;
        const std::size_t tracks = TrayOpen() ? 0 : engine_->CDcore().QueryTrackCount();
        const std::size_t list = engine_->ProgramMode() ? engine_->PlayOrder().size() : tracks;
        if (!unseen && !view_.menu.empty() && view_.menu.size() != list) {
            why << view_.menu.size() << " track items for a play list of " << list;
        }
        const bool loaded = engine_->DiscId() != kNoDiscId;
        if (loaded && !unseen && !discs_[disc_].audio) {
            why << "DiscId " << engine_->DiscId() << " without an audio disc";
        }
        if (step == "tick" && !TrayOpen() && !engine_->Paused() && !loaded && discs_[disc_].audio) {
            why << "DiscId 0 with an audio disc in the closed drive";
        }
        // Pause and the title editor are offered exactly while a disc is loaded; the other
        // commands too, unless it is paused.
        if (loaded != view_.pauseAndEdit || (view_.transport && !loaded)) {
            why << "DiscId " << engine_->DiscId() << " but commands " << view_.transport
                << view_.pauseAndEdit;
        }
        const int index = engine_->ProgramIndex();
        if (index < -1 ||
            (engine_->ProgramMode() && index >= static_cast<int>(engine_->PlayOrder().size()))) {
            why << "program index " << index << " outside the order of "
                << engine_->PlayOrder().size();
        }
        return why.str();
    }

    void Soak(unsigned long seed, unsigned long steps) {
        rng_.seed(seed);
        Launch();
        std::deque<std::string> trail;
        for (unsigned long n = 1; n <= steps; ++n) {
            std::string step;
            std::string broken;
            try {
                step = Step();
                broken = Broken(step);
            } catch (const std::exception& e) {
                broken = std::string("exception: ") + e.what();
            } catch (...) {
                broken = "unknown exception";
            }
            trail.push_back(step);
            if (trail.size() > 25) {
                trail.pop_front();
            }
            if (!broken.empty()) {
                std::string last;
                for (const std::string& s : trail) {
                    last += "\n  " + s;
                }
                FAIL() << "seed " << seed << ", step " << n << ": " << broken << "\ndisc " << disc_
                       << ", mode " << Mode() << ", paused " << engine_->Paused() << ", program "
                       << engine_->ProgramMode() << "\nlast steps:" << last;
            }
        }
    }

    std::vector<Disc> discs_;
    std::size_t disc_ = 0;
    std::mt19937 rng_;
    bool tickedSinceOpen_ = true;
};

TEST_F(SoakTest, RandomStepsKeepTheInvariants) {
    Soak(EnvNumber("LINTEL_SOAK_SEED", 15), EnvNumber("LINTEL_SOAK_STEPS", 20000));
}

}  // namespace
}  // namespace lintel
