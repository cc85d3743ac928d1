// The three values the main thread and the worker hand over without a lock
// (pending_task, done_flag, quit) are read with acquire and written with release.
#pragma once

template <typename T> inline T load_acquire(const T* p) { return __atomic_load_n(p, __ATOMIC_ACQUIRE); }
template <typename T> inline void store_release(T* p, T v) { __atomic_store_n(p, v, __ATOMIC_RELEASE); }
template <typename T> inline bool compare_exchange(T* p, T expected, T desired)
{
    return __atomic_compare_exchange_n(p, &expected, desired, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
}
