#include "shell/SimulatedNotifyIconHost.h"

namespace lintel {

bool TSimulatedNotifyIconHost::NotifyIcon(TNotifyIconMessage message, const TNotifyIconData& data) {
    calls_.push_back({message, data});
    const bool present = icons_.count(data.Id) != 0;
    switch (message) {
        case TNotifyIconMessage::nimAdd:
            if (present || refuseAdd_)
                return false;
            icons_[data.Id] = data;
            return true;
        case TNotifyIconMessage::nimModify:
            if (!present || refuseModify_)
                return false;
            icons_[data.Id] = data;
            return true;
        case TNotifyIconMessage::nimDelete:
            return icons_.erase(data.Id) != 0;
    }
    return false;
}

TNotifyIconData TSimulatedNotifyIconHost::Shown(int id) const {
    auto it = icons_.find(id);
    return it == icons_.end() ? TNotifyIconData{} : it->second;
}

}  // namespace lintel
