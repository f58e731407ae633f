#include "platform/AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lintel {

namespace {

/// The simple mixer's calls for one direction, so playback and capture share the code.
struct Direction {
    const char* name;      ///< the destination's name
    const char* mainName;  ///< the element whose controls the destination has
    int (*hasVolume)(snd_mixer_elem_t*);
    int (*hasSwitch)(snd_mixer_elem_t*);
    int (*isMono)(snd_mixer_elem_t*);
    int (*hasChannel)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t);
    int (*volumeJoined)(snd_mixer_elem_t*);
    int (*switchJoined)(snd_mixer_elem_t*);
    int (*range)(snd_mixer_elem_t*, long*, long*);
    int (*getVolume)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long*);
    int (*setVolume)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long);
    int (*setVolumeAll)(snd_mixer_elem_t*, long);
    int (*getSwitch)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, int*);
    int (*setSwitch)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, int);
    int (*setSwitchAll)(snd_mixer_elem_t*, int);
};

const Direction kPlayback{"Playback",
                          "Master",
                          snd_mixer_selem_has_playback_volume,
                          snd_mixer_selem_has_playback_switch,
                          snd_mixer_selem_is_playback_mono,
                          snd_mixer_selem_has_playback_channel,
                          snd_mixer_selem_has_playback_volume_joined,
                          snd_mixer_selem_has_playback_switch_joined,
                          snd_mixer_selem_get_playback_volume_range,
                          snd_mixer_selem_get_playback_volume,
                          snd_mixer_selem_set_playback_volume,
                          snd_mixer_selem_set_playback_volume_all,
                          snd_mixer_selem_get_playback_switch,
                          snd_mixer_selem_set_playback_switch,
                          snd_mixer_selem_set_playback_switch_all};

const Direction kCapture{"Capture",
                         "Capture",
                         snd_mixer_selem_has_capture_volume,
                         snd_mixer_selem_has_capture_switch,
                         snd_mixer_selem_is_capture_mono,
                         snd_mixer_selem_has_capture_channel,
                         snd_mixer_selem_has_capture_volume_joined,
                         snd_mixer_selem_has_capture_switch_joined,
                         snd_mixer_selem_get_capture_volume_range,
                         snd_mixer_selem_get_capture_volume,
                         snd_mixer_selem_set_capture_volume,
                         snd_mixer_selem_set_capture_volume_all,
                         snd_mixer_selem_get_capture_switch,
                         snd_mixer_selem_set_capture_switch,
                         snd_mixer_selem_set_capture_switch_all};

constexpr std::uint32_t kVolumeKind = 1;
constexpr std::uint32_t kSwitchKind = 2;
constexpr long kScale = 65535;

/// Opens "default" with the configuration as it is now: the global configuration ALSA
/// keeps would still hold whether a sound server ran when the process first looked.
snd_mixer_t* OpenDefault() {
    snd_config_t* config = nullptr;
    snd_config_update_t* update = nullptr;
    if (snd_config_update_r(&config, &update, nullptr) < 0) {
        return nullptr;
    }
    snd_ctl_t* ctl = nullptr;
    const int opened = snd_ctl_open_lconf(&ctl, "default", 0, config);
    snd_config_delete(config);
    snd_config_update_free(update);
    if (opened < 0) {
        return nullptr;
    }
    snd_hctl_t* hctl = nullptr;
    if (snd_hctl_open_ctl(&hctl, ctl) < 0) {
        snd_ctl_close(ctl);
        return nullptr;
    }
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) {
        snd_hctl_close(hctl);
        return nullptr;
    }
    // From here the mixer owns the hctl, which owns the ctl.
    if (snd_mixer_attach_hctl(mixer, hctl) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    if (snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    return mixer;
}

bool Usable(snd_mixer_elem_t* elem, const Direction& dir) {
    return dir.hasVolume(elem) != 0 || dir.hasSwitch(elem) != 0;
}

std::int32_t ToScale(long raw, long min, long max) {
    if (max <= min) {
        return 0;
    }
    const double scaled = std::round(double(raw - min) * kScale / double(max - min));
    return static_cast<std::int32_t>(std::clamp(scaled, 0.0, double(kScale)));
}

long FromScale(std::int32_t value, long min, long max) {
    const long v = std::clamp<long>(value, 0, kScale);
    return min + std::lround(double(v) * double(max - min) / kScale);
}

class AlsaMixerDevice : public MixerDevice {
public:
    /// One simple element in one direction.
    struct Source {
        snd_mixer_elem_t* elem = nullptr;  ///< null once ALSA removed it
        std::string name;
        std::vector<snd_mixer_selem_channel_id_t> channels;
        std::vector<MixerControl> controls;
    };
    struct Destination {
        const Direction* dir = nullptr;
        std::vector<Source> sources;
        std::size_t main = 0;  ///< the source whose controls the destination has
    };

    AlsaMixerDevice(snd_mixer_t* mixer, MixerNotify notify)
        : mixer_(mixer), notify_(std::move(notify)) {
        for (const Direction* dir : {&kPlayback, &kCapture}) {
            AddDestination(*dir);
        }
        for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer_); elem != nullptr;
             elem = snd_mixer_elem_next(elem)) {
            snd_mixer_elem_set_callback_private(elem, this);
            snd_mixer_elem_set_callback(elem, &AlsaMixerDevice::OnElement);
        }
        for (std::uint32_t d = 0; d < dests_.size(); ++d) {
            for (std::uint32_t s = 0; s < dests_[d].sources.size(); ++s) {
                for (const MixerControl& c : dests_[d].sources[s].controls) {
                    Read(c.id, ChannelsOf(c.id), values_[c.id]);
                }
            }
        }
    }
    ~AlsaMixerDevice() override {
        // Closing removes every element; their callbacks must not reach this object.
        for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer_); elem != nullptr;
             elem = snd_mixer_elem_next(elem)) {
            snd_mixer_elem_set_callback(elem, nullptr);
        }
        snd_mixer_close(mixer_);
    }
    AlsaMixerDevice(const AlsaMixerDevice&) = delete;
    AlsaMixerDevice& operator=(const AlsaMixerDevice&) = delete;

    [[nodiscard]] bool Empty() const { return dests_.empty(); }

    [[nodiscard]] std::intptr_t Handle() const override {
        return reinterpret_cast<std::intptr_t>(mixer_);
    }
    [[nodiscard]] std::uint32_t Destinations() const override {
        return static_cast<std::uint32_t>(dests_.size());
    }
    [[nodiscard]] std::optional<MixerLine> DestinationLine(std::uint32_t d) override {
        if (d >= dests_.size()) {
            return std::nullopt;
        }
        const Destination& dest = dests_[d];
        const Source& main = dest.sources[dest.main];
        MixerLine line;
        line.destination = d;
        line.lineId = LineId(d, 0);
        line.channels = static_cast<std::uint32_t>(main.channels.size());
        line.connections = static_cast<std::uint32_t>(dest.sources.size());
        line.controls = static_cast<std::uint32_t>(main.controls.size());
        line.name = dest.dir->name;
        return line;
    }
    [[nodiscard]] std::optional<MixerLine> SourceLine(std::uint32_t d, std::uint32_t s) override {
        if (d >= dests_.size() || s >= dests_[d].sources.size() ||
            dests_[d].sources[s].elem == nullptr) {
            return std::nullopt;
        }
        const Source& source = dests_[d].sources[s];
        MixerLine line;
        line.destination = d;
        line.source = s;
        line.lineId = LineId(d, s + 1);
        line.channels = static_cast<std::uint32_t>(source.channels.size());
        line.controls = static_cast<std::uint32_t>(source.controls.size());
        line.name = source.name;
        return line;
    }
    [[nodiscard]] std::optional<std::vector<MixerControl>> LineControls(
        std::uint32_t lineId, std::uint32_t count) override {
        const std::uint32_t d = (lineId >> 16) - 1;
        const std::uint32_t n = lineId & 0xFFFF;
        if (lost_ || d >= dests_.size() || n > dests_[d].sources.size()) {
            return std::nullopt;
        }
        const Source& source = dests_[d].sources[n == 0 ? dests_[d].main : n - 1];
        if (source.elem == nullptr || source.controls.size() != count) {
            return std::nullopt;
        }
        std::vector<MixerControl> controls = source.controls;
        for (MixerControl& c : controls) {
            if (snd_mixer_selem_is_active(source.elem) == 0) {
                c.flags |= kMixerControlDisabled;
            }
        }
        return controls;
    }
    [[nodiscard]] bool GetDetails(std::uint32_t controlId, std::uint32_t channels,
                                  std::uint32_t items, std::span<std::int32_t> values) override {
        std::vector<std::int32_t> read;
        if (items != 0 || values.size() != channels || !Read(controlId, channels, read)) {
            return false;
        }
        std::copy(read.begin(), read.end(), values.begin());
        return true;
    }
    [[nodiscard]] bool SetDetails(std::uint32_t controlId, std::uint32_t channels,
                                  std::uint32_t items,
                                  std::span<const std::int32_t> values) override {
        const bool written = Write(controlId, channels, items, values);
        // What this handle wrote itself is no change to report.
        Read(controlId, ChannelsOf(controlId), values_[controlId]);
        return written;
    }
    [[nodiscard]] std::vector<pollfd> PollDescriptors() override {
        if (lost_) {
            return {};
        }
        const int count = snd_mixer_poll_descriptors_count(mixer_);
        std::vector<pollfd> fds(static_cast<std::size_t>(std::max(count, 0)));
        const int filled = snd_mixer_poll_descriptors(mixer_, fds.data(), fds.size());
        fds.resize(static_cast<std::size_t>(std::max(filled, 0)));
        return fds;
    }
    bool HandleEvents() override {
        if (lost_) {
            return false;
        }
        if (snd_mixer_handle_events(mixer_) < 0) {
            // The connection is gone for good, and its descriptor would stay ready.
            lost_ = true;
            pending_.clear();
            return false;
        }
        // Delivered after ALSA's own handling, so a receiver may read or write the mixer.
        std::vector<std::pair<bool, std::uint32_t>> due;
        due.swap(pending_);
        const std::intptr_t handle = Handle();
        const MixerNotify notify = notify_;
        for (const auto& [line, id] : due) {
            const auto& receiver = line ? notify.lineChange : notify.controlChange;
            if (receiver) {
                receiver(handle, id);
            }
        }
        return true;
    }

private:
    /// Destination d's line (n = 0) or its source n - 1.
    static std::uint32_t LineId(std::uint32_t d, std::uint32_t n) { return ((d + 1) << 16) | n; }
    static std::uint32_t ControlId(std::uint32_t d, std::uint32_t s, std::uint32_t kind) {
        return ((d + 1) << 24) | (s << 8) | kind;
    }

    void AddDestination(const Direction& dir) {
        Destination dest;
        dest.dir = &dir;
        const auto d = static_cast<std::uint32_t>(dests_.size());
        std::optional<std::size_t> named;
        std::optional<std::size_t> withVolume;
        for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer_); elem != nullptr;
             elem = snd_mixer_elem_next(elem)) {
            if (!Usable(elem, dir)) {
                continue;
            }
            const auto s = static_cast<std::uint32_t>(dest.sources.size());
            Source source;
            source.elem = elem;
            source.name = snd_mixer_selem_get_name(elem);
            if (const unsigned index = snd_mixer_selem_get_index(elem); index > 0) {
                source.name += " " + std::to_string(index);
            }
            if (dir.isMono(elem) != 0) {
                source.channels.push_back(SND_MIXER_SCHN_MONO);
            } else {
                for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
                    const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
                    if (dir.hasChannel(elem, channel) != 0) {
                        source.channels.push_back(channel);
                    }
                }
            }
            if (source.channels.empty()) {
                continue;
            }
            const bool mono = source.channels.size() == 1;
            if (dir.hasVolume(elem) != 0) {
                const bool joined = mono || dir.volumeJoined(elem) != 0;
                source.controls.push_back({ControlId(d, s, kVolumeKind), kMixerControlVolume,
                                           joined ? kMixerControlUniform : 0, 0});
                if (!withVolume) {
                    withVolume = s;
                }
                if (!named && source.name == dir.mainName) {
                    named = s;
                }
            }
            if (dir.hasSwitch(elem) != 0) {
                const bool joined = mono || dir.switchJoined(elem) != 0;
                source.controls.push_back({ControlId(d, s, kSwitchKind), kMixerControlMute,
                                           joined ? kMixerControlUniform : 0, 0});
            }
            dest.sources.push_back(std::move(source));
        }
        if (dest.sources.empty()) {
            return;
        }
        dest.main = named.value_or(withVolume.value_or(0));
        dests_.push_back(std::move(dest));
    }

    [[nodiscard]] const Direction* DirOf(std::uint32_t controlId) const {
        const std::uint32_t d = (controlId >> 24) - 1;
        return d < dests_.size() ? dests_[d].dir : nullptr;
    }
    /// The source a control belongs to; null when there is none or ALSA removed it.
    [[nodiscard]] const Source* SourceOf(std::uint32_t controlId) const {
        const std::uint32_t d = (controlId >> 24) - 1;
        const std::uint32_t s = (controlId >> 8) & 0xFFFF;
        const std::uint32_t kind = controlId & 0xFF;
        if (lost_ || d >= dests_.size() || s >= dests_[d].sources.size() ||
            (kind != kVolumeKind && kind != kSwitchKind)) {
            return nullptr;
        }
        const Source& source = dests_[d].sources[s];
        return source.elem != nullptr ? &source : nullptr;
    }
    [[nodiscard]] std::uint32_t ChannelsOf(std::uint32_t controlId) const {
        const Source* source = SourceOf(controlId);
        return source == nullptr ? 0 : static_cast<std::uint32_t>(source->channels.size());
    }

    bool Write(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
               std::span<const std::int32_t> values) {
        const Source* source = SourceOf(controlId);
        if (source == nullptr || items != 0 || values.size() != channels ||
            (channels != 1 && channels != source->channels.size())) {
            return false;
        }
        const Direction& dir = *DirOf(controlId);
        snd_mixer_elem_t* elem = source->elem;
        if ((controlId & 0xFF) == kVolumeKind) {
            long min = 0;
            long max = 0;
            if (dir.range(elem, &min, &max) < 0) {
                return false;
            }
            if (channels == 1) {
                return dir.setVolumeAll(elem, FromScale(values[0], min, max)) >= 0;
            }
            for (std::size_t i = 0; i < channels; ++i) {
                if (dir.setVolume(elem, source->channels[i], FromScale(values[i], min, max)) < 0) {
                    return false;
                }
            }
            return true;
        }
        // Muted is the switch turned off.
        if (channels == 1) {
            return dir.setSwitchAll(elem, values[0] == 0 ? 1 : 0) >= 0;
        }
        for (std::size_t i = 0; i < channels; ++i) {
            if (dir.setSwitch(elem, source->channels[i], values[i] == 0 ? 1 : 0) < 0) {
                return false;
            }
        }
        return true;
    }

    /// A control's values: one channel (the first) or every channel of its line.
    bool Read(std::uint32_t controlId, std::uint32_t channels, std::vector<std::int32_t>& out) {
        const Source* source = SourceOf(controlId);
        if (source == nullptr || (channels != 1 && channels != source->channels.size())) {
            return false;
        }
        const Direction& dir = *DirOf(controlId);
        out.assign(channels, 0);
        long min = 0;
        long max = 0;
        const bool volume = (controlId & 0xFF) == kVolumeKind;
        if (volume && dir.range(source->elem, &min, &max) < 0) {
            return false;
        }
        for (std::size_t i = 0; i < channels; ++i) {
            if (volume) {
                long raw = 0;
                if (dir.getVolume(source->elem, source->channels[i], &raw) < 0) {
                    return false;
                }
                out[i] = ToScale(raw, min, max);
            } else {
                int on = 0;
                if (dir.getSwitch(source->elem, source->channels[i], &on) < 0) {
                    return false;
                }
                out[i] = on == 0 ? 1 : 0;
            }
        }
        return true;
    }

    static int OnElement(snd_mixer_elem_t* elem, unsigned int mask) {
        auto* self = static_cast<AlsaMixerDevice*>(snd_mixer_elem_get_callback_private(elem));
        if (self != nullptr) {
            self->ElementEvent(elem, mask);
        }
        return 0;
    }

    /// Queues a notification for every control of `elem` whose values changed, and a line
    /// change for every line of an element removed or changed in its description.
    void ElementEvent(snd_mixer_elem_t* elem, unsigned int mask) {
        const bool removed = mask == SND_CTL_EVENT_MASK_REMOVE;
        for (std::uint32_t d = 0; d < dests_.size(); ++d) {
            Destination& dest = dests_[d];
            for (std::uint32_t s = 0; s < dest.sources.size(); ++s) {
                Source& source = dest.sources[s];
                if (source.elem != elem) {
                    continue;
                }
                if (removed || (mask & SND_CTL_EVENT_MASK_INFO) != 0) {
                    if (removed) {
                        source.elem = nullptr;
                    }
                    pending_.emplace_back(true, LineId(d, s + 1));
                    if (dest.main == s) {
                        pending_.emplace_back(true, LineId(d, 0));
                    }
                }
                if (removed || (mask & SND_CTL_EVENT_MASK_VALUE) == 0) {
                    continue;
                }
                for (const MixerControl& c : source.controls) {
                    std::vector<std::int32_t> now;
                    if (Read(c.id, static_cast<std::uint32_t>(source.channels.size()), now) &&
                        now != values_[c.id]) {
                        values_[c.id] = std::move(now);
                        pending_.emplace_back(false, c.id);
                    }
                }
            }
        }
    }

    snd_mixer_t* mixer_;
    MixerNotify notify_;
    std::vector<Destination> dests_;
    /// The values last seen of every control, to tell which control an event changed.
    std::map<std::uint32_t, std::vector<std::int32_t>> values_;
    std::vector<std::pair<bool, std::uint32_t>> pending_;
    bool lost_ = false;
};

class AlsaMixerSystem : public MixerSystem {
public:
    [[nodiscard]] int DeviceCount() override { return Open(0, {}) != nullptr ? 1 : 0; }
    [[nodiscard]] std::unique_ptr<MixerDevice> Open(int index, MixerNotify notify) override {
        snd_mixer_t* mixer = index == 0 ? OpenDefault() : nullptr;
        if (mixer == nullptr) {
            return nullptr;
        }
        auto device = std::make_unique<AlsaMixerDevice>(mixer, std::move(notify));
        if (device->Empty()) {
            return nullptr;
        }
        return device;
    }
};

}  // namespace

std::unique_ptr<MixerSystem> MakeAlsaMixerSystem() {
    return std::make_unique<AlsaMixerSystem>();
}

}  // namespace lintel
