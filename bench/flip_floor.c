/* The physical floor of the job: open the file, read byte 8, write its
 * opposite, sync, close; nothing printed, nothing asked. */
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  unsigned char byte;
  int fd;
  if (argc != 2 || (fd = open(argv[1], O_RDWR)) < 0) return 1;
  if (pread(fd, &byte, 1, 8) != 1 || byte > 1) return 1;
  byte = (unsigned char)!byte;
  if (pwrite(fd, &byte, 1, 8) != 1 || fsync(fd) != 0) return 1;
  return close(fd) == 0 ? 0 : 1;
}
