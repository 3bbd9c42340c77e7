#include "runtime/threads.h"

#include <chrono>
#include <thread>

void SleepMs(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
