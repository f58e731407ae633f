// The MusicBrainz client: one disc-ID request at a time over Qt Network, never waiting on
// the user-interface thread. It keeps to the service's rules: a User-Agent that names the
// program, at most one request a second, and an answer within kTimeLimit or none.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "lookup/MusicBrainzReply.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace lintel {

/// How a look-up ended.
struct LookupOutcome {
    enum class Kind {
        Found,     ///< `releases` holds at least one
        NoMatch,   ///< HTTP 404, or an answer without a release
        Failed,    ///< `reason` says why: no network, an HTTP status, a malformed answer
        TimedOut,  ///< no full answer within the time limit
    };
    Kind kind = Kind::Failed;
    std::vector<FoundRelease> releases;
    QString reason;
};

class TTitleLookup : public QObject {
public:
    static constexpr std::chrono::seconds kTimeLimit{10};
    static constexpr std::chrono::seconds kRequestSpacing{1};

    explicit TTitleLookup(QObject* parent = nullptr);
    ~TTitleLookup() override;

    /// Asks `server` (such as "https://musicbrainz.org") for the releases of `discId` and
    /// returns at once; `done` runs later on this thread with the outcome. A look-up still
    /// running is abandoned first, its `done` never called.
    void Start(const QString& server, const std::string& discId,
               std::function<void(const LookupOutcome&)> done);
    /// Abandons the look-up in progress, if any.
    void Cancel();
    [[nodiscard]] bool Busy() const { return static_cast<bool>(done_); }

    /// The address of the request for `discId` at `server`.
    [[nodiscard]] static QString RequestUrl(const QString& server, const std::string& discId);

private:
    void Send();
    void Finish(LookupOutcome outcome);
    void ReplyFinished();

    QNetworkAccessManager* network_;
    QTimer* waitTimer_;  ///< holds a request back to keep the spacing
    QTimer* timeLimit_;
    QNetworkReply* reply_ = nullptr;
    QString url_;
    std::string discId_;
    std::function<void(const LookupOutcome&)> done_;
};

}  // namespace lintel
