#include "lookup/MusicBrainzReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace lintel {
namespace {

std::string Utf8(const QJsonValue& value) {
    return value.toString().toStdString();
}

// The artist credit as the service shows it: every name followed by its join phrase.
std::string ArtistCredit(const QJsonArray& credit) {
    std::string artist;
    for (const QJsonValue& part : credit) {
        const QJsonObject name = part.toObject();
        artist += Utf8(name.value("name")) + Utf8(name.value("joinphrase"));
    }
    return artist;
}

bool CarriesDisc(const QJsonObject& medium, const QString& discId) {
    for (const QJsonValue& disc : medium.value("discs").toArray()) {
        if (disc.toObject().value("id").toString() == discId) {
            return true;
        }
    }
    return false;
}

}  // namespace

DiscIdReply ReadDiscIdReply(std::string_view json, std::string_view discId) {
    DiscIdReply reply;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(json.data(), static_cast<qsizetype>(json.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return reply;
    }
    const QJsonObject root = document.object();
    const QJsonValue releases = root.value("releases");
    if (!releases.isUndefined() && !releases.isArray()) {
        return reply;
    }
    const QString id = QString::fromUtf8(discId.data(), static_cast<qsizetype>(discId.size()));
    for (const QJsonValue& value : releases.toArray()) {
        const QJsonObject release = value.toObject();
        for (const QJsonValue& mediumValue : release.value("media").toArray()) {
            const QJsonObject medium = mediumValue.toObject();
            if (!CarriesDisc(medium, id)) {
                continue;
            }
            FoundRelease found;
            found.title = Utf8(release.value("title"));
            found.artist = ArtistCredit(release.value("artist-credit").toArray());
            found.year = release.value("date").toString().left(4).toStdString();
            found.country = Utf8(release.value("country"));
            const QJsonArray tracks = medium.value("tracks").toArray();
            for (const QJsonValue& track : tracks) {
                found.trackTitles.push_back(Utf8(track.toObject().value("title")));
            }
            found.trackCount = medium.value("track-count").toInt(static_cast<int>(tracks.size()));
            reply.releases.push_back(std::move(found));
            break;  // a release counts once, however many of its media carry the disc
        }
    }
    reply.kind = reply.releases.empty() ? DiscIdReply::Kind::NoMatch : DiscIdReply::Kind::Releases;
    return reply;
}

}  // namespace lintel
