#include "cli/progress_view.h"

#include "cli/platform.h"
#include "cli/terminal_style.h"

namespace kd::cli {

namespace {

using provision::Phase;
using provision::ProgressStep;

const char* PhaseWord(Phase phase) {
    switch (phase) {
        case Phase::Connecting:
            return "connecting";
        case Phase::Probing:
            return "probing";
        case Phase::Reading:
            return "reading";
        case Phase::Writing:
            return "writing";
        case Phase::Storing:
            return "storing";
        case Phase::Verifying:
            return "verifying";
        case Phase::Uploading:
            return "uploading";
        case Phase::Waiting:
            return "waiting";
        case Phase::Reconnecting:
            break;
    }
    return "reconnecting";
}

std::string Count(const ProgressStep& step) {
    return std::to_string(step.done) + "/" + std::to_string(step.total);
}

std::string Keys(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " key" : " keys");
}

// "0:41"
std::string MinutesSeconds(double seconds) {
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// A terminal of unknown width is taken as the classic 80 columns.
size_t Columns(std::FILE* stream) {
    const size_t columns = TerminalColumns(stream);
    return columns == 0 ? 80 : columns;
}

}  // namespace

std::string StepWords::Live(const ProgressStep& step) {
    std::string words = PhaseWord(step.phase);
    switch (step.phase) {
        case Phase::Probing:
            return words + " " + step.setting + " (" + std::to_string(step.done + 1) + "/" +
                   std::to_string(step.total) + ")";
        case Phase::Reading:
        case Phase::Writing:
        case Phase::Verifying:
            return words + " " + Count(step);
        case Phase::Waiting:
            return words + " " + std::to_string(step.total - std::min(step.done, step.total)) +
                   " s";
        case Phase::Uploading:
            break;
        default:
            return words;
    }
    const auto now = Clock::now();
    if (!uploadStart_ || step.done == 0) {
        uploadStart_ = now;
    }
    const uint64_t percent = step.total == 0 ? 100 : step.done * 100 / step.total;
    constexpr int kBar = 20;
    const int filled = static_cast<int>(percent * kBar / 100);
    words += " [" + std::string(static_cast<size_t>(filled), '#') +
             std::string(static_cast<size_t>(kBar - filled), ' ') + "] " + std::to_string(percent) +
             " %";
    const double seconds = std::chrono::duration<double>(now - *uploadStart_).count();
    if (step.done > 0 && seconds > 0) {
        const double rate = static_cast<double>(step.done) / seconds;
        char text[64];
        std::snprintf(text, sizeof text, ", %.1f KiB/s", rate / 1024);
        words += text +
                 (", " + MinutesSeconds(static_cast<double>(step.total - step.done) / rate)) +
                 " left";
    }
    return words;
}

std::string StepWords::Plain(const ProgressStep& step) {
    const std::string word = PhaseWord(step.phase);
    switch (step.phase) {
        case Phase::Probing:
            return word + " up to " + std::to_string(step.total) + " line settings";
        case Phase::Reading:
        case Phase::Writing:
        case Phase::Verifying:
            return word + " " + Keys(step.total);
        case Phase::Uploading:
            return word + " " + std::to_string(step.total) + " bytes";
        case Phase::Waiting:
            return word + " " + std::to_string(step.total) + " s";
        default:
            return word;
    }
}

void EraseProgress(ProgressView* view) {
    if (view != nullptr) {
        view->Erase();
    }
}

LineProgress::LineProgress(std::FILE* err, ProgressMode mode, std::string prefix)
    : err_(err), mode_(mode), prefix_(std::move(prefix)) {}

LineProgress::~LineProgress() {
    Erase();
}

void LineProgress::Step(const ProgressStep& step) {
    const bool changed = phase_ != step.phase;
    phase_ = step.phase;
    if (mode_ == ProgressMode::Live) {
        const std::string line = FitToWidth(prefix_ + words_.Live(step), Columns(err_) - 1);
        std::fprintf(err_, "\r%s\033[K", line.c_str());
        drawn_ = true;
    } else if (mode_ == ProgressMode::Plain && changed) {
        std::fprintf(err_, "%s%s\n", prefix_.c_str(), StepWords::Plain(step).c_str());
    }
    std::fflush(err_);
}

void LineProgress::Erase() {
    if (drawn_) {
        std::fputs("\r\033[K", err_);
        std::fflush(err_);
        drawn_ = false;
    }
}

SharedProgress::SharedProgress(std::FILE* err, ProgressMode mode, std::string prefix)
    : err_(err), mode_(mode), prefix_(std::move(prefix)) {}

void SharedProgress::Step(const ProgressStep& step) {
    // Only this port's thread tells steps: the phase and the words are its own. The lock
    // guards the text the display reads.
    const bool changed = phase_ != step.phase;
    phase_ = step.phase;
    if (mode_ == ProgressMode::Live) {
        std::string text = words_.Live(step);
        lock_.lock();
        text_.swap(text);
        lock_.unlock();
    } else if (mode_ == ProgressMode::Plain && changed) {
        // One call, so that the lines of ports running at once do not mix.
        std::fprintf(err_, "%s%s\n", prefix_.c_str(), StepWords::Plain(step).c_str());
        std::fflush(err_);
    }
}

std::string SharedProgress::Text() const {
    lock_.lock();
    std::string text = text_;
    lock_.unlock();
    return text;
}

void LiveBlock::Draw(const std::vector<std::string>& lines) {
    // Over the lines drawn last time, then clear what is left of them.
    if (drawn_ > 0) {
        std::fprintf(err_, "\033[%zuA", drawn_);
    }
    const size_t columns = Columns(err_) - 1;
    for (const std::string& line : lines) {
        std::fprintf(err_, "\r%s\033[K\n", FitToWidth(line, columns).c_str());
    }
    std::fputs("\033[J", err_);
    std::fflush(err_);
    drawn_ = lines.size();
}

void LiveBlock::Erase() {
    if (drawn_ > 0) {
        std::fprintf(err_, "\033[%zuA\r\033[J", drawn_);
        std::fflush(err_);
        drawn_ = 0;
    }
}

}  // namespace kd::cli
