#pragma once

#include <map>
#include <string>
#include <vector>

namespace kd::provision {

// Decides which ports a station takes. A port is taken when it appears (or is there at
// the start); once its reader is done it is taken again only after it has been seen
// gone, so a reader left plugged in is handled once. A port that vanishes while its
// reader is worked on stays taken until that work ends.
class PortWatch {
  public:
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
    std::map<std::string, State> ports_;  // absent ports that are not busy are not kept
};

}  // namespace kd::provision
