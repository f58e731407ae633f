// The system's audio mixer as the program sees it: numbered devices, each with
// destinations (where sound goes: playback, recording), each destination with source
// lines, and every line with its controls (volume, mute, a mixer list of the sources
// that feed a destination). Values are signed 32-bit numbers, one per channel and item;
// volumes run 0..65535 whatever the hardware's own range.
#pragma once

#include <poll.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lintel {

/// Control types. A mixer list is recognised by all of kMixerControlMixer's bits.
inline constexpr std::uint32_t kMixerControlVolume = 0x50030001;
inline constexpr std::uint32_t kMixerControlMute = 0x20010002;
inline constexpr std::uint32_t kMixerControlMixer = 0x71010001;

/// Control flags.
inline constexpr std::uint32_t kMixerControlUniform = 1;   ///< one value for all channels
inline constexpr std::uint32_t kMixerControlMultiple = 2;  ///< one value per item
inline constexpr std::uint32_t kMixerControlDisabled = 0x80000000;

/// A destination or a source line.
struct MixerLine {
    std::uint32_t destination = 0;  ///< the destination's number
    std::uint32_t source = 0;       ///< the source's number; 0 for a destination
    std::uint32_t lineId = 0;       ///< unique within the device
    std::uint32_t channels = 0;
    std::uint32_t connections = 0;  ///< source lines of a destination; 0 for a source
    std::uint32_t controls = 0;
    std::string name;  ///< code page 932

    bool operator==(const MixerLine&) const = default;
};

struct MixerControl {
    std::uint32_t id = 0;  ///< unique within the device
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    std::uint32_t items = 0;  ///< entries of a control with the multiple flag

    bool operator==(const MixerControl&) const = default;
};

/// The receivers of a device's change notifications: the device's handle, and the
/// identifier of the line or control that changed.
struct MixerNotify {
    std::function<void(std::intptr_t handle, std::uint32_t id)> lineChange;
    std::function<void(std::intptr_t handle, std::uint32_t id)> controlChange;
};

/// An open mixer device. Notifications are delivered only from HandleEvents, which an
/// event loop calls when one of the poll descriptors is ready, so receivers run on the
/// loop's thread and never inside another call of the device.
class MixerDevice {
public:
    virtual ~MixerDevice() = default;

    /// What the device calls itself in its notifications.
    [[nodiscard]] virtual std::intptr_t Handle() const = 0;
    /// The device's capabilities: its number of destinations.
    [[nodiscard]] virtual std::uint32_t Destinations() const = 0;
    /// Destination d; nothing when the query fails.
    [[nodiscard]] virtual std::optional<MixerLine> DestinationLine(std::uint32_t d) = 0;
    /// Source s of destination d; nothing when the query fails.
    [[nodiscard]] virtual std::optional<MixerLine> SourceLine(std::uint32_t d, std::uint32_t s) = 0;
    /// All `count` controls of a line (`count` as its line record gives); nothing when the
    /// query fails or the line has another number of controls.
    [[nodiscard]] virtual std::optional<std::vector<MixerControl>> LineControls(
        std::uint32_t lineId, std::uint32_t count) = 0;
    /// Reads a control's values into `values`, which holds channels x max(items, 1) of
    /// them, channel by channel: `channels` is 1 (every channel at once) or the line's
    /// channel count; `items` is the control's item count for a multiple control, else 0.
    /// False, with `values` unspecified, when the read fails.
    [[nodiscard]] virtual bool GetDetails(std::uint32_t controlId, std::uint32_t channels,
                                          std::uint32_t items, std::span<std::int32_t> values) = 0;
    /// Writes a control's values, laid out as GetDetails reads them. A volume outside
    /// 0..65535 is taken as the nearest end. False when the write fails.
    [[nodiscard]] virtual bool SetDetails(std::uint32_t controlId, std::uint32_t channels,
                                          std::uint32_t items,
                                          std::span<const std::int32_t> values) = 0;

    /// What an event loop watches for the device's notifications.
    [[nodiscard]] virtual std::vector<pollfd> PollDescriptors() = 0;
    /// Takes the device's pending events and delivers their notifications. False once the
    /// device is lost (its sound server ended, say): from then on it has no descriptors,
    /// delivers nothing and fails every query, so the loop stops watching it.
    virtual bool HandleEvents() = 0;
};

/// The system's mixer service.
class MixerSystem {
public:
    virtual ~MixerSystem() = default;

    /// The number of mixer devices; 0 when there is no mixer.
    [[nodiscard]] virtual int DeviceCount() = 0;
    /// Opens device `index`, which later sends its notifications to `notify`; null when it
    /// cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<MixerDevice> Open(int index, MixerNotify notify) = 0;
};

}  // namespace lintel
