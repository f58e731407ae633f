#include "settings/AudioMixer.h"

#include <algorithm>

namespace lintel {

namespace {

bool Has(const MixerControl& c, std::uint32_t flag) {
    return (c.flags & flag) != 0;
}

/// The volume and mute controls that one value per channel describes. A disabled control
/// counts as absent, for writing as for reading.
bool IsLevel(const MixerControl& c) {
    return (c.type == kMixerControlVolume || c.type == kMixerControlMute) &&
           !Has(c, kMixerControlMultiple) && !Has(c, kMixerControlDisabled);
}

bool IsMixerList(const MixerControl& c) {
    return (c.type & kMixerControlMixer) == kMixerControlMixer && !Has(c, kMixerControlDisabled);
}

std::uint32_t RequestItems(const MixerControl& c) {
    return Has(c, kMixerControlMultiple) ? c.items : 0;
}

}  // namespace

TMixerControls::TMixerControls(MixerDevice& device, const MixerLine& line) {
    if (auto controls = device.LineControls(line.lineId, line.controls)) {
        block_ = std::move(*controls);
        for (const MixerControl& c : block_) {
            Add(&c);
        }
    }
}

TMixerConnection::TMixerConnection(MixerDevice& device, const MixerLine& line)
    : line_(line), controls_(device, line_) {}

TMixerConnections::TMixerConnections(MixerDevice& device, const MixerLine& destination)
    : TPointerList([](TMixerConnection* c) { delete c; }) {
    for (std::uint32_t s = 0; s < destination.connections; ++s) {
        if (auto line = device.SourceLine(destination.destination, s)) {
            Add(new TMixerConnection(device, *line));
        }
    }
}

TMixerDestination::TMixerDestination(MixerDevice& device, const MixerLine& line)
    : line_(line), controls_(device, line_), connections_(device, line_) {}

TMixerDestinations::TMixerDestinations(MixerDevice& device)
    : TPointerList([](TMixerDestination* d) { delete d; }) {
    for (std::uint32_t d = 0; d < device.Destinations(); ++d) {
        if (auto line = device.DestinationLine(d)) {
            Add(new TMixerDestination(device, *line));
        }
    }
}

TAudioMixer::TAudioMixer(MixerSystem& mixers) : mixers_(mixers) {
    numDevs_ = mixers_.DeviceCount();
    if (numDevs_ > 0) {
        SetMixerID(0);
    }
}

TAudioMixer::~TAudioMixer() {
    ReleaseMixer();
}

void TAudioMixer::SetMixerID(int v) {
    if (v >= numDevs_) {
        return;
    }
    ReleaseMixer();
    if (v < 0) {
        return;
    }
    // The notifications name the component as sender; they arrive only from
    // HandleEvents, while the component lives.
    MixerNotify notify;
    notify.lineChange = [this](std::intptr_t handle, std::uint32_t id) {
        if (OnLineChange) {
            OnLineChange(*this, handle, id);
        }
    };
    notify.controlChange = [this](std::intptr_t handle, std::uint32_t id) {
        if (OnControlChange) {
            OnControlChange(*this, handle, id);
        }
    };
    device_ = mixers_.Open(v, std::move(notify));
    if (!device_) {
        return;
    }
    mixerId_ = v;
    destinations_ = std::make_unique<TMixerDestinations>(*device_);
}

void TAudioMixer::ReleaseMixer() {
    // The tree goes first: nothing in it may outlive the device it describes.
    destinations_.reset();
    if (device_) {
        device_.reset();
        mixerId_ = -1;
    }
}

std::vector<pollfd> TAudioMixer::PollDescriptors() const {
    return device_ ? device_->PollDescriptors() : std::vector<pollfd>{};
}

bool TAudioMixer::HandleEvents() {
    return device_ && device_->HandleEvents();
}

std::optional<TAudioMixer::LineRef> TAudioMixer::FindLine(int d, int c) const {
    const TMixerDestination* dest = destinations_ ? destinations_->Item(d) : nullptr;
    if (dest == nullptr) {
        return std::nullopt;
    }
    if (c == -1) {
        return LineRef{dest, &dest->Line(), &dest->Controls()};
    }
    const TMixerConnection* connection = dest->Connections().Item(c);
    if (connection == nullptr) {
        return std::nullopt;
    }
    return LineRef{dest, &connection->Line(), &connection->Controls()};
}

std::uint32_t TAudioMixer::RequestChannels(const MixerControl& control, const MixerLine& line) {
    return Has(control, kMixerControlUniform) ? 1 : std::max<std::uint32_t>(line.channels, 1);
}

std::optional<std::pair<const MixerControl*, std::vector<std::int32_t>>> TAudioMixer::ReadMixerList(
    const LineRef& ref, std::uint32_t source) const {
    const TMixerControls& controls = ref.destination->Controls();
    for (int i = 0; i < controls.Count(); ++i) {
        const MixerControl& c = *controls.Item(i);
        if (!IsMixerList(c)) {
            continue;
        }
        const std::uint32_t channels = RequestChannels(c, ref.destination->Line());
        const std::uint32_t items = RequestItems(c);
        std::vector<std::int32_t> values(channels * std::max<std::uint32_t>(items, 1));
        if (device_->GetDetails(c.id, channels, items, values) &&
            source < std::max<std::uint32_t>(items, 1)) {
            return std::pair{&c, std::move(values)};
        }
    }
    return std::nullopt;
}

std::optional<TMixerLevels> TAudioMixer::ReadLevels(int d, int c) const {
    const std::optional<LineRef> ref = FindLine(d, c);
    if (!ref) {
        return std::nullopt;
    }
    TMixerLevels levels;
    const TMixerControls& controls = *ref->controls;
    for (int i = 0; i < controls.Count() && (levels.left == -1 || levels.mute == -1); ++i) {
        const MixerControl& control = *controls.Item(i);
        if (!IsLevel(control)) {
            continue;
        }
        const std::uint32_t channels = RequestChannels(control, *ref->line);
        std::vector<std::int32_t> values(channels);
        if (!device_->GetDetails(control.id, channels, 0, values)) {
            continue;
        }
        if (control.type == kMixerControlVolume && levels.left == -1) {
            levels.left = values[0];
            if (channels > 1) {
                levels.right = values[1];
            }
        } else if (control.type == kMixerControlMute && levels.mute == -1) {
            levels.mute = values[0] != 0 ? 1 : 0;
        }
    }
    // A source without a mute of its own: its entry in the destination's mixer list
    // (set = the source is heard). The destination's own line never uses it.
    if (levels.mute == -1 && c != -1) {
        if (auto list = ReadMixerList(*ref, ref->line->source)) {
            levels.mute = list->second[ref->line->source] != 0 ? 1 : 0;
        }
    }
    levels.volumeDisabled = levels.left == -1;
    levels.muteDisabled = levels.mute == -1;
    return levels;
}

bool TAudioMixer::WriteLevels(int d, int c, int left, int right, int mute) {
    const std::optional<LineRef> ref = FindLine(d, c);
    if (!ref) {
        return false;
    }
    bool ok = true;
    bool volumeDone = left == -1;
    bool muteDone = mute == -1;
    const TMixerControls& controls = *ref->controls;
    for (int i = 0; i < controls.Count() && !(volumeDone && muteDone); ++i) {
        const MixerControl& control = *controls.Item(i);
        if (!IsLevel(control)) {
            continue;
        }
        const bool volume = control.type == kMixerControlVolume;
        if (volume ? left == -1 : mute == -1) {
            continue;
        }
        // The first channel gets left, every other one right (or left).
        const std::uint32_t channels = RequestChannels(control, *ref->line);
        std::vector<std::int32_t> values(channels, volume ? (right == -1 ? left : right) : mute);
        values[0] = volume ? left : mute;
        ok = device_->SetDetails(control.id, channels, 0, values) && ok;
        (volume ? volumeDone : muteDone) = true;
    }
    if (!muteDone && c != -1) {
        const std::uint32_t source = ref->line->source;
        if (auto list = ReadMixerList(*ref, source)) {
            const MixerControl& control = *list->first;
            list->second[source] = mute;
            ok = device_->SetDetails(control.id, RequestChannels(control, ref->destination->Line()),
                                     RequestItems(control), list->second) &&
                 ok;
        }
    }
    return ok;
}

}  // namespace lintel
