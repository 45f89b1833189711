#include "tools/qvlog/Console.h"

#include <atomic>

#include <errno.h>
#include <signal.h>
#include <unistd.h>

namespace {

// Read by every job of a sync: an atomic that is lock-free is also safe to
// set from a signal handler.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnSignal(int) { interrupted = true; }

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

ConsoleOutput::ConsoleOutput() : m_errTerminal(isatty(STDERR_FILENO) == 1) {}

void ConsoleOutput::Out(const std::string& utf8) { WriteAll(STDOUT_FILENO, utf8); }
void ConsoleOutput::Err(const std::string& utf8) { WriteAll(STDERR_FILENO, utf8); }

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interrupted.load(); }
