#include "zeltrpc/sign_interface.h"

namespace zeltrpc {

const rpc::InterfaceSpec& signInterface() {
  static const std::pair<std::string_view, std::string_view> kEndpoints[] = {
      {"ncalrpc", "zeltrpc"}, {"ncacn_np", "\\pipe\\zeltrpc"}, {"ncacn_nb_nb", "250"}};
  static const rpc::InterfaceSpec iface{
      {*rpc::parseUuid("c3e3e6e0-4f8a-11cf-8e44-00a024035616"), 1, 0}, kEndpoints};
  return iface;
}

}  // namespace zeltrpc
