// A second program for the instance guard tests: takes the guard in its own process.
//
//   instance_guard_probe FOLDER NAME        exit 0 acquired, 1 another copy runs, 2 failed
//   instance_guard_probe FOLDER NAME hold   as above, but when acquired prints "held" and
//                                           keeps the guard until it is killed
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/InstanceGuard.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 3;
    }
    lintel::InstanceGuard guard = lintel::InstanceGuard::Acquire(argv[2], argv[1]);
    switch (guard.GetStatus()) {
        case lintel::InstanceGuard::Status::Acquired:
            break;
        case lintel::InstanceGuard::Status::AnotherRunning:
            return 1;
        case lintel::InstanceGuard::Status::Failed:
            return 2;
    }
    if (argc > 3 && std::strcmp(argv[3], "hold") == 0) {
        std::printf("held\n");
        std::fflush(stdout);
        for (;;) {
            pause();
        }
    }
    return 0;
}
