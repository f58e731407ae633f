#include "titles/KnownCD.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/Cp932.h"
#include "platform/SystemError.h"

namespace lintel {
namespace {

constexpr std::size_t kTextBytes = 64;
constexpr std::size_t kTitleOffset = 6;
constexpr std::size_t kArtistOffset = 82;
constexpr std::size_t kRemarkOffset = 65;

std::string Problem(const std::string& path, std::string_view utf8) {
    return cp932::FromUtf8(path).bytes + ": " + cp932::Literal(utf8);
}

// Reads a whole regular file of at most kKnownCdMaxFileSize bytes; on failure `error`
// says why. Another program's folder may hold anything under these names: a FIFO would
// block the opening for ever and a device would never end, so only a regular file is
// read, and never more than the cap, however the file changes while it is read.
bool ReadSmallFile(const std::string& path, std::string& contents, std::string& error) {
    contents.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ENOENT ? Problem(path, "ファイルがありません")
                                : SystemErrorMessage("Cannot read", path, errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        error = Problem(path, "通常のファイルではありません");
        return false;
    }
    // The size is only a hint: the file may grow while it is read. One byte beyond the
    // cap tells a file that is too large.
    constexpr std::size_t kLimit = kKnownCdMaxFileSize + 1;
    contents.resize(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kLimit - 1) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == contents.size()) {
            if (used == kLimit)
                break;
            contents.resize(std::min(used * 2 + 65536, kLimit));
        }
        const ssize_t n = read(fd, contents.data() + used, contents.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = SystemErrorMessage("Cannot read", path, errno);
            close(fd);
            contents.clear();
            return false;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    close(fd);
    contents.resize(used);
    if (used > kKnownCdMaxFileSize) {
        contents.clear();
        error = Problem(path, "ファイルが大きすぎます");
        return false;
    }
    return true;
}

}  // namespace

std::string KnownCdText(std::string_view bytes, std::size_t offset) {
    if (offset >= bytes.size()) {
        return {};
    }
    const std::size_t length =
        std::min<std::size_t>(static_cast<unsigned char>(bytes[offset]), kTextBytes);
    return std::string(bytes.substr(offset + 1, length));
}

int KnownCdTrackCount(std::uintmax_t size) {
    return static_cast<int>(size / kKnownCdRecordSize);
}

std::vector<TKnownCdTrack> KnownCdTracks(std::string_view bytes) {
    std::vector<TKnownCdTrack> tracks;
    const int count = KnownCdTrackCount(bytes.size());
    tracks.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        // The fields end 130 bytes into a record, so even a file without the last record's
        // tail holds them whole.
        const std::size_t record = kKnownCdHeaderSize + kKnownCdRecordSize * std::size_t(i);
        tracks.push_back({KnownCdText(bytes, record), KnownCdText(bytes, record + kRemarkOffset)});
    }
    return tracks;
}

std::string KnownCdTrackPath(const std::string& indexPath) {
    const std::size_t dot = indexPath.rfind('.');
    return (dot == std::string::npos ? indexPath : indexPath.substr(0, dot)) + ".KCD";
}

TKnownCdRead ReadKnownCdDisc(const std::string& indexPath) {
    TKnownCdRead result;
    std::string index;
    if (!ReadSmallFile(indexPath, index, result.error)) {
        return result;
    }
    if (index.size() < kKnownCdIndexSize) {
        result.error = Problem(indexPath, "タイトルとアーティストを読むには短すぎます");
        return result;
    }
    std::string tracks;
    if (!ReadSmallFile(KnownCdTrackPath(indexPath), tracks, result.error)) {
        return result;
    }
    result.disc.title = KnownCdText(index, kTitleOffset);
    result.disc.artist = KnownCdText(index, kArtistOffset);
    result.disc.tracks = KnownCdTracks(tracks);
    return result;
}

std::vector<std::string> KnownCdIndexFiles(const std::string& folder, std::string& error) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        std::error_code typeError;
        if (path.extension() == ".KIX" && it->is_regular_file(typeError)) {
            names.push_back(path.filename().string());
        }
    }
    if (ec) {
        error = cp932::FromUtf8(folder + ": " + ec.message()).bytes;
        names.clear();
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace lintel
