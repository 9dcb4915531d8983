/* The floor of the library benchmark: reads every byte of each file named on
 * the command line with read() into one 1 MiB buffer and does nothing else,
 * so that a checker's time can be quoted as a multiple of merely reading the
 * same bytes. Prints nothing; a file that cannot be opened or read is
 * reported on stderr and makes the exit status 1.
 *
 *   cc -O2 -o rawread bench/rawread.c && ./rawread FILE...
 */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#define BUFFER_BYTES (1024 * 1024)

static unsigned char buffer[BUFFER_BYTES];

static int read_all(const char *path) {
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        fprintf(stderr, "rawread: %s: %s\n", path, strerror(errno));
        return 1;
    }
    int status = 0;
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got > 0 || errno == EINTR)
            continue;
        fprintf(stderr, "rawread: %s: %s\n", path, strerror(errno));
        status = 1;
        break;
    }
    close(fd);
    return status;
}

int main(int argc, char **argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i)
        status |= read_all(argv[i]);
    return status;
}
