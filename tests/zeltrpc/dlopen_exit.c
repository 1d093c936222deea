/* Loads the library named by the first argument with dlopen, connects to
 * the local sign service and returns from main without unloading it. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 3;
  }
  uint32_t (*connect)(const char*) = (uint32_t(*)(const char*))dlsym(lib, "zeltConnectSign");
  if (!connect) return 4;
  uint32_t status = connect(".");
  if (status != 0) {
    fprintf(stderr, "connect failed: %u\n", (unsigned)status);
    return 5;
  }
  return 0;
}
