#pragma once
// Hand-offs between threads through Qt (its thread pool, its event queue) are ordered by Qt's
// own locks, which ThreadSanitizer cannot see, as Qt is not built for it. These marks tell it:
// what one thread wrote before handOver(key) is seen by a thread after takeOver(key). They
// cost nothing in other builds.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORMA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define ORMA_THREAD_SANITIZER 1
#endif

#ifdef ORMA_THREAD_SANITIZER
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
inline void handOver(const void *key) { __tsan_release(const_cast<void *>(key)); }
inline void takeOver(const void *key) { __tsan_acquire(const_cast<void *>(key)); }
#else
inline void handOver(const void *) {}
inline void takeOver(const void *) {}
#endif
