#include "shell/QtNotifyIconHost.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace lintel {

TQtNotifyIconHost::TQtNotifyIconHost() = default;
TQtNotifyIconHost::~TQtNotifyIconHost() = default;

unsigned TQtNotifyIconHost::MessageForActivation(int reason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
        case QSystemTrayIcon::Trigger:
            return wmLButtonDown;
        case QSystemTrayIcon::Context:
            return wmRButtonDown;
        case QSystemTrayIcon::DoubleClick:
            return wmLButtonDblClk;
        case QSystemTrayIcon::MiddleClick:
            return wmMButtonDown;
        default:
            return 0;
    }
}

bool TQtNotifyIconHost::NotifyIcon(TNotifyIconMessage message, const TNotifyIconData& data) {
    auto it = icons_.find(data.Id);
    switch (message) {
        case TNotifyIconMessage::nimAdd: {
            if (it != icons_.end())
                return false;
            auto icon = std::make_unique<QSystemTrayIcon>();
            icon->setIcon(data.Icon);
            icon->setToolTip((data.Flags & nifTip) ? data.Tip : QString());
            const int id = data.Id;
            QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                             [this, id](QSystemTrayIcon::ActivationReason reason) {
                                 if (const unsigned m = MessageForActivation(reason))
                                     Deliver(id, m);
                             });
            // Qt shows the icon as soon as a tray exists, also one that starts later, so
            // a desktop without a tray right now is no failure.
            icon->show();
            icons_.emplace(data.Id, std::move(icon));
            return true;
        }
        case TNotifyIconMessage::nimModify:
            if (it == icons_.end())
                return false;
            it->second->setIcon(data.Icon);
            it->second->setToolTip((data.Flags & nifTip) ? data.Tip : QString());
            return true;
        case TNotifyIconMessage::nimDelete:
            if (it == icons_.end())
                return false;
            it->second->hide();
            icons_.erase(it);
            return true;
    }
    return false;
}

const QSystemTrayIcon* TQtNotifyIconHost::TrayIcon(int id) const {
    auto it = icons_.find(id);
    return it == icons_.end() ? nullptr : it->second.get();
}

QPoint TQtNotifyIconHost::CursorPos() const {
    return QCursor::pos();
}

}  // namespace lintel
