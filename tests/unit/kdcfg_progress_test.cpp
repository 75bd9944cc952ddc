#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/profile.h"
#include "cli/progress_view.h"
#include "cli/terminal_style.h"
#include "provision/apply.h"
#include "tests/ui/modelled_reader.h"

namespace kd {
namespace {

using provision::Phase;
using provision::ProgressStep;

// Every step in the live line's words: "reading 1/3", "storing".
struct Recorded final : provision::Progress {
    void Step(const ProgressStep& step) override { steps.push_back(words.Live(step)); }
    cli::StepWords words;
    std::vector<std::string> steps;
};

// What a view printed, read back from a memory stream.
struct Captured {
    Captured() : file(open_memstream(&buffer, &size)) {}
    ~Captured() {
        std::fclose(file);
        std::free(buffer);
    }
    std::string Text() {
        std::fflush(file);
        return std::string(buffer, size);
    }
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* file;
};

// The steps apply tells for two changed keys out of three.
std::vector<ProgressStep> ApplySteps() {
    return {{Phase::Reading, 0, 3, {}},   {Phase::Reading, 1, 3, {}},  {Phase::Reading, 2, 3, {}},
            {Phase::Writing, 0, 2, {}},   {Phase::Writing, 1, 2, {}},  {Phase::Storing, 0, 0, {}},
            {Phase::Verifying, 0, 2, {}}, {Phase::Verifying, 1, 2, {}}};
}

TEST(KdcfgProgress, ApplyTellsEachPhaseInOrderWithItsCounts) {
    test::ModelledReader reader;
    reader.Set("workmode", "2");
    std::vector<profile::ParseError> errors;
    const auto profile = profile::Parse("workmode=2\ncom1_baudrate=115200\nqrcode=0\n", errors);
    ASSERT_TRUE(profile.has_value());
    Recorded progress;
    const auto result = provision::Apply(reader.access, *profile, {}, &progress);
    EXPECT_EQ(result.outcome, provision::ApplyOutcome::Verified);
    EXPECT_THAT(progress.steps,
                testing::ElementsAre("reading 0/3", "reading 1/3", "reading 2/3", "writing 0/2",
                                     "writing 1/2", "storing", "verifying 0/2", "verifying 1/2"));
}

TEST(KdcfgProgress, PlainLinesComeOncePerPhaseLiveLinesAreRedrawnAndQuietSaysNothing) {
    Captured plain;
    Captured live;
    Captured quiet;
    {
        cli::LineProgress plainView(plain.file, cli::ProgressMode::Plain);
        cli::LineProgress liveView(live.file, cli::ProgressMode::Live);
        cli::LineProgress quietView(quiet.file, cli::ProgressMode::Quiet);
        for (const ProgressStep& step : ApplySteps()) {
            plainView.Step(step);
            liveView.Step(step);
            quietView.Step(step);
        }
        EXPECT_EQ(live.Text().rfind("\rkdcfg: verifying 1/2\033[K"),
                  live.Text().size() - std::string("\rkdcfg: verifying 1/2\033[K").size());
    }  // a live line is taken off the screen when its view ends
    EXPECT_EQ(plain.Text(),
              "kdcfg: reading 3 keys\nkdcfg: writing 2 keys\nkdcfg: storing\n"
              "kdcfg: verifying 2 keys\n");
    const std::string drawn = live.Text();
    EXPECT_EQ(drawn.find('\n'), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("\rkdcfg: reading 2/3\033[K\rkdcfg: writing 0/2"), std::string::npos);
    EXPECT_TRUE(drawn.ends_with("\r\033[K")) << drawn;
    EXPECT_EQ(quiet.Text(), "");
}

TEST(KdcfgProgress, StepWordsForProbingUploadingAndWaiting) {
    cli::StepWords words;
    EXPECT_EQ(words.Live({Phase::Probing, 6, 60, "9600 8N1"}), "probing 9600 8N1 (7/60)");
    EXPECT_EQ(words.Live({Phase::Waiting, 18, 30, {}}), "waiting 12 s");
    EXPECT_EQ(words.Live({Phase::Uploading, 0, 1000, {}}), "uploading [                    ] 0 %");
    const std::string later = words.Live({Phase::Uploading, 370, 1000, {}});
    EXPECT_TRUE(later.starts_with("uploading [#######             ] 37 %")) << later;
    EXPECT_EQ(cli::StepWords::Plain({Phase::Uploading, 370, 1000, {}}), "uploading 1000 bytes");
    EXPECT_EQ(cli::StepWords::Plain({Phase::Probing, 0, 60, "9600 8N1"}),
              "probing up to 60 line settings");
}

TEST(KdcfgProgress, ColourOnlyWhereWantedAndCutLinesKeepTheirColourResets) {
    using cli::ColorChoice;
    EXPECT_TRUE(cli::ColorWanted(ColorChoice::Auto, true, nullptr));
    EXPECT_TRUE(cli::ColorWanted(ColorChoice::Auto, true, ""));  // empty NO_COLOR: no effect
    EXPECT_FALSE(cli::ColorWanted(ColorChoice::Auto, true, "1"));
    EXPECT_FALSE(cli::ColorWanted(ColorChoice::Auto, false, nullptr));
    EXPECT_TRUE(cli::ColorWanted(ColorChoice::Always, false, "1"));
    EXPECT_FALSE(cli::ColorWanted(ColorChoice::Never, true, nullptr));

    EXPECT_EQ(cli::PaintResult("PASS", true), "\033[32mPASS\033[0m");
    EXPECT_EQ(cli::PaintResult("FAIL", true), "\033[31mFAIL\033[0m");
    EXPECT_EQ(cli::PaintResult("FAIL", false), "FAIL");
    EXPECT_EQ(cli::PaintResult("DIFFERS", true), "DIFFERS");

    const std::string line = cli::PaintResult("PASS", true) + " /dev/ttyUSB0 \xE4\xB8\xAD serial";
    EXPECT_EQ(cli::FitToWidth(line, 100), line);
    // 4 + 1 + 12 + 1 + 1 characters fit in 19; the rest becomes the mark.
    EXPECT_EQ(cli::FitToWidth(line, 22), "\033[32mPASS\033[0m /dev/ttyUSB0 \xE4\xB8\xAD...");
    EXPECT_EQ(cli::FitToWidth("\033[31mFAIL now\033[0m", 6), "\033[31mFAI...\033[0m");
}

}  // namespace
}  // namespace kd
