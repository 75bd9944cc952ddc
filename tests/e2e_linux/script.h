#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace kd::e2e {

// A scenario as a list of steps, run from a timer inside whatever event loop is
// running: the program's modal windows and message boxes run their own loops, and a
// step that opens one returns only when it closes, so each step is taken off the list
// before it runs and the next ones go on from the inner loop.
//
// Prints "ok   - ..." or "FAIL - ..." per check, as the shell scenarios do. A wait that
// times out stops the scenario: the driver then leaves at once with status 1, as
// nothing can be trusted of the windows it left open.
class Script final : public QObject {
  public:
    Script();

    // Runs act once.
    void Do(std::string what, std::function<void()> act);
    // Runs act once, as a check: it tells whether it could be done.
    void Try(std::string what, std::function<bool()> act);
    // Waits until ready holds, or fails after timeoutMs.
    void WaitFor(std::string what, std::function<bool()> ready, int timeoutMs = 10000);
    // Records a check now; a failed one does not stop the scenario.
    void Check(std::string what, std::function<bool()> holds);
    // A check whose failure explains itself: expected and got.
    void CheckEqual(std::string what, std::function<std::string()> got, std::string expected);

    // Starts the steps; the whole scenario must end within limitMs.
    void Start(int limitMs = 120000);
    bool Finished() const { return next_ >= steps_.size(); }
    int Failures() const { return failures_; }
    int Checks() const { return checks_; }

  private:
    struct Step {
        enum class Kind { Act, Try, Wait, Check } kind;
        std::string what;
        std::function<bool()> body;
        int timeoutMs = 0;
    };
    void Tick();
    void Record(bool ok, const std::string& what, const std::string& detail = {});

    std::vector<Step> steps_;
    size_t next_ = 0;
    qint64 waitStarted_ = -1;
    bool actPending_ = false;
    QTimer timer_;
    QTimer watchdog_;
    int failures_ = 0;
    int checks_ = 0;
};

}  // namespace kd::e2e
