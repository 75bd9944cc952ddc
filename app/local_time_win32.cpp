#include "app/local_time.h"

namespace kd {

std::tm LocalTime(std::time_t seconds) {
    std::tm local{};
    localtime_s(&local, &seconds);
    return local;
}

}  // namespace kd
