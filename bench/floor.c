/* The floor for the benchmark: open the port, one write of the command, close.
   No lock, no checks, no dialogue. */
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char *argv[]) {
  if (argc < 2) return 2;
  int fd = open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 1;
  int ok = write(fd, "ATH1\r\n", 6) == 6;
  close(fd);
  return ok ? 0 : 1;
}
