#include "shell/MprisMediaControls.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace lintel {
namespace {

const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString PlaybackText(TMediaState::TPlayback playback) {
    switch (playback) {
        case TMediaState::TPlayback::Playing:
            return QStringLiteral("Playing");
        case TMediaState::TPlayback::Paused:
            return QStringLiteral("Paused");
        case TMediaState::TPlayback::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MetadataOf(const TMediaState& s) {
    QVariantMap m;
    if (s.trackId.empty())
        return m;
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(Utf8(s.trackId))));
    m.insert(QStringLiteral("mpris:length"), QVariant::fromValue(qlonglong{s.lengthMicroseconds}));
    m.insert(QStringLiteral("xesam:title"), Utf8(s.title));
    m.insert(QStringLiteral("xesam:album"), Utf8(s.album));
    m.insert(QStringLiteral("xesam:artist"), QStringList{Utf8(s.artist)});
    m.insert(QStringLiteral("xesam:trackNumber"), s.trackNumber);
    return m;
}

// Calls `request` when the bar takes commands; a request nobody wired does nothing.
template <typename F, typename... A>
void Forward(const TMediaState& state, const F& request, A&&... args) {
    if (state.canControl && request)
        request(std::forward<A>(args)...);
}

}  // namespace

// ---- the root interface

TMprisRootAdaptor::TMprisRootAdaptor(QObject* object, TMprisMediaControls& controls)
    : QDBusAbstractAdaptor(object), controls_(controls) {}

bool TMprisRootAdaptor::CanQuit() const {
    return controls_.State().canControl;
}

void TMprisRootAdaptor::Raise() {
    // Also while a dialog is open: the user is shown where it is.
    if (controls_.Requests().raise)
        controls_.Requests().raise();
}

void TMprisRootAdaptor::Quit() {
    Forward(controls_.State(), controls_.Requests().quit);
}

// ---- the player interface

TMprisPlayerAdaptor::TMprisPlayerAdaptor(QObject* object, TMprisMediaControls& controls)
    : QDBusAbstractAdaptor(object), controls_(controls) {}

QString TMprisPlayerAdaptor::PlaybackStatus() const {
    return PlaybackText(controls_.State().playback);
}

QString TMprisPlayerAdaptor::LoopStatus() const {
    return controls_.State().repeat ? QStringLiteral("Playlist") : QStringLiteral("None");
}

void TMprisPlayerAdaptor::SetLoopStatus(const QString& status) {
    // The bar repeats the disc or the program; one track alone it cannot repeat.
    if (status == QLatin1String("None"))
        Forward(controls_.State(), controls_.Requests().setRepeat, false);
    else if (status == QLatin1String("Playlist") || status == QLatin1String("Track"))
        Forward(controls_.State(), controls_.Requests().setRepeat, true);
}

bool TMprisPlayerAdaptor::Shuffle() const {
    return controls_.State().shuffle;
}

void TMprisPlayerAdaptor::SetShuffle(bool on) {
    Forward(controls_.State(), controls_.Requests().setShuffle, on);
}

QVariantMap TMprisPlayerAdaptor::Metadata() const {
    return MetadataOf(controls_.State());
}

qlonglong TMprisPlayerAdaptor::Position() const {
    const auto& position = controls_.Requests().position;
    return position && !controls_.State().trackId.empty() ? position() : 0;
}

bool TMprisPlayerAdaptor::CanGoNext() const {
    return controls_.State().canControl && controls_.State().canGoNext;
}
bool TMprisPlayerAdaptor::CanGoPrevious() const {
    return controls_.State().canControl && controls_.State().canGoPrevious;
}
bool TMprisPlayerAdaptor::CanPlay() const {
    return controls_.State().canControl && controls_.State().canPlay;
}
bool TMprisPlayerAdaptor::CanPause() const {
    return controls_.State().canControl && controls_.State().canPause;
}
bool TMprisPlayerAdaptor::CanSeek() const {
    return controls_.State().canControl && controls_.State().canSeek;
}
bool TMprisPlayerAdaptor::CanControl() const {
    return controls_.State().canControl;
}

void TMprisPlayerAdaptor::Next() {
    Forward(controls_.State(), controls_.Requests().next);
}
void TMprisPlayerAdaptor::Previous() {
    Forward(controls_.State(), controls_.Requests().previous);
}
void TMprisPlayerAdaptor::Pause() {
    Forward(controls_.State(), controls_.Requests().pause);
}
void TMprisPlayerAdaptor::PlayPause() {
    Forward(controls_.State(), controls_.Requests().playPause);
}
void TMprisPlayerAdaptor::Stop() {
    Forward(controls_.State(), controls_.Requests().stop);
}
void TMprisPlayerAdaptor::Play() {
    Forward(controls_.State(), controls_.Requests().play);
}
void TMprisPlayerAdaptor::Seek(qlonglong offset) {
    Forward(controls_.State(), controls_.Requests().seek, std::int64_t{offset});
}
void TMprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    Forward(controls_.State(), controls_.Requests().setPosition, trackId.path().toStdString(),
            std::int64_t{position});
}
void TMprisPlayerAdaptor::OpenUri(const QString&, const QDBusMessage& message) {
    controls_.Refuse(message, QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
                     QStringLiteral("Lintel plays the audio CD in its drive only"));
}

// ---- the controls

TMprisMediaControls::TMprisMediaControls() : object_(std::make_unique<QObject>()) {
    root_ = new TMprisRootAdaptor(object_.get(), *this);
    player_ = new TMprisPlayerAdaptor(object_.get(), *this);
}

TMprisMediaControls::~TMprisMediaControls() {
    if (bus_) {
        bus_->unregisterObject(QString::fromLatin1(kObjectPath));
        bus_->unregisterService(serviceName_);
    }
}

std::unique_ptr<TMprisMediaControls> TMprisMediaControls::Create(QDBusConnection bus,
                                                                 std::string& error) {
    if (!bus.isConnected()) {
        const QString reason = bus.lastError().message();
        error = "no session bus" + (reason.isEmpty() ? std::string() : ": " + reason.toStdString());
        return nullptr;
    }
    auto controls = std::make_unique<TMprisMediaControls>();
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), controls->object_.get(),
                            QDBusConnection::ExportAdaptors)) {
        error = "the session bus refused the object " + std::string(kObjectPath);
        return nullptr;
    }
    // A second program under another executable name runs beside the first; each is found
    // under a name of its own.
    QString name = QString::fromLatin1(kServiceName);
    if (!bus.registerService(name)) {
        name += QStringLiteral(".instance%1").arg(::getpid());
        if (!bus.registerService(name)) {
            bus.unregisterObject(QString::fromLatin1(kObjectPath));
            error = "the session bus refused the name " + name.toStdString();
            return nullptr;
        }
    }
    controls->serviceName_ = name;
    controls->bus_ = std::make_unique<QDBusConnection>(bus);
    return controls;
}

void TMprisMediaControls::Update(const TMediaState& state) {
    if (state == state_)
        return;
    const TMediaState old = state_;
    state_ = state;
    // Position is never announced: the desktop reads it when it needs it.
    QVariantMap root;
    if (old.canControl != state.canControl)
        root.insert(QStringLiteral("CanQuit"), root_->CanQuit());
    AnnounceChanged(kRootInterface, root);

    QVariantMap changed;
    const TMprisPlayerAdaptor& p = *player_;
    auto note = [&](const char* name, bool differs, const QVariant& value) {
        if (differs)
            changed.insert(QString::fromLatin1(name), value);
    };
    note("PlaybackStatus", old.playback != state.playback, p.PlaybackStatus());
    note("LoopStatus", old.repeat != state.repeat, p.LoopStatus());
    note("Shuffle", old.shuffle != state.shuffle, p.Shuffle());
    note("Metadata",
         old.trackId != state.trackId || old.lengthMicroseconds != state.lengthMicroseconds ||
             old.title != state.title || old.album != state.album || old.artist != state.artist ||
             old.trackNumber != state.trackNumber,
         p.Metadata());
    const bool control = old.canControl != state.canControl;
    note("CanPlay", control || old.canPlay != state.canPlay, p.CanPlay());
    note("CanPause", control || old.canPause != state.canPause, p.CanPause());
    note("CanGoNext", control || old.canGoNext != state.canGoNext, p.CanGoNext());
    note("CanGoPrevious", control || old.canGoPrevious != state.canGoPrevious, p.CanGoPrevious());
    note("CanSeek", control || old.canSeek != state.canSeek, p.CanSeek());
    note("CanControl", control, p.CanControl());
    AnnounceChanged(kPlayerInterface, changed);
}

void TMprisMediaControls::Seeked(std::int64_t position) {
    emit player_->Seeked(position);
}

void TMprisMediaControls::Refuse(const QDBusMessage& call, const QString& name,
                                 const QString& text) const {
    if (!bus_)
        return;
    call.setDelayedReply(true);
    bus_->send(call.createErrorReply(name, text));
}

void TMprisMediaControls::AnnounceChanged(const QString& interface,
                                          const QVariantMap& changed) const {
    if (!bus_ || changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    bus_->send(signal);
}

}  // namespace lintel
