/* Loads the library named by the first argument with dlopen, connects to
 * the local sign service and returns from main without unloading it.
 *
 * dlopen_exit LIBRARY [SERVER STATUS [dlclose]]: connects to SERVER instead,
 * expects STATUS from the connect, then unloads the library when asked and
 * returns 0 (1 when the status differs). */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4 && argc != 5) return 2;
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 3;
  }
  uint32_t (*connect)(const char*) = (uint32_t(*)(const char*))dlsym(lib, "zeltConnectSign");
  if (!connect) return 4;
  const uint32_t expected = argc > 2 ? (uint32_t)strtoul(argv[3], NULL, 10) : 0;
  uint32_t status = connect(argc > 2 ? argv[2] : ".");
  if (status != expected) {
    fprintf(stderr, "connect: %u\n", (unsigned)status);
    return argc > 2 ? 1 : 5;
  }
  if (argc == 5 && strcmp(argv[4], "dlclose") == 0 && dlclose(lib) != 0) return 6;
  return 0;
}
