#include "poller.h"

#include <unistd.h>

#include <cerrno>

namespace server {

Poller::Poller() : epoll_fd_(::epoll_create1(EPOLL_CLOEXEC)), ready_(256) {}

Poller::~Poller() {
  if (epoll_fd_ >= 0) ::close(epoll_fd_);
}

void Poller::Change(int op, int fd, bool write) {
  epoll_event event{};
  event.events = EPOLLIN | (write ? EPOLLOUT : 0u);
  event.data.fd = fd;
  ::epoll_ctl(epoll_fd_, op, fd, &event);
}

void Poller::Keep(int fd) { Change(EPOLL_CTL_ADD, fd, false); }

bool Poller::WatchWritable(int fd, bool wanted) {
  if (wanted == writable_watched_) return true;
  epoll_event event{};
  event.events = EPOLLOUT;
  event.data.fd = fd;
  const int r = ::epoll_ctl(epoll_fd_, wanted ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, fd, &event);
  if (r != 0 && wanted) return false;
  writable_watched_ = wanted;
  return true;
}

void Poller::Sync(const std::vector<trx::Server::Watch>& watched) {
  for (auto& [fd, entry] : entries_) entry.seen = false;
  for (const trx::Server::Watch& w : watched) {
    auto it = entries_.find(w.fd);
    if (it == entries_.end()) {
      Change(EPOLL_CTL_ADD, w.fd, w.write);
      entries_.emplace(w.fd, Entry{w.owner, w.write, true});
      continue;
    }
    Entry& entry = it->second;
    if (entry.owner != w.owner) {
      // The number came back for another socket: the old one left the set
      // when it was closed, if it was not removed before.
      ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, w.fd, nullptr);
      Change(EPOLL_CTL_ADD, w.fd, w.write);
      entry = Entry{w.owner, w.write, true};
      continue;
    }
    if (entry.write != w.write) Change(EPOLL_CTL_MOD, w.fd, w.write);
    entry.write = w.write;
    entry.seen = true;
  }
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.seen) {
      ++it;
      continue;
    }
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, it->first, nullptr);  // closed already: ENOENT/EBADF
    it = entries_.erase(it);
  }
}

const std::vector<epoll_event>& Poller::Wait(int timeout_ms) {
  ready_.resize(256);
  int n = ::epoll_wait(epoll_fd_, ready_.data(), static_cast<int>(ready_.size()), timeout_ms);
  if (n < 0) n = 0;  // EINTR: a turn with nothing to do
  ready_.resize(static_cast<std::size_t>(n));
  return ready_;
}

}  // namespace server
