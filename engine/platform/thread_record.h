// Records kept one per thread. The static Windows runtime frees a thread's storage and runs the destructors of
// its thread_local objects at the thread's end in no fixed order, so a worker could end by destroying freed
// memory: there each record lives on the heap and is left to the process when its thread ends. Elsewhere a
// record is a plain thread_local.
#pragma once

#if defined(_WIN32)
#define LUMIVEX_THREAD_RECORD(Type) Type&
#define LUMIVEX_NEW_THREAD_RECORD(Type) (*new Type{})
#else
#define LUMIVEX_THREAD_RECORD(Type) Type
#define LUMIVEX_NEW_THREAD_RECORD(Type) \
    Type {}
#endif
