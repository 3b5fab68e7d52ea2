// Relaxed atomic access to single record fields shared with the mixing thread.
#pragma once

#include <atomic>
#include <type_traits>

template <class T> inline T FieldLoad(const T& field) {
    static_assert(std::is_trivially_copyable_v<T>);
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}

template <class T, class V> inline void FieldStore(T& field, V value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::atomic_ref<T>(field).store(static_cast<T>(value), std::memory_order_relaxed);
}
