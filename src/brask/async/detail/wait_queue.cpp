#include "brask/async/detail/wait_queue.h"

#include <algorithm>
#include <utility>

#include <boost/asio/error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/system/system_error.hpp>

namespace brask::async::detail {
namespace asio = boost::asio;

namespace {

// Installed in the waiting task's cancellation slot. It may run after the wait completed or after
// the primitive is gone; it then finds nothing to do.
struct Canceller {
  std::weak_ptr<const void> owner;
  WaitQueue* queue;
  std::uint64_t id;
  void (*cancel)(WaitQueue*, std::uint64_t);

  void operator()(asio::cancellation_type type) const {
    if (type == asio::cancellation_type::none) return;
    if (auto alive = owner.lock()) cancel(queue, id);
  }
};

}  // namespace

void WaitQueue::enqueue(std::weak_ptr<const void> owner, std::uint64_t seen,
                        asio::cancellation_slot slot, Completion completion) {
  std::lock_guard lock(*mutex_);
  if (generation_ != seen) {
    completion({});
    return;
  }
  const auto id = next_id_++;
  if (slot.is_connected()) {
    slot.template emplace<Canceller>(std::move(owner), this, id,
                                     [](WaitQueue* queue, std::uint64_t id) { queue->cancel(id); });
  }
  waiters_.push_back({id, std::move(completion)});
}

void WaitQueue::cancel(std::uint64_t id) {
  std::lock_guard lock(*mutex_);
  auto it = std::find_if(waiters_.begin(), waiters_.end(),
                         [id](const Waiter& waiter) { return waiter.id == id; });
  if (it == waiters_.end()) return;
  auto completion = std::move(it->completion);
  waiters_.erase(it);
  completion(asio::error::operation_aborted);
}

void WaitQueue::notify_one() {
  ++generation_;
  if (waiters_.empty()) return;
  auto completion = std::move(waiters_.front().completion);
  waiters_.pop_front();
  completion({});
}

void WaitQueue::notify_all() {
  ++generation_;
  if (waiters_.empty()) return;
  auto waiters = std::move(waiters_);
  waiters_.clear();
  for (auto& waiter : waiters) waiter.completion({});
}

asio::awaitable<bool> cancellation_requested() {
  auto state = co_await asio::this_coro::cancellation_state;
  co_return state.cancelled() != asio::cancellation_type::none;
}

void throw_aborted() {
  throw boost::system::system_error(asio::error::operation_aborted);
}

}  // namespace brask::async::detail
