#include "app/process_guard.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

static void fillClosedDescriptor(int fd)
{
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
        return;
    }
    // open() takes the lowest free number: this one, as the lower ones are
    // open by now.  Read and write, as stdin and the output streams need.
    int opened = open("/dev/null", O_RDWR);
    if (opened != fd && opened >= 0) {
        close(opened);  // not this number after all: leave it to the system
    }
}

void guardProcess()
{
    for (int fd = 0; fd <= 2; ++fd) {
        fillClosedDescriptor(fd);
    }
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}
