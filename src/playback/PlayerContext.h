// What every unit of the player works with: the bar window, the CD device and the
// settings store. TBarEngine owns it; the units keep a reference.
#pragma once

#include <memory>
#include <string_view>

#include "platform/CdAudioDevice.h"
#include "playback/BarView.h"
#include "playback/MediaPlayer.h"
#include "titles/IniStore.h"

namespace lintel {

/// The disc identity while no audio disc is known.
inline constexpr std::string_view kNoDiscId = "0";

struct TPlayerContext {
    /// `view` and `devices` must outlive the context.
    TPlayerContext(TBarView& view, CdDeviceFactory& devices) : view(view), cdcore(devices) {}

    TBarView& view;
    TMediaPlayer cdcore;  ///< CDcore
    /// The settings store, from FormCreate until FormDestroy releases it.
    std::unique_ptr<TIniStore> settings;

    /// Whether commands may reach the device: the store exists and the device is open.
    [[nodiscard]] bool Ready() const { return settings != nullptr && cdcore.IsOpen(); }
};

}  // namespace lintel
