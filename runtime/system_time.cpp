#include "runtime/system.h"

#include <chrono>

int GetCurrentDateTime(double* seconds) {
    if (seconds == nullptr) return -1;
    using namespace std::chrono;
    *seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return 0;
}

double MonotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
