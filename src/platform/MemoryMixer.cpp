#include "platform/MemoryMixer.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>

namespace lintel {

namespace {

/// The channels a control holds values for.
std::uint32_t NativeChannels(const MemoryMixer::Control& c, const MemoryMixer::Line& line) {
    return (c.control.flags & kMixerControlUniform) != 0 ? 1 : line.channels;
}

std::uint32_t PerChannel(std::uint32_t items) {
    return std::max<std::uint32_t>(items, 1);
}

/// The control `controlId` of a device and the line it belongs to; nulls when absent.
std::pair<MemoryMixer::Line*, MemoryMixer::Control*> Locate(MemoryMixer::Device& device,
                                                            std::uint32_t controlId) {
    for (MemoryMixer::Destination& dest : device.destinations) {
        std::vector<MemoryMixer::Line*> lines{&dest.line};
        for (MemoryMixer::Line& source : dest.sources) {
            lines.push_back(&source);
        }
        for (MemoryMixer::Line* line : lines) {
            for (MemoryMixer::Control& c : line->controls) {
                if (c.control.id == controlId) {
                    return {line, &c};
                }
            }
        }
    }
    return {nullptr, nullptr};
}

}  // namespace

class MemoryMixer::OpenDevice : public MixerDevice {
public:
    OpenDevice(MemoryMixer& mixer, int index, MixerNotify notify)
        : mixer_(mixer),
          index_(index),
          notify_(std::move(notify)),
          wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        mixer_.open_.push_back(this);
    }
    ~OpenDevice() override {
        std::erase(mixer_.open_, this);
        if (wake_ >= 0) {
            close(wake_);
        }
    }
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;

    [[nodiscard]] int Index() const { return index_; }

    void Queue(bool line, std::uint32_t id) {
        pending_.push_back({line, id});
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
    }

    [[nodiscard]] std::intptr_t Handle() const override {
        return reinterpret_cast<std::intptr_t>(this);
    }
    [[nodiscard]] std::uint32_t Destinations() const override {
        return static_cast<std::uint32_t>(Layout().destinations.size());
    }
    [[nodiscard]] std::optional<MixerLine> DestinationLine(std::uint32_t d) override {
        if (d >= Destinations() || Layout().destinations[d].line.failQuery) {
            return std::nullopt;
        }
        const Destination& dest = Layout().destinations[d];
        MixerLine line = Record(dest.line, LineId(d));
        line.destination = d;
        line.connections = static_cast<std::uint32_t>(dest.sources.size());
        return line;
    }
    [[nodiscard]] std::optional<MixerLine> SourceLine(std::uint32_t d, std::uint32_t s) override {
        if (d >= Destinations() || s >= Layout().destinations[d].sources.size() ||
            Layout().destinations[d].sources[s].failQuery) {
            return std::nullopt;
        }
        MixerLine line = Record(Layout().destinations[d].sources[s], LineId(d, s));
        line.destination = d;
        line.source = s;
        return line;
    }
    [[nodiscard]] std::optional<std::vector<MixerControl>> LineControls(
        std::uint32_t lineId, std::uint32_t count) override {
        const Line* line = LineOf(lineId);
        if (line == nullptr || line->failControls || line->controls.size() != count) {
            return std::nullopt;
        }
        std::vector<MixerControl> out;
        for (const Control& c : line->controls) {
            out.push_back(c.control);
        }
        return out;
    }
    [[nodiscard]] bool GetDetails(std::uint32_t controlId, std::uint32_t channels,
                                  std::uint32_t items, std::span<std::int32_t> values) override {
        const Line* line = nullptr;
        Control* c = ControlOf(controlId, &line);
        if (c == nullptr || c->failRead || !Fits(*c, *line, channels, items, values.size())) {
            return false;
        }
        // One channel asked of a control with more gives the first channel's values.
        std::copy_n(c->values.begin(), values.size(), values.begin());
        return true;
    }
    [[nodiscard]] bool SetDetails(std::uint32_t controlId, std::uint32_t channels,
                                  std::uint32_t items,
                                  std::span<const std::int32_t> values) override {
        const Line* line = nullptr;
        Control* c = ControlOf(controlId, &line);
        if (c == nullptr || c->failWrite || !Fits(*c, *line, channels, items, values.size())) {
            return false;
        }
        const std::size_t per = PerChannel(c->control.items);
        for (std::size_t i = 0; i < c->values.size(); ++i) {
            // One channel written to a control with more sets every channel.
            std::int32_t v = values[channels == 1 ? i % per : i];
            if (c->control.type == kMixerControlVolume) {
                v = std::clamp(v, 0, 65535);
            }
            c->values[i] = v;
        }
        mixer_.writes.push_back({controlId, c->values});
        return true;
    }
    [[nodiscard]] std::vector<pollfd> PollDescriptors() override {
        return {pollfd{wake_, POLLIN, 0}};
    }
    bool HandleEvents() override {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(wake_, &count, sizeof count);
        // A receiver may close this device: take the queue first.
        std::deque<std::pair<bool, std::uint32_t>> due;
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
    [[nodiscard]] const Device& Layout() const { return mixer_.devices.at(index_); }
    [[nodiscard]] Device& Layout() { return mixer_.devices.at(index_); }

    static MixerLine Record(const Line& line, std::uint32_t id) {
        MixerLine out;
        out.lineId = id;
        out.channels = line.channels;
        out.controls = static_cast<std::uint32_t>(line.controls.size());
        out.name = line.name;
        return out;
    }
    static bool Fits(const Control& c, const Line& line, std::uint32_t channels,
                     std::uint32_t items, std::size_t size) {
        const bool multiple = (c.control.flags & kMixerControlMultiple) != 0;
        return (channels == 1 || channels == NativeChannels(c, line)) &&
               items == (multiple ? c.control.items : 0) && size == channels * PerChannel(items) &&
               c.values.size() == NativeChannels(c, line) * PerChannel(c.control.items);
    }
    Line* LineOf(std::uint32_t lineId) {
        for (std::uint32_t d = 0; d < Layout().destinations.size(); ++d) {
            Destination& dest = Layout().destinations[d];
            if (LineId(d) == lineId) {
                return &dest.line;
            }
            for (std::uint32_t s = 0; s < dest.sources.size(); ++s) {
                if (LineId(d, s) == lineId) {
                    return &dest.sources[s];
                }
            }
        }
        return nullptr;
    }
    Control* ControlOf(std::uint32_t controlId, const Line** owner) {
        auto [line, control] = Locate(Layout(), controlId);
        *owner = line;
        return control;
    }

    MemoryMixer& mixer_;
    int index_;
    MixerNotify notify_;
    int wake_;
    std::deque<std::pair<bool, std::uint32_t>> pending_;
};

void PrintTo(const MemoryMixer::Write& write, std::ostream* out) {
    *out << write.controlId << " = {";
    for (std::size_t i = 0; i < write.values.size(); ++i) {
        *out << (i == 0 ? "" : ", ") << write.values[i];
    }
    *out << "}";
}

MemoryMixer::MemoryMixer() = default;

MemoryMixer::~MemoryMixer() = default;

int MemoryMixer::DeviceCount() {
    return static_cast<int>(devices.size());
}

std::unique_ptr<MixerDevice> MemoryMixer::Open(int index, MixerNotify notify) {
    if (index < 0 || index >= DeviceCount() || devices[index].failOpen) {
        return nullptr;
    }
    return std::make_unique<OpenDevice>(*this, index, std::move(notify));
}

std::uint32_t MemoryMixer::LineId(std::uint32_t d) {
    return (d + 1) << 16;
}

std::uint32_t MemoryMixer::LineId(std::uint32_t d, std::uint32_t s) {
    return LineId(d) + s + 1;
}

MemoryMixer::Control& MemoryMixer::Find(int device, std::uint32_t controlId) {
    Control* c = Locate(devices.at(device), controlId).second;
    if (c == nullptr) {
        throw std::out_of_range("no mixer control " + std::to_string(controlId));
    }
    return *c;
}

void MemoryMixer::ChangeFromOutside(int device, std::uint32_t controlId,
                                    std::vector<std::int32_t> values) {
    Find(device, controlId).values = std::move(values);
    Raise(device, false, controlId);
}

void MemoryMixer::LineChangeFromOutside(int device, std::uint32_t lineId) {
    Raise(device, true, lineId);
}

void MemoryMixer::Raise(int device, bool line, std::uint32_t id) {
    for (OpenDevice* open : open_) {
        if (open->Index() == device) {
            open->Queue(line, id);
        }
    }
}

}  // namespace lintel
