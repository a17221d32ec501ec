// Annotations for clang's thread-safety analysis (-Wthread-safety): which lock guards which
// member, and which functions take, release or need a lock. Other compilers see nothing.
#pragma once

#if defined(__clang__)
#define TAVLO_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define TAVLO_THREAD_ANNOTATION(x)
#endif

#define LOCKABLE TAVLO_THREAD_ANNOTATION(capability("mutex"))
#define SCOPED_LOCKABLE TAVLO_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) TAVLO_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) TAVLO_THREAD_ANNOTATION(pt_guarded_by(x))
#define EXCLUSIVE_LOCK_FUNCTION(...) TAVLO_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define UNLOCK_FUNCTION(...) TAVLO_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define EXCLUSIVE_LOCKS_REQUIRED(...) TAVLO_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define LOCKS_EXCLUDED(...) TAVLO_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_EXCLUSIVE_LOCK(...) TAVLO_THREAD_ANNOTATION(assert_capability(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS TAVLO_THREAD_ANNOTATION(no_thread_safety_analysis)
