/* c_config SOCKDIR: the configuration calls from plain C against a signsim
 * process listening in SOCKDIR. Each setting wins over its environment
 * variable while set and gives way to it when cleared; values out of range
 * are 87; setting while other threads connect is safe. Prints what failed
 * and exits 1, or exits 0. */
#define _POSIX_C_SOURCE 200809L
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>
#include <zeltrpc.h>

static int g_failed = 0;

#define EXPECT(cond)                                        \
  do {                                                      \
    if (!(cond)) {                                          \
      printf("c_config:%d: failed: %s\n", __LINE__, #cond); \
      g_failed = 1;                                         \
    }                                                       \
  } while (0)

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void writeFile(const char* path, const char* text) {
  FILE* f = fopen(path, "w");
  if (f) {
    fputs(text, f);
    fclose(f);
  }
  chmod(path, 0600);
}

static const char* g_sockdir;

static void* flipSettings(void* arg) {
  int i;
  (void)arg;
  for (i = 0; i < 2000; ++i) {
    zeltSetSocketDir(i % 2 ? g_sockdir : "/nonexistent/zeltrpc-config");
    zeltSetAuthFile(i % 3 ? "/nonexistent/auth" : NULL);
    zeltSetTimeout((uint32_t)(i % 5) * 1000);
  }
  return NULL;
}

int main(int argc, char** argv) {
  char work[] = "/tmp/zeltrpc-config-XXXXXX";
  char path[5000];
  struct sockaddr_un un;
  struct sockaddr_in in;
  socklen_t inLength = sizeof in;
  int silent, smb, i;
  double start, took;
  pthread_t threads[2];
  struct pollfd p;

  if (argc != 2 || !mkdtemp(work)) return 2;
  g_sockdir = argv[1];

  /* Out of range: 87, nothing changes. */
  memset(path, 'a', sizeof path - 1);
  path[sizeof path - 1] = '\0';
  EXPECT(zeltSetTimeout(86400001u) == 87);
  EXPECT(zeltSetSmbPort(65536u) == 87);
  EXPECT(zeltSetAuthFile("") == 87);
  EXPECT(zeltSetSocketDir("") == 87);
  EXPECT(zeltSetSocketDir(path) == 87);

  /* The socket folder: the setting wins over ZELTRPC_DIR, and cleared the
   * environment counts again. */
  setenv("ZELTRPC_DIR", "/nonexistent/zeltrpc-config", 1);
  EXPECT(zeltConnectSign(".") == 1722);
  EXPECT(zeltSetSocketDir(g_sockdir) == 0);
  EXPECT(zeltConnectSign(".") == 0);
  EXPECT(zeltPing() == 0);
  EXPECT(zeltSetSocketDir(NULL) == 0);
  EXPECT(zeltConnectSign(".") == 1722);

  /* The time-out: a service that never answers the bind holds a connect for
   * the setting's 300 ms, not the environment's 20 s. */
  setenv("ZELTRPC_TIMEOUT_MS", "20000", 1);
  snprintf(path, sizeof path, "%s/zeltrpc", work);
  silent = socket(AF_UNIX, SOCK_STREAM, 0);
  memset(&un, 0, sizeof un);
  un.sun_family = AF_UNIX;
  strcpy(un.sun_path, path);
  EXPECT(bind(silent, (struct sockaddr*)&un, sizeof un) == 0 && listen(silent, 4) == 0);
  EXPECT(zeltSetSocketDir(work) == 0);
  EXPECT(zeltSetTimeout(300) == 0);
  start = now();
  EXPECT(zeltConnectSign(".") == 1722);
  took = now() - start;
  EXPECT(took >= 0.25 && took < 5.0);
  close(silent);
  unlink(path);
  EXPECT(zeltSetSocketDir(NULL) == 0);

  /* The credentials file and the SMB port: a file that names no user is
   * refused (5) before any connection; a usable one gets as far as the
   * port set, where a listener that never answers takes the connection. */
  setenv("KRB5CCNAME", "FILE:/nonexistent/ticket-cache", 1);
  setenv("ZELTRPC_AUTH_FILE", "/nonexistent/auth", 1);
  setenv("ZELTRPC_SMB_PORT", "1", 1);
  snprintf(path, sizeof path, "%s/empty-auth", work);
  writeFile(path, "domain = VENUE\n");
  EXPECT(zeltSetAuthFile(path) == 0);
  EXPECT(zeltConnectSign("127.0.0.1") == 5);
  snprintf(path, sizeof path, "%s/auth", work);
  writeFile(path, "username = op\npassword = not-used\n");
  EXPECT(zeltSetAuthFile(path) == 0);
  smb = socket(AF_INET, SOCK_STREAM, 0);
  memset(&in, 0, sizeof in);
  in.sin_family = AF_INET;
  in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT(bind(smb, (struct sockaddr*)&in, sizeof in) == 0 && listen(smb, 4) == 0);
  EXPECT(getsockname(smb, (struct sockaddr*)&in, &inLength) == 0);
  EXPECT(zeltSetSmbPort(ntohs(in.sin_port)) == 0);
  EXPECT(zeltConnectSign("127.0.0.1") != 0);
  p.fd = smb;
  p.events = POLLIN;
  p.revents = 0;
  EXPECT(poll(&p, 1, 0) == 1); /* the library connected to the port set */
  close(smb);
  unlink(path);
  snprintf(path, sizeof path, "%s/empty-auth", work);
  unlink(path);
  rmdir(work);
  EXPECT(zeltSetSmbPort(0) == 0 && zeltSetAuthFile(NULL) == 0);

  /* Settings changed on other threads while this one connects. */
  EXPECT(zeltSetTimeout(0) == 0);
  for (i = 0; i < 2; ++i) pthread_create(&threads[i], NULL, flipSettings, NULL);
  for (i = 0; i < 50; ++i) {
    uint32_t rc = zeltConnectSign(".");
    EXPECT(rc == 0 || rc == 1722);
  }
  for (i = 0; i < 2; ++i) pthread_join(threads[i], NULL);
  EXPECT(zeltSetSocketDir(g_sockdir) == 0);
  EXPECT(zeltConnectSign(".") == 0);
  zeltDisconnectSign();
  if (!g_failed) printf("c config: ok\n");
  return g_failed;
}
