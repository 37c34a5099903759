#include "brask/harness/blocking.h"

namespace brask::harness::detail {

boost::asio::io_context& thread_context() {
  thread_local boost::asio::io_context context;
  return context;
}

}  // namespace brask::harness::detail
