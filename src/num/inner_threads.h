// Whether the library's own kernels may split a large block over a second
// thread (split_in_two.h): not while a parallel loop keeps every core busy.
#pragma once

#include <atomic>

namespace kj::num {

namespace detail {
inline std::atomic<bool> g_inner_threads{true};
}

inline bool inner_threads_allowed() { return detail::g_inner_threads.load(std::memory_order_relaxed); }
// Returns the setting before.
inline bool set_inner_threads_allowed(bool on) { return detail::g_inner_threads.exchange(on); }

}  // namespace kj::num
