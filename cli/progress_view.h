#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "provision/progress.h"

// Long work shown as it goes: on a terminal a line redrawn in place, elsewhere one plain
// line per phase change, and nothing at all with --quiet.
namespace kd::cli {

enum class ProgressMode { Live, Plain, Quiet };

// The words for a step.
class StepWords {
  public:
    // The live line: "reading 12/38", "probing 9600 8N1 (7/60)", "uploading [###   ] 37 %,
    // 12.3 KiB/s, 0:41 left", "waiting 12 s".
    std::string Live(const provision::ProgressStep& step);
    // The plain line when a phase starts: "reading 38 keys", "uploading 33792 bytes".
    static std::string Plain(const provision::ProgressStep& step);

  private:
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> uploadStart_;  // for the rate and the time left
};

// A command's progress. Messages are printed only after Erase, so that none lands on a
// half-drawn line.
class ProgressView : public provision::Progress {
  public:
    // Takes a live line off the screen; the next step draws it again.
    virtual void Erase() {}
};

// Erase on a view that may be null.
void EraseProgress(ProgressView* view);

// One port's progress, on the thread that does the work: one line redrawn with a carriage
// return, or a plain line per phase change, each after prefix ("kdcfg: ").
class LineProgress final : public ProgressView {
  public:
    LineProgress(std::FILE* err, ProgressMode mode, std::string prefix = "kdcfg: ");
    ~LineProgress() override;
    LineProgress(const LineProgress&) = delete;
    LineProgress& operator=(const LineProgress&) = delete;

    void Step(const provision::ProgressStep& step) override;
    void Erase() override;

  private:
    std::FILE* err_;
    ProgressMode mode_;
    std::string prefix_;
    StepWords words_;
    std::optional<provision::Phase> phase_;
    bool drawn_ = false;
};

// A lock held for a few instructions, never while printing (the Windows build has no
// std::mutex).
class SpinLock {
  public:
    void lock() {
        while (flag_.test_and_set(std::memory_order_acquire)) {
        }
    }
    void unlock() { flag_.clear(std::memory_order_release); }

  private:
    std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

// One port's progress among many, each on its own thread: kept for a display that draws
// every port at once (live), or printed at once as a plain line per phase change.
class SharedProgress final : public ProgressView {
  public:
    SharedProgress(std::FILE* err, ProgressMode mode, std::string prefix);

    void Step(const provision::ProgressStep& step) override;
    // The latest step in words; "" before the first.
    std::string Text() const;

  private:
    std::FILE* err_;
    const ProgressMode mode_;
    const std::string prefix_;
    mutable SpinLock lock_;
    StepWords words_;
    std::optional<provision::Phase> phase_;
    std::string text_;
};

// Lines at the bottom of a terminal, redrawn in place, each cut to the terminal's width.
class LiveBlock {
  public:
    explicit LiveBlock(std::FILE* err) : err_(err) {}
    ~LiveBlock() { Erase(); }
    LiveBlock(const LiveBlock&) = delete;
    LiveBlock& operator=(const LiveBlock&) = delete;

    void Draw(const std::vector<std::string>& lines);
    // Takes the lines off the screen, so that other output can follow.
    void Erase();
    // Leaves the lines on the screen as they are; the next Draw starts below them.
    void Leave() { drawn_ = 0; }

  private:
    std::FILE* err_;
    size_t drawn_ = 0;
};

}  // namespace kd::cli
