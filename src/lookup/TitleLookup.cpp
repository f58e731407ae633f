#include "lookup/TitleLookup.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace lintel {
namespace {

// The service asks every client to name itself and a way to reach its makers.
constexpr char kUserAgent[] = "Lintel/0.1 ( maintainers@users.noreply.c-seed-d92fe0ff.example )";

// When this process last sent a request; the spacing holds across look-ups.
std::chrono::steady_clock::time_point lastRequest;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

TTitleLookup::TTitleLookup(QObject* parent)
    : QObject(parent),
      network_(new QNetworkAccessManager(this)),
      waitTimer_(new QTimer(this)),
      timeLimit_(new QTimer(this)) {
    waitTimer_->setSingleShot(true);
    timeLimit_->setSingleShot(true);
    connect(waitTimer_, &QTimer::timeout, this, [this] { Send(); });
    connect(timeLimit_, &QTimer::timeout, this, [this] {
        LookupOutcome outcome;
        outcome.kind = LookupOutcome::Kind::TimedOut;
        Finish(std::move(outcome));
    });
}

TTitleLookup::~TTitleLookup() {
    Cancel();
}

QString TTitleLookup::RequestUrl(const QString& server, const std::string& discId) {
    QString base = server;
    while (base.endsWith('/')) {
        base.chop(1);
    }
    return base + "/ws/2/discid/" + QString::fromStdString(discId) +
           "?inc=artist-credits+recordings&cdstubs=no&fmt=json";
}

void TTitleLookup::Start(const QString& server, const std::string& discId,
                         std::function<void(const LookupOutcome&)> done) {
    Cancel();
    url_ = RequestUrl(server, discId);
    discId_ = discId;
    done_ = std::move(done);
    const auto since = std::chrono::steady_clock::now() - lastRequest;
    if (lastRequest.time_since_epoch().count() != 0 && since < kRequestSpacing) {
        waitTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(kRequestSpacing - since));
    } else {
        Send();
    }
}

void TTitleLookup::Send() {
    lastRequest = std::chrono::steady_clock::now();
    QNetworkRequest request{QUrl(url_)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setRawHeader("Accept", "application/json");
    // Over HTTPS Qt checks the server against the system's certificates.
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, [this] { ReplyFinished(); });
    timeLimit_->start(kTimeLimit);
}

void TTitleLookup::ReplyFinished() {
    QNetworkReply* reply = reply_;
    LookupOutcome outcome;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() == 404) {
        outcome.kind = LookupOutcome::Kind::NoMatch;
    } else if (status.isValid() && status.toInt() != 200) {
        outcome.reason = "HTTP " + QString::number(status.toInt());
    } else if (reply->error() != QNetworkReply::NoError) {
        outcome.reason = Text("接続できません");
        std::fprintf(stderr, "lintel: look-up at %s: %s\n", url_.toUtf8().constData(),
                     reply->errorString().toUtf8().constData());
    } else {
        const QByteArray body = reply->readAll();
        DiscIdReply read =
            ReadDiscIdReply(std::string_view(body.constData(), body.size()), discId_);
        switch (read.kind) {
            case DiscIdReply::Kind::Releases:
                outcome.kind = LookupOutcome::Kind::Found;
                outcome.releases = std::move(read.releases);
                break;
            case DiscIdReply::Kind::NoMatch:
                outcome.kind = LookupOutcome::Kind::NoMatch;
                break;
            case DiscIdReply::Kind::Malformed:
                outcome.reason = Text("応答を読めません");
                break;
        }
    }
    Finish(std::move(outcome));
}

void TTitleLookup::Finish(LookupOutcome outcome) {
    std::function<void(const LookupOutcome&)> done = std::move(done_);
    Cancel();
    if (done) {
        done(outcome);
    }
}

void TTitleLookup::Cancel() {
    done_ = nullptr;
    waitTimer_->stop();
    timeLimit_->stop();
    if (reply_ != nullptr) {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

}  // namespace lintel
