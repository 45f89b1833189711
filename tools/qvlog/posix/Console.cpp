#include "tools/qvlog/Console.h"

#include <signal.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t interrupted = 0;

void OnSignal(int) { interrupted = 1; }

}  // namespace

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interrupted != 0; }
