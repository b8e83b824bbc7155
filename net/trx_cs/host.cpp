// The host's name and IPv4 addresses, and the public (WAN) address that an
// IP-echo page reports, looked up with libcurl within 3 seconds.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include <curl/curl.h>

#include "../../AuxFunct/text.h"
#include "trx_cs.h"

namespace trx {
namespace {

constexpr long kWanTimeoutMs = 3000;
constexpr std::size_t kMaxReply = 64 * 1024;

std::size_t Append(char* data, std::size_t size, std::size_t count, void* reply) {
  auto* text = static_cast<std::string*>(reply);
  const std::size_t n = size * count;
  if (text->size() + n > kMaxReply) return 0;  // a page this long is no IP echo
  text->append(data, n);
  return n;
}

}  // namespace

std::string LocalHostName() {
  char name[256] = "";
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::vector<std::string> LocalIPv4Addresses() {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = "";
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
      addresses.emplace_back(text);
    }
  }
  ::freeifaddrs(list);
  return addresses;
}

std::string ParseWanReply(std::string_view reply) {
  constexpr std::string_view kMarker = "Current IP Address:";
  const std::size_t at = reply.find(kMarker);
  if (at == std::string_view::npos) return {};
  const std::size_t start = at + kMarker.size();
  const std::size_t end = reply.find('\n', start);
  // The character before the line feed (a carriage return) is no part of it.
  std::string_view address = reply.substr(start);
  if (end != std::string_view::npos)
    address = reply.substr(start, end > start ? end - start - 1 : 0);
  return std::string(aux::TrimView(address, aux::kSpaceTab));
}

std::string GetWanIP(std::string_view host, std::string_view page) {
  const std::string url = "http://" + std::string(host.empty() ? kDefaultWanHost : host) + "/" +
                          std::string(page.empty() ? "checkip.html" : page);
  CURL* curl = ::curl_easy_init();
  if (curl == nullptr) {
    MessageBox("Error nr.: " + std::to_string(CURLE_FAILED_INIT), "Internet Open error");
    return {};
  }
  std::string reply;
  ::curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  ::curl_easy_setopt(curl, CURLOPT_USERAGENT, "Corvane Server");
  ::curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  ::curl_easy_setopt(curl, CURLOPT_POST, 1L);
  ::curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, 0L);
  ::curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "");
  ::curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kWanTimeoutMs);
  ::curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kWanTimeoutMs);
  ::curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  ::curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  ::curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  const CURLcode code = ::curl_easy_perform(curl);
  ::curl_easy_cleanup(curl);
  if (code != CURLE_OK) {
    const bool connecting = code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT ||
                            code == CURLE_OPERATION_TIMEDOUT || code == CURLE_COULDNT_RESOLVE_PROXY;
    MessageBox("Error nr.: " + std::to_string(code),
               connecting ? "Internet Connect error" : "Internet OpenRequest error");
    return {};
  }
  return ParseWanReply(reply);
}

}  // namespace trx
