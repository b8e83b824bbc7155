#include "poller.h"

#include <unistd.h>

#include <cerrno>

namespace server {

Poller::Poller() : epoll_fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

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

void Poller::WatchWritable(int fd, bool wanted) {
  if (wanted == writable_watched_) return;
  epoll_event event{};
  event.events = EPOLLOUT;
  event.data.fd = fd;
  const int r = ::epoll_ctl(epoll_fd_, wanted ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, fd, &event);
  if (r == 0 || !wanted) writable_watched_ = wanted;
}

void Poller::Set(const trx::Server::Watch& w) {
  auto it = entries_.find(w.fd);
  if (it == entries_.end()) {
    Change(EPOLL_CTL_ADD, w.fd, w.write);
    entries_.emplace(w.fd, Entry{w.owner, w.write, true});
    return;
  }
  Entry& entry = it->second;
  if (entry.owner != w.owner) {
    // The number came back for another socket: the old one left the set
    // when it was closed, if it was not removed before.
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, w.fd, nullptr);
    Change(EPOLL_CTL_ADD, w.fd, w.write);
    entry = Entry{w.owner, w.write, true};
    return;
  }
  if (entry.write != w.write) Change(EPOLL_CTL_MOD, w.fd, w.write);
  entry.write = w.write;
  entry.seen = true;
}

void Poller::Sync(const std::vector<trx::Server::Watch>& watched) {
  for (auto& [fd, entry] : entries_) entry.seen = false;
  for (const trx::Server::Watch& w : watched) Set(w);
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.seen) {
      ++it;
      continue;
    }
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, it->first, nullptr);  // closed already: ENOENT/EBADF
    it = entries_.erase(it);
  }
}

void Poller::Apply(const std::vector<trx::Server::Watch>& changes) {
  for (const trx::Server::Watch& w : changes) {
    if (w.owner >= 0) {
      Set(w);
      continue;
    }
    // Gone: closed already, so it has left the set unless the number was
    // taken again (then a later change in this list adds the new one).
    auto it = entries_.find(w.fd);
    if (it == entries_.end()) continue;
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, w.fd, nullptr);
    entries_.erase(it);
  }
}

std::span<const epoll_event> Poller::Wait(int timeout_ms) {
  const int n = ::epoll_wait(epoll_fd_, ready_.data(), static_cast<int>(ready_.size()), timeout_ms);
  return {ready_.data(), n > 0 ? static_cast<std::size_t>(n) : 0};  // EINTR: nothing to do
}

}  // namespace server
