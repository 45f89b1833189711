#include "tools/qvsim/posix/StopSignal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qvsim {

namespace {

volatile sig_atomic_t g_writeFd = -1;

void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (g_writeFd >= 0) {
        // A full pipe already holds a wake-up; nothing is lost.
        ssize_t ignored = write(g_writeFd, &byte, 1);
        (void)ignored;
    }
    errno = saved;
}

}  // namespace

bool StopSignal::Install() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "qvsim: pipe: %s\n", std::strerror(errno));
        return false;
    }
    m_read = fds[0];
    g_writeFd = fds[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &m_oldPipe);
    m_installed = true;
    return true;
}

void StopSignal::Raise() { OnStopSignal(SIGTERM); }

StopSignal::~StopSignal() {
    if (m_installed) {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
        sigaction(SIGPIPE, &m_oldPipe, nullptr);
    }
    if (m_read >= 0) {
        const int writeFd = g_writeFd;
        g_writeFd = -1;
        close(writeFd);
        close(m_read);
    }
}

}  // namespace qvsim
