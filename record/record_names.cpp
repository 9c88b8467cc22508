#include "record/record_names.h"

#include <ctime>

std::string local_time_stamp() {
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    char stamp[16] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    return stamp;
}

std::string numbered_name(const std::string& base, int attempt) {
    return base + (attempt > 0 ? "_" + std::to_string(attempt) : "") + ".yaml";
}
