#pragma once
// A mutex whose holder takes on the priority of a real-time thread that waits for it. A window that
// reads what an exerciser's timing thread writes (the simulated board's latches) holds the lock for
// microseconds; without the inheritance, the machine's other work could preempt the window while
// it holds the lock and keep the real-time ticks waiting behind it.
#include <pthread.h>

namespace boardlink {

class PriorityInheritingMutex {
public:
    PriorityInheritingMutex() {
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_setprotocol(&attr, PTHREAD_PRIO_INHERIT);
        pthread_mutex_init(&mutex_, &attr);
        pthread_mutexattr_destroy(&attr);
    }
    ~PriorityInheritingMutex() { pthread_mutex_destroy(&mutex_); }
    PriorityInheritingMutex(const PriorityInheritingMutex&) = delete;
    PriorityInheritingMutex& operator=(const PriorityInheritingMutex&) = delete;

    void lock() { pthread_mutex_lock(&mutex_); }
    void unlock() { pthread_mutex_unlock(&mutex_); }
    bool try_lock() { return pthread_mutex_trylock(&mutex_) == 0; }

private:
    pthread_mutex_t mutex_;
};

}  // namespace boardlink
