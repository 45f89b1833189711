// Serial lines on Linux: a pseudo-terminal of our own (--pty) or an existing
// device (--serial), both raw 115200 8N1.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "comm/posix/OwnedFd.h"
#include "tools/qvsim/Clock.h"
#include "tools/qvsim/Serve.h"
#include "tools/qvsim/posix/Session.h"
#include "tools/qvsim/posix/StopSignal.h"

namespace qvsim {

namespace {

int Fail(const std::string& what) {
    std::fprintf(stderr, "qvsim: %s: %s\n", what.c_str(), std::strerror(errno));
    return 1;
}

// Raw bytes at 115200 8N1. No RTS/CTS: the tool's side may ask for it, but
// the instrument never sends more than one frame ahead, and a three-wire
// cable would otherwise stall every write.
bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

// The symlink to the pty's slave, made on start and removed on every way
// out, but only while it still points at our pty.
class SlaveLink {
public:
    SlaveLink(std::string link, std::string target) : m_link(std::move(link)), m_target(std::move(target)) {}
    ~SlaveLink() {
        if (!m_made) return;
        char buffer[256];
        const ssize_t n = readlink(m_link.c_str(), buffer, sizeof buffer - 1);
        if (n >= 0 && std::string(buffer, static_cast<size_t>(n)) == m_target) unlink(m_link.c_str());
    }
    SlaveLink(const SlaveLink&) = delete;
    SlaveLink& operator=(const SlaveLink&) = delete;

    bool Make() {
        // A stale link from an earlier run is replaced; anything else at
        // that path is left alone.
        struct stat st;
        if (lstat(m_link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(m_link.c_str());
        m_made = symlink(m_target.c_str(), m_link.c_str()) == 0;
        return m_made;
    }

private:
    std::string m_link;
    std::string m_target;
    bool m_made = false;
};

int Serve(Instrument& instrument, int fd, const char* where, const StopSignal& stop, FrameLog& log) {
    std::printf("serial on %s\n", where);
    std::fflush(stdout);
    instrument.Connect(ElapsedMicros());
    const SessionEnd end = RunSession(instrument, fd, false, stop.Fd(), log);
    if (end == SessionEnd::STOPPED) return 0;
    std::fprintf(stderr, "qvsim: the serial line failed\n");
    return 1;
}

}  // namespace

int ServeSerial(Instrument& instrument, const Options& options, FrameLog& log) {
    StopSignal stop;
    if (!stop.Install()) return 1;
    if (options.transport == Transport::SERIAL) {
        OwnedFd device(open(options.serialPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!device) return Fail(options.serialPath);
        if (!MakeRaw(device.get())) return Fail(options.serialPath);
        return Serve(instrument, device.get(), options.serialPath.c_str(), stop, log);
    }

    OwnedFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master) return Fail("posix_openpt");
    if (grantpt(master.get()) != 0 || unlockpt(master.get()) != 0) return Fail("unlockpt");
    char slavePath[128];
    if (ptsname_r(master.get(), slavePath, sizeof slavePath) != 0) return Fail("ptsname");
    // We hold the slave open ourselves: with no slave open the master reads
    // as hung up, and the line settings would be lost between users.
    OwnedFd slave(open(slavePath, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave) return Fail(slavePath);
    if (!MakeRaw(slave.get())) return Fail(slavePath);
    const int flags = fcntl(master.get(), F_GETFL);
    if (flags < 0 || fcntl(master.get(), F_SETFL, flags | O_NONBLOCK) != 0) return Fail("fcntl");
    SlaveLink link(options.serialPath, slavePath);
    if (!link.Make()) return Fail("symlink " + options.serialPath);
    return Serve(instrument, master.get(), slavePath, stop, log);
}

}  // namespace qvsim
