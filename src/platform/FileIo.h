// Reading a whole file and replacing a file without ever leaving it half-written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Outcome.h"
#include "platform/TempFile.h"

namespace lintel {

/// What became of reading a file.
enum class ReadStatus { Read, Missing, Failed };

/// Reads the whole file at `path` into `contents`. Missing is returned (and `contents`
/// left empty) when the file does not exist; Failed when it exists but cannot be read,
/// with `error` naming the file and the system's reason (code page 932 text).
ReadStatus ReadWholeFile(const std::string& path, std::string& contents, std::string& error);

/// Writes a file anew through a temporary file in the same folder that replaces the old
/// file only once it is complete and flushed to disk, so a failure at any point (a full
/// disk, a read-only folder) leaves the old file as it was. The new file keeps the old
/// one's permissions; a symbolic link is followed and its target replaced.
class AtomicFileWriter {
public:
    /// Size of the buffer that collects the bytes between writes.
    static constexpr std::size_t kBufferSize = 28672;

    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter() = default;  ///< removes the temporary file unless Commit succeeded
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);

    /// Removes what writers of `path` left behind when killed before their Commit: the
    /// regular files of this user named as their temporary files are, beside the file a
    /// write to `path` replaces. Only for a start-up that knows no other process is
    /// writing `path` (it holds the instance guard): a live writer's file would go too.
    /// Returns how many were removed.
    static int RemoveLeftovers(const std::string& path);

    /// Flushes, syncs and renames the temporary file over the target. On failure the
    /// message (code page 932) names the file and the system's reason; the first error of
    /// Write is reported here.
    Outcome Commit();

private:
    void Flush();
    void Fail(const std::string& what, int error);

    std::string path_;
    TempFile temp_;
    std::string buffer_;
    std::optional<std::string> error_;
};

}  // namespace lintel
