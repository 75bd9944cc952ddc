#include "provision/port_watch.h"

#include <algorithm>

namespace kd::provision {

std::vector<std::string> PortWatch::Take(const std::vector<std::string>& present) {
    // A finished port that is gone may be taken when it comes back.
    std::erase_if(ports_, [&](const auto& entry) {
        return entry.second == State::Done &&
               std::find(present.begin(), present.end(), entry.first) == present.end();
    });
    std::vector<std::string> taken;
    for (const std::string& port : present) {
        if (ports_.emplace(port, State::Busy).second) {
            taken.push_back(port);
        }
    }
    return taken;
}

void PortWatch::Finished(const std::string& port) {
    if (auto found = ports_.find(port); found != ports_.end()) {
        found->second = State::Done;
    }
}

void PortWatch::Retake(const std::string& port) {
    ports_.erase(port);
}

size_t PortWatch::Busy() const {
    return static_cast<size_t>(std::count_if(ports_.begin(), ports_.end(), [](const auto& entry) {
        return entry.second == State::Busy;
    }));
}

}  // namespace kd::provision
