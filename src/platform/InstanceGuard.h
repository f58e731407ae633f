// The guard that lets only one copy of the program run per executable file name.
//
// The guard is an exclusive lock on a file named after the program in a private folder.
// The kernel drops the lock with the last descriptor of the process, so the guard is
// released when the program ends in any way, a crash or SIGKILL included, and a stale
// lock file never keeps the next copy out.
#pragma once

#include <string>

namespace lintel {

class InstanceGuard {
public:
    enum class Status {
        Acquired,        ///< this process is the one copy; the guard is held until released
        AnotherRunning,  ///< another process holds the guard of that name
        Failed,          ///< the guard could not be taken; Error() tells why
    };

    /// Takes the guard `name` (a file name, without folder) with its lock file in
    /// `folder`. The lock file is `folder`/`name`.lock, opened without following a
    /// symbolic link and never inherited by programs this process starts. A name that is
    /// empty, "." or "..", or holds "/" fails, as does a folder that others may write to.
    [[nodiscard]] static InstanceGuard Acquire(const std::string& name, const std::string& folder);

    /// Takes the guard named after the running executable's file name, with its lock
    /// file in RuntimeFolder().
    [[nodiscard]] static InstanceGuard AcquireForProgram();

    InstanceGuard(InstanceGuard&& other) noexcept;
    InstanceGuard& operator=(InstanceGuard&& other) noexcept;
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;
    /// Releases the guard if held. The lock file stays: removing it could let a third
    /// copy lock a new file while a second one still holds the old one.
    ~InstanceGuard();

    [[nodiscard]] Status GetStatus() const { return status_; }
    [[nodiscard]] bool Held() const { return status_ == Status::Acquired; }
    /// Why the guard failed (code page 932); empty unless the status is Failed.
    [[nodiscard]] const std::string& Error() const { return error_; }
    /// The lock file's path (empty when the name was refused).
    [[nodiscard]] const std::string& LockPath() const { return path_; }

    /// Releases the guard now; the status becomes Failed with an empty error.
    void Release();

private:
    InstanceGuard(Status status, std::string path, std::string error, int fd);

    Status status_;
    std::string path_;
    std::string error_;
    int fd_;
};

}  // namespace lintel
