#include <gtest/gtest.h>

#include "provision/port_watch.h"

namespace kd::provision {
namespace {

using Ports = std::vector<std::string>;

TEST(PortWatch, TakesAReaderOnceUntilItsPortHasGone) {
    PortWatch watch;
    EXPECT_EQ(watch.Take({"a", "b"}), (Ports{"a", "b"}));  // there at the start
    EXPECT_EQ(watch.Take({"a", "b", "c"}), (Ports{"c"}));
    EXPECT_EQ(watch.Busy(), 3u);

    // Done, still plugged in: left alone.
    watch.Finished("a");
    EXPECT_EQ(watch.Take({"a", "b", "c"}), Ports{});
    // Gone, then back: a new reader.
    EXPECT_EQ(watch.Take({"b", "c"}), Ports{});
    EXPECT_EQ(watch.Take({"a", "b", "c"}), (Ports{"a"}));

    // A port that goes and comes back while its reader is worked on (a reader restarting
    // on new firmware) is not taken a second time.
    EXPECT_EQ(watch.Take({"a", "c"}), Ports{});
    EXPECT_EQ(watch.Take({"a", "b", "c"}), Ports{});
    watch.Finished("b");
    EXPECT_EQ(watch.Take({"a", "b", "c"}), Ports{});
    EXPECT_EQ(watch.Busy(), 2u);
}

}  // namespace
}  // namespace kd::provision
