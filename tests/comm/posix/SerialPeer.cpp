// The instrument's end of a pseudo-terminal for the Windows serial test under
// Wine: creates the pseudo-terminal, links the given path (a COM port in the
// Wine prefix) to its terminal end, prints "ready", then answers. A connect
// request AA 10 20 00 00 DB gets 55 10 00 00 00 66; every other byte is
// echoed. Runs until killed.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace {

const unsigned char CONNECT[6] = {0xAA, 0x10, 0x20, 0x00, 0x00, 0xDB};
const unsigned char ANSWER[6] = {0x55, 0x10, 0x00, 0x00, 0x00, 0x66};

bool SendAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s LINK\n", argv[0]);
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return perror("pty"), 1;
    char terminal[128];
    if (ptsname_r(master, terminal, sizeof terminal) != 0) return perror("ptsname"), 1;
    // Held open for the whole run, so that the test's closing the port does
    // not hang the pseudo-terminal up between its cases.
    const int held = open(terminal, O_RDWR | O_NOCTTY);
    termios raw{};
    if (held < 0 || tcgetattr(held, &raw) != 0) return perror(terminal), 1;
    cfmakeraw(&raw);
    tcsetattr(held, TCSANOW, &raw);
    unlink(argv[1]);
    if (symlink(terminal, argv[1]) != 0) return perror(argv[1]), 1;
    printf("ready %s\n", terminal);
    fflush(stdout);

    unsigned char frame[sizeof CONNECT];
    size_t framed = 0;  // bytes of a possible connect request seen so far
    unsigned char chunk[4096];
    unsigned char echo[sizeof chunk + sizeof frame];
    for (;;) {
        pollfd entry{master, POLLIN, 0};
        if (poll(&entry, 1, -1) < 0 && errno != EINTR) return perror("poll"), 1;
        const ssize_t got = read(master, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EIO)) {
            if (errno == EIO) usleep(10000);  // no terminal end open for a moment
            continue;
        }
        if (got <= 0) return 0;
        size_t echoed = 0;
        for (ssize_t i = 0; i < got; ++i) {
            const unsigned char byte = chunk[i];
            if (byte == CONNECT[framed]) {
                frame[framed++] = byte;
                if (framed == sizeof CONNECT) {
                    framed = 0;
                    if (!SendAll(master, echo, echoed) || !SendAll(master, ANSWER, sizeof ANSWER))
                        return 1;
                    echoed = 0;
                }
                continue;
            }
            memcpy(echo + echoed, frame, framed);
            echoed += framed;
            framed = 0;
            if (byte == CONNECT[0]) {
                frame[framed++] = byte;
            } else {
                echo[echoed++] = byte;
            }
        }
        if (!SendAll(master, echo, echoed)) return 1;
    }
}
