#include "provision/port_watch.h"

#include <algorithm>
#include <utility>

namespace kd::provision {

PortWatch::PortWatch(DeviceOf deviceOf) : deviceOf_(std::move(deviceOf)) {}

std::vector<std::string> PortWatch::Take(const std::vector<std::string>& present) {
    std::map<std::string, std::string> devices;  // name -> device, for the names present
    for (const std::string& port : present) {
        devices.emplace(port, deviceOf_ ? deviceOf_(port) : port);
    }
    // A finished port that is gone may be taken when it comes back. One still here may
    // lead to another device node now (a reader that restarted): follow it.
    for (auto it = ports_.begin(); it != ports_.end();) {
        const auto found = devices.find(it->first);
        if (found == devices.end() && it->second.state == State::Done) {
            it = ports_.erase(it);
            continue;
        }
        if (found != devices.end()) {
            it->second.device = found->second;
        }
        ++it;
    }
    std::vector<std::string> taken;
    for (const std::string& port : present) {
        const std::string& device = devices.at(port);
        const bool known = std::any_of(ports_.begin(), ports_.end(), [&](const auto& entry) {
            return entry.first == port || entry.second.device == device;
        });
        if (!known) {
            ports_.emplace(port, Entry{device, State::Busy});
            taken.push_back(port);
        }
    }
    return taken;
}

void PortWatch::Finished(const std::string& port) {
    if (auto found = ports_.find(port); found != ports_.end()) {
        found->second.state = State::Done;
    }
}

void PortWatch::Retake(const std::string& port) {
    ports_.erase(port);
}

size_t PortWatch::Busy() const {
    return static_cast<size_t>(std::count_if(ports_.begin(), ports_.end(), [](const auto& entry) {
        return entry.second.state == State::Busy;
    }));
}

}  // namespace kd::provision
