// The headless server's wait for events: an epoll set kept equal to what
// the server watches, so that one turn of the loop costs the same with one
// client as with hundreds.
#pragma once

#include <sys/epoll.h>

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
  void Keep(int fd);
  // Watches fd for room to write while wanted; false when fd can not be
  // watched (a regular file or /dev/null, which never fill up).
  bool WatchWritable(int fd, bool wanted);
  // Waits up to timeout_ms (-1: no limit) for events.
  const std::vector<epoll_event>& Wait(int timeout_ms);

 private:
  struct Entry {
    int owner;
    bool write;
    bool seen;
  };
  void Change(int op, int fd, bool write);

  int epoll_fd_ = -1;
  std::unordered_map<int, Entry> entries_;
  std::vector<epoll_event> ready_;
  bool writable_watched_ = false;
};

}  // namespace server
