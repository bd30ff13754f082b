// phonara-socket-activate SOCKET PROGRAM [ARGS...]
//
// Binds and listens on the Unix socket SOCKET, then replaces itself with
// PROGRAM, handing the socket over the way systemd's socket activation does:
// as file descriptor 3 with LISTEN_FDS=1 and LISTEN_PID set to the program's
// process id (ours, since exec keeps it). scripts/with-virtual-card uses it to
// start a private pcscd on a socket of its own choosing.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOCKET PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const char* path = argv[1];
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof address.sun_path) {
        std::fprintf(stderr, "%s: socket path too long\n", argv[0]);
        return 1;
    }
    std::strcpy(address.sun_path, path);

    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        std::perror("socket");
        return 1;
    }
    unlink(path);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], path, std::strerror(errno));
        return 1;
    }
    if (fd != 3) {
        if (dup2(fd, 3) < 0) {
            std::perror("dup2");
            return 1;
        }
        close(fd);
    }
    setenv("LISTEN_FDS", "1", 1);
    setenv("LISTEN_PID", std::to_string(getpid()).c_str(), 1);
    unsetenv("LISTEN_FDNAMES");
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[2], std::strerror(errno));
    return 127;
}
