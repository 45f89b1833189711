#include "tests/support/SimProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int LINE_WAIT_MS = 10000;
// A report on one line (qvlog --json) may be long; a line never ends past this.
constexpr size_t LINE_MAX = 1 << 20;
constexpr int STOP_WAIT_MS = 5000;

pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd,
            const std::string& errorPath) {
    std::vector<std::string> all(1, program);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.empty() ? "/dev/null" : errorPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits up to `ms` for the child; its exit status, or -1 (still running or
// not exited normally).
int Reap(pid_t& pid, int ms) {
    for (int waited = 0; pid > 0; waited += 5) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (waited >= ms) return -1;
        const timespec pause{0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return -1;
}

}  // namespace

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::string& errorPath) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    m_pid = Spawn(program, args, fds[1], errorPath);
    close(fds[1]);
    m_out = fds[0];
}

SimProcess::~SimProcess() {
    if (m_pid > 0 && Stop() < 0 && m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) close(m_out);
}

std::string SimProcess::FirstLine() {
    if (m_lineRead) return m_line;
    m_lineRead = true;
    m_line = ReadLine();
    return m_line;
}

std::string SimProcess::NextLine() {
    if (!m_lineRead) FirstLine();
    return ReadLine();
}

std::string SimProcess::ReadLine() {
    std::string line;
    char c;
    while (m_out >= 0 && line.size() < LINE_MAX) {
        pollfd p{m_out, POLLIN, 0};
        if (poll(&p, 1, LINE_WAIT_MS) <= 0 || read(m_out, &c, 1) != 1) break;
        if (c == '\n') return line;
        line += c;
    }
    return "";
}

int SimProcess::Port() {
    const std::string prefix = "listening on 127.0.0.1:";
    const std::string line = FirstLine();
    if (line.compare(0, prefix.size(), prefix) != 0) return 0;
    return std::atoi(line.c_str() + prefix.size());
}

std::string SimProcess::SerialPath() {
    const std::string prefix = "serial on ";
    const std::string line = FirstLine();
    return line.compare(0, prefix.size(), prefix) == 0 ? line.substr(prefix.size()) : std::string();
}

int SimProcess::Stop(int signal) {
    if (m_pid <= 0) return -1;
    if (signal != 0) kill(m_pid, signal);
    return Reap(m_pid, STOP_WAIT_MS);
}

bool SimProcess::Send(int signal) { return m_pid > 0 && kill(m_pid, signal) == 0; }

int SimProcess::Run(const std::string& program, const std::vector<std::string>& args) {
    pid_t pid = Spawn(program, args, -1, "");
    if (pid <= 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
