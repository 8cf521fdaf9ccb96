#pragma once

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

namespace larkspur::platform {

// A descriptor that holds one process, so that signals reach that very process even
// after its pid was given to another. Called through syscall(): this C library's
// header declares them without C linkage.
inline int openPidfd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

inline int signalPidfd(int pidfd, int signal) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

} // namespace larkspur::platform
