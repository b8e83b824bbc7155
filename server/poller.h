// The headless server's wait for events: an epoll set kept equal to what
// the server watches, so that one turn of the loop costs the same with one
// client as with hundreds.
#pragma once

#include <sys/epoll.h>

#include <array>
#include <span>
#include <unordered_map>
#include <vector>

#include "../net/trx_cs/server.h"

namespace server {

class Poller {
 public:
  Poller();
  ~Poller();
  Poller(const Poller&) = delete;
  Poller& operator=(const Poller&) = delete;

  bool Ok() const { return epoll_fd_ >= 0; }
  // Makes the set watch exactly watched, plus the descriptors added with
  // Keep (which stay until the end).
  void Sync(const std::vector<trx::Server::Watch>& watched);
  // Applies what changed (owner -1: the descriptor is gone).
  void Apply(const std::vector<trx::Server::Watch>& changes);
  void Keep(int fd);
  // Watches fd for room to write while wanted. A regular file or /dev/null
  // can not be watched, but never fills up either.
  void WatchWritable(int fd, bool wanted);
  // Waits up to timeout_ms (-1: no limit) for events.
  std::span<const epoll_event> Wait(int timeout_ms);

 private:
  struct Entry {
    int owner;
    bool write;
    bool seen;
  };
  void Change(int op, int fd, bool write);
  void Set(const trx::Server::Watch& w);

  int epoll_fd_ = -1;
  std::unordered_map<int, Entry> entries_;
  std::array<epoll_event, 256> ready_{};
  bool writable_watched_ = false;
};

}  // namespace server
