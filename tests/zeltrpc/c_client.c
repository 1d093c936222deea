/* A client program in plain C, built only against zeltrpc.h and the
 * library: connects to the local sign service, sends a request packet as
 * real-time data, reads a status text and disconnects. */
#include <stdio.h>
#include <string.h>
#include <zeltrpc.h>

int main(void) {
  static const char packet[] =
      "\x16"
      "0"
      "0000000"
      "\x01"
      "001"
      "03"
      "0"
      "00005"
      "C"
      "SCORES  "
      "LEADERS "
      "0000"
      "00120"
      "G"
      "I"
      "V"
      " 7"
      " "
      "\x04"
      "20"
      "\x17";
  char status[256];
  uint32_t size = 0;
  uint32_t rc = zeltConnectSign(".");
  if (rc != 0) {
    printf("connect failed: %u\n", rc);
    return 1;
  }
  rc = zeltSendRealTimeDataPort(0, packet, (uint32_t)strlen(packet));
  if (rc != 0) {
    printf("send failed: %u\n", rc);
    return 1;
  }
  rc = zeltGetStatus("SIGN1", status, (uint32_t)sizeof status, &size);
  if (rc != 0) {
    printf("status failed: %u\n", rc);
    return 1;
  }
  printf("status: %.*s\n", (int)size, status);
  zeltDisconnectSign();
  printf("packet of %u bytes sent\n", (unsigned)strlen(packet));
  return 0;
}
