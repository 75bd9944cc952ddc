#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kd::provision {

// Decides which ports a station takes. A port is taken when it appears (or is there at
// the start); once its reader is done it is taken again only after it has been seen
// gone, so a reader left plugged in is handled once. A port that vanishes while its
// reader is worked on stays taken until that work ends.
//
// Ports are told apart by the device they lead to: a device already taken under one name
// (a by-id link) is not taken again under another (its by-path link or its node).
class PortWatch {
  public:
    // Gives the device a port name leads to now; two names of one device give the same.
    using DeviceOf = std::function<std::string(const std::string& port)>;

    // Without deviceOf every name is a device of its own.
    explicit PortWatch(DeviceOf deviceOf = {});

    // Given every port present now, returns the ones to take now, in the order given.
    std::vector<std::string> Take(const std::vector<std::string>& present);
    // The work on port has ended.
    void Finished(const std::string& port);
    // The work on port has ended, and another reader now answers there: it is taken at
    // the next look, without waiting for the port to go away.
    void Retake(const std::string& port);
    // Ports taken and not finished.
    size_t Busy() const;

  private:
    enum class State { Busy, Done };
    struct Entry {
        std::string device;  // as last seen under this name
        State state = State::Busy;
    };
    DeviceOf deviceOf_;
    std::map<std::string, Entry> ports_;  // by name taken; absent ports that are not busy go
};

}  // namespace kd::provision
