#include "tests/e2e_linux/script.h"

#include <QDateTime>
#include <cstdio>
#include <cstdlib>

namespace kd::e2e {

Script::Script() {
    timer_.setInterval(15);
    connect(&timer_, &QTimer::timeout, this, &Script::Tick);
}

void Script::Do(std::string what, std::function<void()> act) {
    steps_.push_back({Step::Kind::Act, std::move(what), [act = std::move(act)] {
                          act();
                          return true;
                      }});
}

void Script::Try(std::string what, std::function<bool()> act) {
    steps_.push_back({Step::Kind::Try, std::move(what), std::move(act)});
}

void Script::WaitFor(std::string what, std::function<bool()> ready, int timeoutMs) {
    steps_.push_back({Step::Kind::Wait, std::move(what), std::move(ready), timeoutMs});
}

void Script::Check(std::string what, std::function<bool()> holds) {
    steps_.push_back({Step::Kind::Check, std::move(what), std::move(holds)});
}

void Script::CheckEqual(std::string what, std::function<std::string()> got, std::string expected) {
    Do(what, [this, what, got = std::move(got), expected = std::move(expected)] {
        const std::string actual = got();
        Record(actual == expected, what,
               actual == expected ? "" : "expected: " + expected + "\n       got:      " + actual);
    });
}

void Script::Start(int limitMs) {
    timer_.start();
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this, [this, limitMs] {
        Record(false,
               "the scenario and the program ended within " + std::to_string(limitMs) + " ms");
        std::_Exit(1);
    });
    watchdog_.start(limitMs);
}

void Script::Record(bool ok, const std::string& what, const std::string& detail) {
    ++checks_;
    if (!ok) {
        ++failures_;
    }
    std::printf("%s - %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!detail.empty()) {
        std::printf("       %s\n", detail.c_str());
    }
    std::fflush(stdout);
}

void Script::Tick() {
    if (actPending_) {
        return;
    }
    if (Finished()) {
        timer_.stop();
        return;
    }
    Step& step = steps_[next_];
    if (step.kind == Step::Kind::Wait) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (waitStarted_ < 0) {
            waitStarted_ = now;
        }
        if (step.body()) {
            waitStarted_ = -1;
            ++next_;
        } else if (now - waitStarted_ > step.timeoutMs) {
            Record(false, "timed out waiting: " + step.what);
            std::printf("e2e: %d of %d checks failed; stopping\n", failures_, checks_);
            std::fflush(stdout);
            std::_Exit(1);
        }
        return;
    }
    // Taken off before it runs, and run from a timer of its own: it may not return until a
    // later step has closed a window, and a timer does not fire again while its own
    // handler is still running.
    Step taken = steps_[next_++];
    if (taken.kind == Step::Kind::Check) {
        Record(taken.body(), taken.what);
        return;
    }
    actPending_ = true;
    QTimer::singleShot(0, this, [this, taken = std::move(taken)] {
        actPending_ = false;
        const bool ok = taken.body();
        if (taken.kind == Step::Kind::Try) {
            Record(ok, taken.what);
        }
    });
}

}  // namespace kd::e2e
