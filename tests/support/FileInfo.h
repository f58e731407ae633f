// What a test looks at on disk after a file operation: permissions and folder contents.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

namespace lintel::test {

/// The permission bits (with set-id and sticky bits) of `path`, links followed.
inline mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

/// The names in `folder`, so a test sees that nothing (no temporary file) was left over.
inline std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

}  // namespace lintel::test
