/* The least C client that makes ondra's serial exchange: open the line raw at
 * 9600 8N1 with RTS/CTS, write the four FG503 commands, close. The baseline
 * that a full ondra run is measured against. */
#include <fcntl.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char **argv) {
  static const char *const cmds[] = {"SIN\r\n", "1000.000000HZ\r\n",
                                     "1.000000V\r\n", "0.500000Vof\r\n"};
  struct termios t;
  int fd;
  unsigned i;
  if (argc != 2) return 2;
  fd = open(argv[1], O_RDWR | O_NOCTTY);
  if (fd < 0 || tcgetattr(fd, &t) != 0) return 1;
  cfmakeraw(&t);
  cfsetspeed(&t, B9600);
  t.c_cflag |= CLOCAL | CREAD | CRTSCTS;
  if (tcsetattr(fd, TCSANOW, &t) != 0) return 1;
  for (i = 0; i < sizeof cmds / sizeof cmds[0]; i++)
    if (write(fd, cmds[i], strlen(cmds[i])) < 0) return 1;
  return close(fd) != 0;
}
