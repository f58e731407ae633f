// The mixer component of the volume page: it opens one device of the system's mixer,
// reads its lines and their controls into a tree (destinations, each with its own
// controls and its connections, each connection with its controls), reads and writes
// the volume and mute of one line, and passes the device's change notifications on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/MixerDevice.h"

namespace lintel {

/// An ordered list of pointers. Clearing or destroying it first hands every entry, in
/// order, to the release callback (when one is set), then empties the list.
template <class T>
class TPointerList {
public:
    using Release = std::function<void(T*)>;

    explicit TPointerList(Release release = {}) : release_(std::move(release)) {}
    ~TPointerList() { Clear(); }
    TPointerList(const TPointerList&) = delete;
    TPointerList& operator=(const TPointerList&) = delete;

    void Add(T* item) { items_.push_back(item); }
    void Clear() {
        if (release_) {
            for (T* item : items_) {
                release_(item);
            }
        }
        items_.clear();
    }
    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    /// Entry i; null when i is out of range.
    [[nodiscard]] T* Item(int i) const {
        return i >= 0 && i < Count() ? items_[static_cast<std::size_t>(i)] : nullptr;
    }

private:
    Release release_;
    std::vector<T*> items_;
};

/// The controls of one line: one block of records, read once, and the list of pointers
/// into it, in the device's order. A failed query leaves the list empty.
class TMixerControls : public TPointerList<const MixerControl> {
public:
    TMixerControls(MixerDevice& device, const MixerLine& line);

private:
    std::vector<MixerControl> block_;
};

/// A source line of a destination.
class TMixerConnection {
public:
    TMixerConnection(MixerDevice& device, const MixerLine& line);

    [[nodiscard]] const MixerLine& Line() const { return line_; }
    [[nodiscard]] const TMixerControls& Controls() const { return controls_; }

private:
    MixerLine line_;
    TMixerControls controls_;
};

/// The source lines of a destination in source-number order; a source whose query fails
/// is left out, so a list position can differ from the source number.
class TMixerConnections : public TPointerList<TMixerConnection> {
public:
    TMixerConnections(MixerDevice& device, const MixerLine& destination);
};

class TMixerDestination {
public:
    TMixerDestination(MixerDevice& device, const MixerLine& line);

    [[nodiscard]] const MixerLine& Line() const { return line_; }
    [[nodiscard]] const TMixerControls& Controls() const { return controls_; }
    [[nodiscard]] const TMixerConnections& Connections() const { return connections_; }

private:
    MixerLine line_;
    TMixerControls controls_;
    TMixerConnections connections_;
};

/// The destinations of a device in destination-number order; failed queries left out.
class TMixerDestinations : public TPointerList<TMixerDestination> {
public:
    explicit TMixerDestinations(MixerDevice& device);
};

/// What ReadLevels found on a line: each level -1 when the line has no such control
/// (or only a disabled one).
struct TMixerLevels {
    int left = -1;
    int right = -1;  ///< -1 as well when the volume has one channel
    int mute = -1;   ///< 1 muted, 0 not
    bool volumeDisabled = false;
    bool muteDisabled = false;
};

class TAudioMixer {
public:
    /// Sender, the handle the notification names, and the line or control it names.
    using TMixerChange =
        std::function<void(TAudioMixer& sender, std::intptr_t mixerH, std::uint32_t id)>;

    /// Reads the number of devices and opens device 0 when there is one. `mixers` must
    /// outlive the component.
    explicit TAudioMixer(MixerSystem& mixers);
    ~TAudioMixer();
    TAudioMixer(const TAudioMixer&) = delete;
    TAudioMixer& operator=(const TAudioMixer&) = delete;

    /// The index of the open device; -1 when none is open.
    [[nodiscard]] int MixerID() const { return mixerId_; }
    /// Opens device v instead (v < 0: none). A v not below the number of devices changes
    /// nothing; a device that cannot be opened leaves none open.
    void SetMixerID(int v);
    /// Closes the device and frees the tree.
    void ReleaseMixer();

    /// The number of mixer devices, as read at creation.
    [[nodiscard]] int NumDevs() const { return numDevs_; }
    /// The tree of the open device; null while none is open.
    [[nodiscard]] const TMixerDestinations* Destinations() const { return destinations_.get(); }

    /// Levels of destination d's own line (c = -1) or of its connection c; nothing when
    /// there is no such line.
    [[nodiscard]] std::optional<TMixerLevels> ReadLevels(int d, int c) const;
    /// Writes the line's volume (right -1: the same as left; left -1: left as it is) and
    /// mute (-1: left as it is). False when there is no such line or a write failed.
    bool WriteLevels(int d, int c, int left, int right, int mute);

    /// What an event loop watches for the open device's notifications; none when closed.
    [[nodiscard]] std::vector<pollfd> PollDescriptors() const;
    /// Delivers the open device's pending notifications to the two events. False when no
    /// device is open or it was lost: there is nothing more to watch.
    bool HandleEvents();

    TMixerChange OnLineChange;
    TMixerChange OnControlChange;

private:
    struct LineRef {
        const TMixerDestination* destination = nullptr;
        const MixerLine* line = nullptr;
        const TMixerControls* controls = nullptr;
    };
    [[nodiscard]] std::optional<LineRef> FindLine(int d, int c) const;
    /// Channels of a details request for control `control` of `line`.
    static std::uint32_t RequestChannels(const MixerControl& control, const MixerLine& line);
    /// The first enabled mixer list of the destination, with its values; nothing when there
    /// is none, its read fails, or it has no entry for source `source`.
    [[nodiscard]] std::optional<std::pair<const MixerControl*, std::vector<std::int32_t>>>
    ReadMixerList(const LineRef& ref, std::uint32_t source) const;

    MixerSystem& mixers_;
    int numDevs_ = 0;
    int mixerId_ = -1;
    std::unique_ptr<MixerDevice> device_;
    std::unique_ptr<TMixerDestinations> destinations_;
};

}  // namespace lintel
