// The media controls over the session bus: the MPRIS 2 interfaces "org.mpris.MediaPlayer2"
// and "org.mpris.MediaPlayer2.Player" on the object /org/mpris/MediaPlayer2, under the
// name org.mpris.MediaPlayer2.lintel. Two Qt D-Bus adaptors forward to the requests and
// read the state they were last given.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <string>

#include "shell/MediaControls.h"

namespace lintel {

class TMprisMediaControls;

class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    TMprisRootAdaptor(QObject* object, TMprisMediaControls& controls);

    [[nodiscard]] bool CanQuit() const;
    [[nodiscard]] bool CanRaise() const { return true; }
    [[nodiscard]] bool HasTrackList() const { return false; }
    [[nodiscard]] QString Identity() const { return QStringLiteral("Lintel"); }
    [[nodiscard]] QString DesktopEntry() const { return QStringLiteral("lintel"); }
    [[nodiscard]] QStringList SupportedUriSchemes() const { return {}; }
    [[nodiscard]] QStringList SupportedMimeTypes() const { return {}; }

public Q_SLOTS:  // NOLINT
    void Raise();
    void Quit();

private:
    TMprisMediaControls& controls_;
};

class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    // Read only: the system's volume is the volume page's, so a write is refused.
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    TMprisPlayerAdaptor(QObject* object, TMprisMediaControls& controls);

    [[nodiscard]] QString PlaybackStatus() const;
    [[nodiscard]] QString LoopStatus() const;
    /// "None" turns repeat off; "Playlist" and "Track" turn it on.
    void SetLoopStatus(const QString& status);
    [[nodiscard]] double Rate() const { return 1.0; }
    /// Only the one rate there is.
    void SetRate(double) {}
    [[nodiscard]] bool Shuffle() const;
    void SetShuffle(bool on);
    [[nodiscard]] QVariantMap Metadata() const;
    [[nodiscard]] double Volume() const { return 1.0; }
    [[nodiscard]] qlonglong Position() const;
    [[nodiscard]] bool CanGoNext() const;
    [[nodiscard]] bool CanGoPrevious() const;
    [[nodiscard]] bool CanPlay() const;
    [[nodiscard]] bool CanPause() const;
    [[nodiscard]] bool CanSeek() const;
    [[nodiscard]] bool CanControl() const;

public Q_SLOTS:  // NOLINT
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    /// Refused with an error: the bar plays the disc in its drive and nothing else.
    void OpenUri(const QString& uri, const QDBusMessage& message);

Q_SIGNALS:  // NOLINT
    void Seeked(qlonglong position);

private:
    TMprisMediaControls& controls_;
};

class TMprisMediaControls : public TMediaControls {
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.lintel";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    /// The controls on `bus`, holding org.mpris.MediaPlayer2.lintel, or
    /// org.mpris.MediaPlayer2.lintel.instance<pid> when another program holds that. Nothing,
    /// with `error` set, when the bus is not connected or refuses the object or both names.
    [[nodiscard]] static std::unique_ptr<TMprisMediaControls> Create(QDBusConnection bus,
                                                                     std::string& error);
    /// Controls on no bus: the adaptors answer as they would on one (for tests).
    TMprisMediaControls();
    ~TMprisMediaControls() override;
    TMprisMediaControls(const TMprisMediaControls&) = delete;
    TMprisMediaControls& operator=(const TMprisMediaControls&) = delete;

    void SetRequests(TMediaRequests requests) override { requests_ = std::move(requests); }
    void Update(const TMediaState& state) override;
    void Seeked(std::int64_t position) override;

    /// Answers `call` with an error named `name` and saying `text`; on no bus nothing.
    void Refuse(const QDBusMessage& call, const QString& name, const QString& text) const;
    /// The name the controls hold on the bus; empty on none.
    [[nodiscard]] const QString& ServiceName() const { return serviceName_; }
    [[nodiscard]] const TMediaState& State() const { return state_; }
    [[nodiscard]] const TMediaRequests& Requests() const { return requests_; }
    [[nodiscard]] TMprisRootAdaptor& Root() const { return *root_; }
    [[nodiscard]] TMprisPlayerAdaptor& Player() const { return *player_; }

private:
    /// Sends PropertiesChanged of `interface` with `changed`, when it holds anything.
    void AnnounceChanged(const QString& interface, const QVariantMap& changed) const;

    std::unique_ptr<QObject> object_;
    TMprisRootAdaptor* root_ = nullptr;      // owned by object_
    TMprisPlayerAdaptor* player_ = nullptr;  // owned by object_
    std::unique_ptr<QDBusConnection> bus_;
    QString serviceName_;
    TMediaState state_;
    TMediaRequests requests_;
};

}  // namespace lintel
