/* password_copies SERVER MASKED: counts the plain copies of the password in
 * this process's memory before connecting to SERVER, while connected, after
 * zeltDisconnectSign, and after a second connect and disconnect; prints
 * "before=N connected=N disconnected=N again=N". MASKED is the password with
 * every byte XOR 0x5A, so that neither the arguments nor the search put a
 * plain copy into memory; the library reads the password from its
 * credentials file as usual. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "zeltrpc.h"

static const char* g_masked;
static size_t g_length;

static int matchesAt(const unsigned char* p) {
  for (size_t i = 0; i < g_length; ++i)
    if ((unsigned char)(p[i] ^ 0x5A) != (unsigned char)g_masked[i]) return 0;
  return 1;
}

/* Every readable mapping, read through /proc/self/mem in 1 MiB pieces that
 * overlap by the password's length. */
static int copies(void) {
  static unsigned char piece[1 << 20];
  FILE* maps = fopen("/proc/self/maps", "r");
  int mem = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  if (!maps || mem < 0) return -1;
  char line[4096];
  int found = 0;
  while (fgets(line, sizeof line, maps)) {
    unsigned long low, high;
    char perms[5];
    if (sscanf(line, "%lx-%lx %4s", &low, &high, perms) != 3 || perms[0] != 'r') continue;
    if (strstr(line, "[vvar]") || strstr(line, "[vsyscall]")) continue;
    /* A sanitizer's shadow memory is terabytes of mapping that holds no
     * allocation; reading it would take hours. No heap of this program comes
     * near 1 GiB in one mapping. */
    if (high - low > (1UL << 30)) continue;
    for (unsigned long at = low; at < high;) {
      const size_t want = high - at < sizeof piece ? high - at : sizeof piece;
      const ssize_t got = pread(mem, piece, want, (off_t)at);
      if (got <= 0) break;
      const int last = (size_t)got < want || at + want >= high;
      /* The copies that start in this piece and not in the next. */
      const size_t starts = last ? (size_t)got : (size_t)got - g_length + 1;
      for (size_t i = 0; i < starts && i + g_length <= (size_t)got; ++i)
        found += matchesAt(piece + i);
      if (last) break;
      at += starts;
    }
  }
  close(mem);
  fclose(maps);
  return found;
}

int main(int argc, char** argv) {
  if (argc != 3 || argv[2][0] == '\0') return 2;
  g_masked = argv[2];
  g_length = strlen(argv[2]);
  const int before = copies();
  uint32_t status = zeltConnectSign(argv[1]);
  if (status != 0) {
    fprintf(stderr, "connect: %u\n", (unsigned)status);
    return 1;
  }
  const int connected = copies();
  zeltDisconnectSign();
  const int disconnected = copies();
  status = zeltConnectSign(argv[1]);
  zeltDisconnectSign();
  const int again = copies();
  printf("before=%d connected=%d disconnected=%d again=%d\n", before, connected, disconnected,
         again);
  return status == 0 ? 0 : 1;
}
