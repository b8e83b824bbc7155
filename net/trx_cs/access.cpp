// Who may connect: allow lists of networks ("10.0.0.0/8"), matched against
// the address of each new client before it may send a byte.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

#include "../../AuxFunct/text.h"
#include "server.h"

namespace trx {
namespace {

Network Make(int family, std::string_view address, int prefix) {
  Network n;
  n.family = family;
  n.prefix = prefix;
  const std::string text(address);
  ::inet_pton(family, text.c_str(), n.address.data());
  return n;
}

// The address bytes of a peer, IPv4-mapped IPv6 addresses taken as IPv4.
int PeerBytes(const sockaddr_storage& peer, std::array<uint8_t, 16>& bytes) {
  bytes.fill(0);
  if (peer.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(peer);
    std::memcpy(bytes.data(), &in.sin_addr, 4);
    return AF_INET;
  }
  if (peer.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(peer);
    if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
      std::memcpy(bytes.data(), in6.sin6_addr.s6_addr + 12, 4);
      return AF_INET;
    }
    std::memcpy(bytes.data(), in6.sin6_addr.s6_addr, 16);
    return AF_INET6;
  }
  return AF_UNSPEC;
}

bool Matches(const Network& n, int family, const std::array<uint8_t, 16>& bytes) {
  if (n.family != family) return false;
  const int whole = n.prefix / 8;
  if (std::memcmp(n.address.data(), bytes.data(), static_cast<std::size_t>(whole)) != 0) {
    return false;
  }
  const int bits = n.prefix % 8;
  if (bits == 0) return true;
  const auto mask = static_cast<uint8_t>(0xFF << (8 - bits));
  return (n.address[whole] & mask) == (bytes[whole] & mask);
}

bool ParseOne(std::string_view item, Network& n) {
  const std::size_t slash = item.find('/');
  const std::string address(item.substr(0, slash));
  n = Network{};
  if (::inet_pton(AF_INET, address.c_str(), n.address.data()) == 1) {
    n.family = AF_INET;
  } else if (::inet_pton(AF_INET6, address.c_str(), n.address.data()) == 1) {
    n.family = AF_INET6;
  } else {
    return false;
  }
  const int most = n.family == AF_INET ? 32 : 128;
  n.prefix = most;
  if (slash == std::string_view::npos) return true;
  const std::string_view digits = item.substr(slash + 1);
  if (digits.empty() || digits.size() > 3) return false;
  int prefix = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    prefix = prefix * 10 + (c - '0');
  }
  if (prefix > most) return false;
  n.prefix = prefix;
  // Host bits set below the prefix are cleared: 192.168.1.7/24 is 192.168.1.0/24.
  for (int bit = prefix; bit < most; ++bit) {
    n.address[static_cast<std::size_t>(bit / 8)] &= static_cast<uint8_t>(~(0x80 >> (bit % 8)));
  }
  return true;
}

}  // namespace

bool ParseNetworks(std::string_view text, std::vector<Network>& networks, bool& any,
                   std::string& error) {
  networks.clear();
  any = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(',', start), text.size());
    const std::string_view item = aux::TrimView(text.substr(start, end - start), aux::kSpaceTab);
    start = end + 1;
    if (item == "any") {
      any = true;
      continue;
    }
    Network n;
    if (item.empty() || !ParseOne(item, n)) {
      error = "'" + std::string(item) + "' is no network (give ADDRESS or ADDRESS/PREFIX)";
      return false;
    }
    networks.push_back(n);
  }
  return true;
}

std::vector<Network> DefaultNetworks() {
  return {Make(AF_INET, "127.0.0.0", 8),    Make(AF_INET, "10.0.0.0", 8),
          Make(AF_INET, "172.16.0.0", 12),  Make(AF_INET, "192.168.0.0", 16),
          Make(AF_INET, "169.254.0.0", 16), Make(AF_INET6, "::1", 128),
          Make(AF_INET6, "fc00::", 7),      Make(AF_INET6, "fe80::", 10)};
}

bool InNetworks(const std::vector<Network>& networks, const sockaddr_storage& peer) {
  std::array<uint8_t, 16> bytes{};
  const int family = PeerBytes(peer, bytes);
  for (const Network& n : networks) {
    if (Matches(n, family, bytes)) return true;
  }
  return false;
}

bool IsLoopback(const sockaddr_storage& peer) {
  static const std::vector<Network> kLoopback = {Make(AF_INET, "127.0.0.0", 8),
                                                 Make(AF_INET6, "::1", 128)};
  return InNetworks(kLoopback, peer);
}

}  // namespace trx
