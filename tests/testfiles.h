// Helpers for the tests that touch files: a fresh folder per test, whole
// files in and out (tempdir.h), and running a step as an unprivileged user.
#ifndef TABRIX_TESTS_TESTFILES_H
#define TABRIX_TESTS_TESTFILES_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "tempdir.h"

inline mode_t FileModeOf(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs step in a child process and returns its exit status, or -1 when it
// did not exit normally.  Unprivileged, the child runs as the user
// "nobody" when the tests run as root (root passes every permission
// check).
inline int RunInChild(const std::function<int()> &step, bool unprivileged = false) {
    pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(120);
        _exit(step());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

inline int RunUnprivileged(const std::function<int()> &step) {
    return RunInChild(step, true);
}

// Number of descriptors this process holds open.
inline int OpenDescriptors() {
    int n = 0;
    for (int fd = 0; fd < 1024; fd++)
        n += fcntl(fd, F_GETFD) != -1;
    return n;
}

// The file layer's fault hook, driven by a plan: the n-th call (from 1)
// of operation op fails, or with op = -1 the n-th operation of any kind.
// Every operation asked is recorded in order.  Installed while alive.
struct FaultPlan {
    int op = -1;
    int n = 0;
    int seen = 0;
    bool exitInstead = false;   // _exit(0) at that operation: a crash there
    std::vector<int> asked;
};
inline FaultPlan faultPlan;

inline int FaultPlanHook(int op) {
    faultPlan.asked.push_back(op);
    if (faultPlan.op != -1 && op != faultPlan.op)
        return 0;
    if (++faultPlan.seen != faultPlan.n)
        return 0;
    if (faultPlan.exitInstead)
        _exit(0);
    return 1;
}

class FaultScope {
public:
    explicit FaultScope(int op = -1, int n = 0, bool exitInstead = false) {
        faultPlan = FaultPlan{op, n, 0, exitInstead, {}};
        FileFaultSet(FaultPlanHook);
    }
    ~FaultScope() { FileFaultSet(nullptr); }
    const std::vector<int> &asked() const { return faultPlan.asked; }
};

#endif
