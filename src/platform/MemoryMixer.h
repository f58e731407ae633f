// A mixer held in memory, for tests: devices, lines and controls as a test lays them out,
// queries that fail on request, a record of every write, and notifications of changes
// made "from outside", delivered through a poll descriptor like a real device's.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/MixerDevice.h"

namespace lintel {

class MemoryMixer : public MixerSystem {
public:
    struct Control {
        MixerControl control;  ///< its id must be unique within the device
        /// Its values, channel by channel: one channel when uniform, else the line's
        /// channels; max(items, 1) values per channel.
        std::vector<std::int32_t> values;
        bool failRead = false;
        bool failWrite = false;
    };
    struct Line {
        std::string name;
        std::uint32_t channels = 2;
        std::vector<Control> controls;
        bool failQuery = false;     ///< the line's own query fails
        bool failControls = false;  ///< the query of its controls fails
    };
    struct Destination {
        Line line;
        std::vector<Line> sources;
    };
    struct Device {
        std::vector<Destination> destinations;
        bool failOpen = false;
    };
    /// One write a device took.
    struct Write {
        std::uint32_t controlId = 0;
        std::vector<std::int32_t> values;  ///< as the control holds them afterwards

        bool operator==(const Write&) const = default;
        /// As a failed test shows it: "20 = {1}".
        friend void PrintTo(const Write& write, std::ostream* out);
    };

    /// The layout; change it only while no device is open.
    std::vector<Device> devices;
    /// Every write taken, in order.
    std::vector<Write> writes;

    MemoryMixer();
    ~MemoryMixer() override;
    MemoryMixer(const MemoryMixer&) = delete;
    MemoryMixer& operator=(const MemoryMixer&) = delete;

    [[nodiscard]] int DeviceCount() override;
    [[nodiscard]] std::unique_ptr<MixerDevice> Open(int index, MixerNotify notify) override;

    /// The lineId the lines get: destination d is (d + 1) << 16, its source s that plus
    /// s + 1.
    [[nodiscard]] static std::uint32_t LineId(std::uint32_t d);
    [[nodiscard]] static std::uint32_t LineId(std::uint32_t d, std::uint32_t s);
    /// The control `controlId` of device `device`; throws std::out_of_range when absent.
    [[nodiscard]] Control& Find(int device, std::uint32_t controlId);
    /// Another program changes a control: its values become `values` and every open
    /// handle of the device gets a control-change notification.
    void ChangeFromOutside(int device, std::uint32_t controlId, std::vector<std::int32_t> values);
    /// Every open handle of the device gets a line-change notification for `lineId`.
    void LineChangeFromOutside(int device, std::uint32_t lineId);

private:
    class OpenDevice;
    void Raise(int device, bool line, std::uint32_t id);

    std::vector<OpenDevice*> open_;
};

}  // namespace lintel
