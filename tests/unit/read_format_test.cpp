// What a reader sends around a read, byte for byte, and how monitor takes it apart again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "catalogue/read_format.h"
#include "cli/commands/monitor_reads.h"
#include "protocol/device_commands.h"
#include "protocol/keeping_channel.h"
#include "sim/key_store.h"
#include "sim/model_channel.h"
#include "sim/reader_model.h"
#include "sim/scan_feed.h"
#include "tests/support/processes.h"

namespace kd {
namespace {

using catalogue::ReadKind;
using catalogue::ReadPart;

struct BuildCase {
    const char* what;
    ReadKind kind;
    catalogue::ReadKeys keys;  // order, prefix, suffix, format
    std::string sent;          // for the content "AB"
};

TEST(ReadFormat, EachRuleSendsTheBytesWrittenOutByHand) {
    const std::vector<BuildCase> cases = {
        {"hex prefix, CR LF",
         ReadKind::Code,
         {"PREFIX,CONTENT,POSTFIX,ENTER,WRAP", "0D41", "", "hex"},
         "\x0D\x41"
         "AB\r\n"},
        {"char affixes are their own bytes",
         ReadKind::Code,
         {"PREFIX,CONTENT,POSTFIX,ENTER", "0D41", "]", "char"},
         "0D41AB]\r"},
        {"lower-case hex, blanks between pairs",
         ReadKind::Code,
         {"PREFIX,CONTENT,POSTFIX", "0d 0a", "7e", "hex"},
         "\x0D\x0A"
         "AB~"},
        {"odd hex digits: the lone last one is dropped",
         ReadKind::Code,
         {"PREFIX,CONTENT,POSTFIX", "0D4", "", "hex"},
         "\x0D"
         "AB"},
        {"non-hex: stops there",
         ReadKind::Code,
         {"PREFIX,CONTENT,POSTFIX", "41ZZ42", "ZZ", "hex"},
         "AAB"},
        {"an unknown format sends the value as it is",
         ReadKind::Code,
         {"PREFIX,CONTENT,POSTFIX", "0D", "", "HEX"},
         "0DAB"},
        {"the order is followed, LF before CR",
         ReadKind::Code,
         {"POSTFIX,CONTENT,WRAP,ENTER,PREFIX", "<", ">", "char"},
         ">AB\n\r<"},
        {"unknown tokens and a repeated content send nothing",
         ReadKind::Code,
         {"PREFIX,enter,CONTENT,CONTENT, WRAP", "<", "", "char"},
         "<AB"},
        {"no content token: the plain order",
         ReadKind::Code,
         {"ENTER,WRAP", "<", ">", "char"},
         "<AB>"},
        {"empty order: the plain order", ReadKind::Code, {"", "<", ">", "char"}, "<AB>"},
        {"a card's own tokens",
         ReadKind::Nfc,
         {"NFCPREFIX,NFC,NFCPOSTFIX,ENTER", "4E", "3B", "hex"},
         "NAB;\r"},
        {"a card does not take the code tokens",
         ReadKind::Nfc,
         {"PREFIX,NFC,POSTFIX", "4E", "3B", "hex"},
         "AB"},
    };
    for (const BuildCase& c : cases) {
        const auto pieces = catalogue::BuildRead(c.kind, c.keys, "AB");
        EXPECT_EQ(catalogue::Joined(pieces), c.sent) << c.what;
        // Taken apart again by the same keys, the read gives back its content.
        const catalogue::SplitResult split = catalogue::SplitRead(c.kind, c.keys, c.sent);
        EXPECT_TRUE(split.matched) << c.what;
        EXPECT_EQ(split.pieces, pieces) << c.what;
    }
}

TEST(ReadFormat, EndingsAndSplitsTellCodesFromCards) {
    catalogue::ReadFormat format;
    format.code = {"PREFIX,CONTENT,POSTFIX,ENTER,WRAP", "02", "03", "hex"};
    format.nfc = {"NFCPREFIX,NFC,NFCPOSTFIX", "NFC:", "", "char"};
    EXPECT_EQ(catalogue::ReadEnding(ReadKind::Code, format.code), "\x03\r\n");
    EXPECT_EQ(catalogue::ReadEnding(ReadKind::Nfc, format.nfc), "");
    // A line end before the content ends no read.
    EXPECT_EQ(catalogue::ReadEnding(ReadKind::Code, {"ENTER,PREFIX,CONTENT", "", "", ""}), "");

    const auto card = catalogue::SplitRead(format, "NFC:1234");
    EXPECT_EQ(card.kind, ReadKind::Nfc);
    EXPECT_TRUE(card.matched);
    EXPECT_EQ(catalogue::ContentOf(card), "1234");
    const auto code = catalogue::SplitRead(format, "\x02X\x03\r\n");
    EXPECT_EQ(code.kind, ReadKind::Code);
    EXPECT_EQ(catalogue::ContentOf(code), "X");
    // Neither fits: all content, its line ends apart.
    const auto odd = catalogue::SplitRead(format, "X\x03\r\n");
    EXPECT_FALSE(odd.matched);
    EXPECT_EQ(odd.pieces,
              (std::vector<catalogue::ReadPiece>{
                  {ReadPart::Content, "X\x03"}, {ReadPart::Enter, "\r"}, {ReadPart::Wrap, "\n"}}));
}

TEST(SimulatedReads, AreBuiltFromTheKeysAsTheyAreWhenSentAndOnlyForTheSerialLine) {
    sim::KeyStore keys;
    keys.Set("contentorder", "PREFIX,CONTENT,POSTFIX,ENTER,WRAP");
    keys.Set("codeprefix", "0D41");
    keys.Set("codeprepostformat", "hex");
    keys.Set("nfcprefix", "N");
    keys.Set("nfcprepostformat", "char");
    keys.Set("nfccontentorder", "NFCPREFIX,NFC,NFCPOSTFIX");
    std::string why;
    const sim::Scan code{ReadKind::Code, "12"};
    EXPECT_EQ(sim::ReadForLine(keys, code, why),
              "\x0D\x41"
              "12\r\n");
    EXPECT_EQ(sim::ReadForLine(keys, {ReadKind::Nfc, "12"}, why), "N12");
    // A change written over the line shows in the next read.
    keys.Write("codepostfix", "2C");
    EXPECT_EQ(sim::ReadForLine(keys, code, why),
              "\x0D\x41"
              "12,\r\n");
    keys.Write("io_outputs", "comusb");
    EXPECT_TRUE(sim::ReadForLine(keys, code, why).has_value());
    for (const char* elsewhere : {"hid", "", "COM1"}) {
        keys.Write("io_outputs", elsewhere);
        EXPECT_FALSE(sim::ReadForLine(keys, code, why).has_value()) << elsewhere;
    }
}

// Writes text into the FIFO as one writer that then goes away.
void WriteAndClose(const std::string& fifo, const std::string& text) {
    const UniqueFd writer(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    ASSERT_TRUE(writer.Valid());
    ASSERT_EQ(::write(writer.Get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

TEST(SimulatedReads, TheFeedTakesEachFifoLineAfterTheScansAndOutlivesItsWriters) {
    test::TempDir dir;
    const std::string fifo = (dir / "scans").string();
    sim::ScanFeed feed({{ReadKind::Nfc, "card"}}, 0, fifo);
    std::string error;
    ASSERT_TRUE(feed.Open(error)) << error;
    const auto start = std::chrono::steady_clock::now();
    feed.Start(start);
    for (const char* text : {"one\n\ntwo", "three\n"}) {
        WriteAndClose(fifo, text);
        // The lines, then the writer's end, which opens the FIFO again for the next one.
        EXPECT_EQ(feed.TakeFifo(), "");
        EXPECT_EQ(feed.TakeFifo(), "");
    }
    std::vector<sim::Scan> sent;
    auto now = start;
    while (const auto scan = feed.Due(now)) {
        sent.push_back(*scan);
        EXPECT_EQ(feed.MsUntilDue(now), sent.size() < 4 ? static_cast<int>(sim::kReadGapMs) : -1);
        now += std::chrono::milliseconds(sim::kReadGapMs);
    }
    EXPECT_EQ(sent, (std::vector<sim::Scan>{{ReadKind::Nfc, "card"},
                                            {ReadKind::Code, "one"},
                                            {ReadKind::Code, "two"},
                                            {ReadKind::Code, "three"}}));
}

TEST(MonitorReads, TheCutterEndsReadsAtTheirEndingAndHoldsTheRest) {
    catalogue::ReadCutter cutter({{"", "\r\n"}, {"", ""}});
    EXPECT_EQ(cutter.Take("AB\r"), std::vector<std::string>{});
    EXPECT_EQ(cutter.Take("\nCD\r\nE"), (std::vector<std::string>{"AB\r\n", "CD\r\n"}));
    EXPECT_EQ(cutter.Flush(), "E");
    EXPECT_FALSE(cutter.Holding());

    // A prefix that holds the ending's byte (hex 0D41 before a CR) does not end the read,
    // whole or still arriving; a read without the prefix ends at its first CR.
    const std::string prefix =
        "\x0D"
        "A";
    catalogue::ReadCutter prefixed(std::vector<catalogue::ReadBounds>{{prefix, "\r"}});
    EXPECT_EQ(prefixed.Take("\x0D"), std::vector<std::string>{});
    EXPECT_EQ(prefixed.Take("AAB\rX\r"), (std::vector<std::string>{prefix + "AB\r", "X\r"}));
    EXPECT_FALSE(prefixed.Holding());
}

// A read the reader sends of itself around a query's reply is not lost to the exchange.
TEST(KeepingChannel, KeepsWhatCameAroundAReplyAndTheReplyStillCounts) {
    sim::KeyStore keys;
    keys.Set("codeprefix", "PRE");
    sim::ReaderModel model(keys, {.delayMs = 20});
    sim::ModelChannel line(model);
    KeepingChannel channel(line);
    line.Inject(0, std::vector<uint8_t>{'A', '\r', '\n'});  // waiting before the request
    line.Inject(10, std::vector<uint8_t>{'B', '\r'});       // after it, before the reply
    line.Inject(40, std::vector<uint8_t>{'\n', 'C'});       // after the reply
    std::string value;
    EXPECT_EQ(ReadKey(&channel, "codeprefix", value), 3);
    EXPECT_EQ(value, "PRE");
    // Each waits for the next exchange or the listener, in the order it came.
    EXPECT_EQ(ReadKey(&channel, "codeprefix", value), 3);
    EXPECT_EQ(channel.TakeKept(), "A\r\nB\r\nC");
}

}  // namespace
}  // namespace kd
