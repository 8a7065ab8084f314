// Running risky work (reading a file that may be corrupt) in a child process,
// so that a crash or a hang there becomes an error message here.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace db::detail {

// Whether this build runs under AddressSanitizer: GCC says so with
// __SANITIZE_ADDRESS__, clang only through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// The work reports progress through the callback it is given, and returns ""
// when it succeeded or the reason it failed. Returns "" when the child
// finished successfully, else a description of what went wrong: the reason
// the work gave, the signal it died of, or that it made no progress within
// `stall_limit` (it is then killed). A `memory_limit` above 0 caps the
// child's address space, so a file that sends the reader round a loop of
// allocations cannot take the machine's memory (not applied under
// AddressSanitizer, whose shadow memory needs the room).
std::string run_isolated(const std::function<std::string(const std::function<void()>& progress)>& work,
                         std::chrono::milliseconds stall_limit, std::size_t memory_limit = 0);

}  // namespace db::detail
