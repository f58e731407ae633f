// A bar window that records what the engine asks of it, for tests without widgets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "playback/BarView.h"

namespace lintel::test {

class RecordingView : public TBarView {
public:
    std::string discLabel, trackLabel, gaugeText;
    int gaugeMax = -1, gaugeProgress = -1, markedTrack = 0, timerInterval = -1;
    int discLabelSets = 0, layouts = 0, closes = 0, edgeReapplies = 0;
    bool transport = true, pauseAndEdit = true, doorClosed = false, panelVisible = true;
    bool timerEnabled = false;
    TStringList menu;
    std::vector<std::string> messages;
    TBarEdge edge = TBarEdge::Bottom;
    int panelHides = 0;
    bool repeatState = false, programSetEnabled = true, gaugeVisible = true;
    std::vector<bool> timerSwitches;  ///< every SetTimerEnabled, in order
    // The program-play dialog: its answers, and what the engine did around it.
    std::vector<bool> selection;
    bool dialogOk = false, dialogRepeat = false;
    int playMode = 0, dialogShows = 0;
    bool timerOnDuringDialog = false;
    std::function<void()> whileDialogOpen;    ///< edits made while the dialog is shown
    std::function<void()> whileMessageShown;  ///< ticks that arrive while a message is up
    /// The title editor: what it is handed, and what it answers (nothing: Cancel).
    std::function<std::optional<TStringList>(const TStringList& lines, int tracks)> titleEditor;
    /// The titles found by look-ups that the editor was filled with.
    std::vector<CdText> foundTitles;

    void SetDiscLabel(const std::string& text) override {
        discLabel = text;
        ++discLabelSets;
    }
    void SetTrackLabel(const std::string& text) override { trackLabel = text; }
    void LayoutBar() override { ++layouts; }
    void SetGaugeMax(int value) override { gaugeMax = value; }
    void SetGaugeProgress(int value) override { gaugeProgress = value; }
    void SetGaugeText(const std::string& text) override { gaugeText = text; }
    void ShowOperationPanel() override { panelVisible = true; }
    void HideOperationPanel() override {
        panelVisible = false;
        ++panelHides;
    }
    void EnableTransport(TTransportGroup t, TPauseAndEdit p) override {
        transport = t == TTransportGroup::Enabled;
        pauseAndEdit = p == TPauseAndEdit::Enabled;
        programSetEnabled = transport;
    }
    void SetDoorState(bool closed) override { doorClosed = closed; }
    void BuildTrackMenus(const TStringList& captions) override { menu = captions; }
    void ClearTrackMenus() override { menu.clear(); }
    /// The one-based play-list position marked last.
    void MarkCurrentTrack(int position) override { markedTrack = position; }
    void ResetPlayModeChoice() override {}
    void ApplyStoredSettings(TIniStore&) override {}
    void SaveLayout(TIniStore&) override {}
    void SetEdge(TBarEdge e) override { edge = e; }
    TBarEdge Edge() const override { return edge; }
    void ReapplyEdge() override { ++edgeReapplies; }
    void SetTimerInterval(int ms) override { timerInterval = ms; }
    void SetTimerEnabled(bool enabled) override {
        timerEnabled = enabled;
        timerSwitches.push_back(enabled);
    }
    void SetRepeatState(bool on) override { repeatState = on; }
    void EnableProgramSet(bool enabled) override { programSetEnabled = enabled; }
    bool GaugeVisible() const override { return gaugeVisible; }
    std::vector<bool> ProgramTrackSelection() const override { return selection; }
    bool ShowProgramDialog() override {
        ++dialogShows;
        timerOnDuringDialog = timerEnabled;
        if (whileDialogOpen) {
            whileDialogOpen();
        }
        return dialogOk;
    }
    std::optional<TStringList> ShowTitleEditor(const TStringList& lines, int tracks) override {
        return titleEditor ? titleEditor(lines, tracks) : std::nullopt;
    }
    std::optional<TStringList> ShowFoundTitles(const TStringList& lines, int tracks,
                                               const CdText& found) override {
        foundTitles.push_back(found);
        return titleEditor ? titleEditor(lines, tracks) : std::nullopt;
    }
    int PlayModeChoice() const override { return playMode; }
    bool ProgramRepeatChecked() const override { return dialogRepeat; }
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (whileMessageShown) {
            whileMessageShown();
        }
    }
    void CloseBar() override { ++closes; }
};

}  // namespace lintel::test
