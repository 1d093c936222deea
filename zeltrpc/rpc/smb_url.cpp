#include "zeltrpc/rpc/smb_url.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

#include "zeltrpc/rpc/settings.h"
#include "zeltrpc/rpc/status.h"

namespace zeltrpc::rpc {

uint32_t smbPipeName(const std::string& endpoint, std::string& pipe) {
  std::string name = endpoint;
  if (name.size() > 6 && strncasecmp(name.c_str(), "\\pipe\\", 6) == 0) name.erase(0, 6);
  if (name.empty() || name.size() > 255 || name.find_first_of("/\\:*?\"<>|") != std::string::npos ||
      name.find('\0') != std::string::npos)
    return kInvalidEndpointFormat;
  pipe = name;
  return kOk;
}

bool smbUrlHost(const std::string& host, std::string& out) {
  std::string v6 = host;
  if (v6.size() > 2 && v6.front() == '[' && v6.back() == ']') v6 = v6.substr(1, v6.size() - 2);
  in6_addr addr{};
  if (::inet_pton(AF_INET6, v6.c_str(), &addr) == 1) {
    // libsmbclient's URLs take no IPv6 literal, but Samba resolves the
    // literal's name form: ':' as '-', a zone's '%' as 's', and the domain
    // ipv6-literal.net.
    out.clear();
    for (char c : v6) out += c == ':' ? '-' : c == '%' ? 's' : c;
    out += ".ipv6-literal.net";
    return true;
  }
  if (host.empty() || host.size() > 255) return false;
  for (unsigned char c : host)
    if (c <= ' ' || c == 0x7F || std::strchr("/\\@:;?#%[]\"'<>|*=,&+", c)) return false;
  out = host;
  return true;
}

uint16_t smbPort() {
  if (auto set = smbPortSetting()) return *set;
  if (const char* p = std::getenv("ZELTRPC_SMB_PORT"); p && *p) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (*end == '\0' && v > 0 && v <= 65535) return static_cast<uint16_t>(v);
  }
  return 445;
}

}  // namespace zeltrpc::rpc
