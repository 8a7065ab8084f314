// Memory for arrays of millions of elements: asked for in huge pages, since
// touching so many small pages one by one costs more than filling them, and
// never zeroed first (the callers fill what they ask for).
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace huge_pages {

inline constexpr std::size_t kPage = std::size_t{2} << 20;

inline std::size_t rounded(std::size_t bytes) {
    return (bytes + kPage - 1) / kPage * kPage;
}

// `bytes` rounded up to whole huge pages, aligned to one; free with std::free.
inline void* allocate(std::size_t bytes) {
    void* p = std::aligned_alloc(kPage, rounded(bytes));
    if (!p) throw std::bad_alloc();
    ::madvise(p, rounded(bytes), MADV_HUGEPAGE);
    return p;
}

// A vector allocator: small arrays from the heap, large ones in huge pages;
// elements default-initialised, so a resize leaves them unset.
template <typename T>
struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <typename U>
    Allocator(const Allocator<U>&) noexcept {}
    template <typename U>
    bool operator==(const Allocator<U>&) const noexcept {
        return true;
    }
    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kPage) return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(huge_pages::allocate(bytes));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < kPage)
            ::operator delete(p);
        else
            std::free(p);
    }
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

template <typename T>
using Vector = std::vector<T, Allocator<T>>;

}  // namespace huge_pages
