// A large lintel.ini written back over and over by a program that is killed with SIGKILL
// at random moments: the file is always one whole version, and the next start leaves no
// temporary file behind, while files that only look like one stay.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "titles/IniStore.h"

namespace lintel {
namespace {

using test::ReadBytes;
using test::TempDir;

// About 0.8 MB: 2,000 discs of 15 tracks.
std::string LargeIni() {
    std::string text = "[Config]\r\nDrive=V:\r\n\r\n";
    for (int disc = 0; disc < 2000; ++disc) {
        text += "[" + std::to_string(0x10000000 + disc * 7919) + "]\r\nEntryType=1\r\n";
        text += "artist=Artist " + std::to_string(disc) + "\r\ntitle=\x83\x41\x83\x43 Title\r\n";
        text += "numtracks=15\r\n";
        for (int t = 0; t < 15; ++t)
            text += std::to_string(t) + "=Track name " + std::to_string(t) + "\r\n";
        text += "order=\r\n\r\n";
    }
    return text;
}

bool IsWriterTemp(const std::string& name) {
    return name.starts_with("lintel.ini.tmp-") && name.size() == 21 &&
           name != "lintel.ini.tmp-Zz98Yy";
}

std::set<std::string> Names(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

struct WriterRun {
    std::string output;               // what the writer reported before it was killed
    std::set<std::string> leftovers;  // its temporary files after the kill
    bool stale = false;               // one of the run before was still there at "ready"
};

// Starts the writer on `file`, kills it `delay` after it reported "ready" and returns
// what it said and what it left.
WriterRun StartAndKill(const std::string& file, std::chrono::microseconds delay,
                       const std::set<std::string>& before) {
    const std::filesystem::path dir = std::filesystem::path(file).parent_path();
    int out[2];
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(LINTEL_INI_WRITE_LOOP, LINTEL_INI_WRITE_LOOP, file.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    WriterRun run;
    char buffer[4096];
    while (run.output.find("ready\n") == std::string::npos) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    // Its own write-back may have begun, under a new name.
    for (const std::string& name : Names(dir)) run.stale |= before.contains(name);
    std::this_thread::sleep_for(delay);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << run.output;
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    std::erase_if(run.leftovers = Names(dir),
                  [](const std::string& n) { return !IsWriterTemp(n); });
    return run;
}

// The count of the last complete write-back the writer reported, else `before`.
int LastReported(const std::string& output, int before) {
    const std::size_t end = output.rfind('\n');
    const std::size_t start = output.rfind('\n', end - 1) + 1;
    const std::string line = output.substr(start, end - start);
    return line == "ready" ? before : std::stoi(line);
}

TEST(IniStoreCrashTest, KilledWriteBacksLeaveTheOldOrTheNewFileAndNoTemporaryFile) {
    // A kill cannot undo what the kernel already holds, so the disc's speed adds nothing:
    // in memory, where there is such a folder, many write-backs fit in a few seconds and
    // the kills land in every step of them.
    const bool inMemory = std::filesystem::is_directory("/dev/shm");
    std::optional<test::ScopedEnv> tmp;
    if (inMemory)
        tmp.emplace("TMPDIR", "/dev/shm");
    TempDir dir;
    const std::string file = dir.Write("lintel.ini", LargeIni());
    const std::string original = ReadBytes(file);
    // Names a write-back never leaves, which a start must therefore leave alone.
    for (const char* name : {"lintel.ini.backup", "lintel.ini.tmp-12345", "other.ini.tmp-Ab12Cd"})
        dir.Write(name, "mine");
    std::filesystem::create_symlink("lintel.ini.backup", dir.File("lintel.ini.tmp-Zz98Yy"));
    const std::set<std::string> kept = Names(dir.Path());

    TIniStore model(file);  // the bytes of each write, as the writer makes them
    auto version = [&](int writes) {
        model.WriteInteger("Config", "Writes", writes);
        return writes == 0 ? original : model.Serialize();
    };

    std::mt19937 rng(20261208);
    int onDisk = 0;
    int killedMidWrite = 0;
    std::set<std::string> leftovers;
    for (int round = 0; round < 200; ++round) {
        const WriterRun run = StartAndKill(
            file, std::chrono::microseconds(rng() % (inMemory ? 5000 : 15000)), leftovers);
        ASSERT_NE(run.output.find("ready\n"), std::string::npos) << "round " << round;
        EXPECT_FALSE(run.stale) << "round " << round << ": a leftover survived the start";
        leftovers = run.leftovers;
        killedMidWrite += leftovers.empty() ? 0 : 1;
        const int reported = LastReported(run.output, onDisk);
        // The reported write is on disk, and at most one more finished unreported.
        const std::string bytes = ReadBytes(file);
        if (bytes == version(reported + 1))
            onDisk = reported + 1;
        else if (bytes == version(reported))
            onDisk = reported;
        else
            FAIL() << "round " << round << ": lintel.ini is neither write " << reported
                   << " nor the next one (" << bytes.size() << " bytes)";
    }
    // Most kills land inside a write-back, or the test proves nothing.
    EXPECT_GE(killedMidWrite, 50);

    // The starts removed only what write-backs left: the user's look-alikes stay.
    std::set<std::string> names = Names(dir.Path());
    std::erase_if(names, IsWriterTemp);
    EXPECT_EQ(names, kept);
}

}  // namespace
}  // namespace lintel
