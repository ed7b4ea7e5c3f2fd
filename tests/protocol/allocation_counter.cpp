#include "allocation_counter.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// Per thread: gtest's own threads, if any, must not count towards the code under test.
thread_local bool counting = false;
thread_local std::size_t allocations = 0;

void* Allocate(std::size_t size) {
    if (counting)
        ++allocations;
    // malloc(0) may return null; operator new must not.
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

// Windows' C library has no aligned_alloc: an aligned block is carved out of a larger malloc'd one, with
// the larger one's address kept just before it for the aligned delete.
void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    if (counting)
        ++allocations;
    const auto align = static_cast<std::uintptr_t>(alignment);
    void* const whole = std::malloc(size + align + sizeof(void*));
    if (whole == nullptr)
        throw std::bad_alloc();
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(whole) + sizeof(void*);
    void** const block = reinterpret_cast<void**>((first + align - 1) / align * align);
    block[-1] = whole;
    return block;
}

void FreeAligned(void* block) {
    if (block != nullptr)
        std::free(static_cast<void**>(block)[-1]);
}

}  // namespace

std::size_t CountAllocations(const std::function<void()>& action) {
    allocations = 0;
    counting = true;
    action();
    counting = false;
    return allocations;
}

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    FreeAligned(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    FreeAligned(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    FreeAligned(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    FreeAligned(block);
}
