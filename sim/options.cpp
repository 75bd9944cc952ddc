#include "sim/options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <map>

#include "link/posix/termios_setup.h"
#include "resources/strings.h"
#include "sim/key_store.h"

namespace kd::sim {

namespace {

// The texts of --scan and --scan-nfc, put in order once the parse is over.
struct ScanTexts {
    std::vector<std::string> code;
    std::vector<std::string> nfc;
};

// Delays above ten minutes are typing mistakes, not test plans.
constexpr unsigned kMaxDelayMs = 600000;
constexpr unsigned kMaxGarbage = 4096;
constexpr unsigned kMaxEvery = 1000000;

constexpr char kDescription[] =
    "kdreader-sim: serves a modelled code reader on a new pseudo-terminal (its path is the\n"
    "first line on standard output) or on a serial device, until SIGINT or SIGTERM.";

constexpr char kReadsText[] =
    "Reads: each read is built from the reader's keys at the moment it is sent, so a stored\n"
    "change shows in the next one, and is sent only while io_outputs is com1 or comusb, and\n"
    "never in the middle of a reply. contentorder (nfccontentorder for a card) gives the order\n"
    "of PREFIX, CONTENT, POSTFIX (NFCPREFIX, NFC, NFCPOSTFIX), ENTER (CR) and WRAP (LF); an\n"
    "unknown token sends nothing, and an order without the content token counts as\n"
    "PREFIX,CONTENT,POSTFIX. With codeprepostformat (nfcprepostformat) exactly hex, a prefix\n"
    "or suffix is pairs of hex digits, blanks between them skipped: \"0D41\" sends 0D 41,\n"
    "and it stops at a lone last digit or another character (\"0D4\" sends 0D, \"ZZ\"\n"
    "nothing). Any other format sends the value's own bytes. The content is sent as given.\n"
    "A FIFO line is sent without its line end; an empty line is no read.";

bool ParseNumber(std::string_view text, unsigned max, unsigned& value) {
    unsigned parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool KnownKey(std::string_view name) {
    for (const auto& key : DefaultKeys()) {
        if (key.name == name) {
            return true;
        }
    }
    return false;
}

CLI::Validator WholeNumber(unsigned max) {
    return CLI::Validator(
        [max](std::string& text) -> std::string {
            unsigned value = 0;
            if (!ParseNumber(text, max, value)) {
                return "'" + text + "' is not a whole number from 0 to " + std::to_string(max);
            }
            return {};
        },
        "");
}

// A file, directory or key name; "--log --silent" names no log.
CLI::Validator Text() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (text.empty()) {
                return "needs a non-empty value";
            }
            if (text.front() == '-') {
                return "needs a value, not the option '" + text + "'";
            }
            return {};
        },
        "");
}

CLI::Validator Speed() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            unsigned baud = 0;
            if (!ParseNumber(text, 0xFFFFFFFFu, baud)) {
                return "'" + text + "' is not a whole number";
            }
            return SpeedCode(baud) == B0 ? text + " is not a supported speed" : std::string();
        },
        "");
}

CLI::Validator KnownKeyValue() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const size_t equals = text.find('=');
            if (equals == std::string::npos || !KnownKey(text.substr(0, equals))) {
                return "'" + text + "' is not KEY=VALUE with a known key";
            }
            return {};
        },
        "");
}

void AddSettings(CLI::App& app, Options& options, std::vector<std::string>& values) {
    app.add_option("--link", options.link,
                   "make PATH a symlink to the pseudo-terminal (removed at exit)")
        ->type_name("PATH")
        ->check(Text());
    app.add_option("--device", options.device,
                   "serve on this serial device instead of a pseudo-terminal")
        ->type_name("PATH")
        ->check(Text());
    app.add_option("--baud", options.baud, "line speed of --device (default 9600)")
        ->type_name("N")
        ->check(Speed());
    app.add_option("--state", options.stateFile,
                   "load the keys from FILE at start, save them there on store")
        ->type_name("FILE")
        ->check(Text());
    app.add_option("--uploads", options.uploadDir,
                   "keep received images here (default: current directory)")
        ->type_name("DIR")
        ->check(Text());
    app.add_option("--log", options.logFile, "frame log (default: standard error)")
        ->type_name("FILE")
        ->check(Text());
    app.add_option("--line-rate", options.pace.rate,
                   "give the line the time it would take at BAUD, 10 bits a byte: requests "
                   "arrive after their line time, replies go out at that rate")
        ->type_name("BAUD")
        ->check(CLI::Range(1u, 4'000'000u));
    app.add_option("--answer-rate", options.answerOn.rate,
                   "answer only while the other side's line speed is BAUD; other requests are "
                   "logged and ignored")
        ->type_name("BAUD")
        ->check(CLI::Range(1u, 4'000'000u));
    app.add_option_function<std::string>(
           "--answer-framing",
           [&options](const std::string& text) {
               if (!ParseAnswerFraming(text, options.answerOn)) {
                   throw CLI::ValidationError("--answer-framing",
                                              text + " is not 8N1, 8N2, 8O1 or 8O2");
               }
           },
           "answer only while the other side's framing is 8N1, 8N2, 8O1 or 8O2. A "
           "pseudo-terminal keeps the stop bits and odd parity the other side sets, but "
           "not 7 data bits or even parity, which look like 8N1 there")
        ->type_name("FRAMING");
    app.add_option("--turnaround", options.pace.turnaroundMs,
                   "with --line-rate, wait MS after a request before answering (default 1)")
        ->type_name("MS")
        ->check(CLI::Range(0u, 60'000u));
    app.add_option("--new-firmware-version", options.newFirmwareVersion,
                   "once a whole firmware image has arrived, report VERSION as masterver, as a "
                   "reader restarted on it would (default: the version stays)")
        ->type_name("VERSION")
        ->check(Text());
    app.add_option("--value", values, "start with this value (repeatable; read-only keys too)")
        ->type_name("KEY=VALUE")
        ->allow_extra_args(false)
        ->check(KnownKeyValue());
}

CLI::Validator NonEmpty() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text.empty() ? "needs a non-empty value" : std::string();
        },
        "");
}

// Reads the reader sends of itself, as if a code or a card had been presented.
void AddScans(CLI::App& app, Options& options, ScanTexts& texts) {
    const std::string group = "Reads";
    app.add_option("--scan", texts.code,
                   "send a code read of TEXT after start-up (repeatable, sent in order with "
                   "--scan-nfc, 300 ms apart)")
        ->type_name("TEXT")
        ->allow_extra_args(false)
        ->check(NonEmpty())
        ->group(group);
    app.add_option("--scan-nfc", texts.nfc, "send an NFC card read of TEXT, as --scan does")
        ->type_name("TEXT")
        ->allow_extra_args(false)
        ->check(NonEmpty())
        ->group(group);
    app.add_option("--scan-every", options.scanEveryMs,
                   "send the --scan and --scan-nfc reads over and over, one every MS")
        ->type_name("MS")
        ->check(CLI::Range(1u, kMaxDelayMs))
        ->group(group);
    app.add_option("--scans", options.scanFifo,
                   "each line written to this FIFO (made when missing) becomes a code read; "
                   "the FIFO is opened again after each writer")
        ->type_name("FIFO")
        ->check(Text())
        ->group(group);
}

void AddFaults(CLI::App& app, FaultPlan& faults) {
    const std::string group = "Faults";
    app.add_flag("--silent", faults.silent, "never answer")->group(group);
    app.add_option("--refuse-key", faults.refusedKeys,
                   "refuse reads and writes of KEY (repeatable)")
        ->type_name("KEY")
        ->allow_extra_args(false)
        ->check(Text())
        ->group(group);
    app.add_flag("--refuse-all", faults.refuseAll, "refuse every request")->group(group);
    app.add_option("--drop-every", faults.dropEvery, "do not send every Nth reply")
        ->type_name("N")
        ->check(WholeNumber(kMaxEvery))
        ->group(group);
    app.add_option("--wrong-index-every", faults.wrongIndexEvery,
                   "echo a wrong index for every Nth upload block, not taking it")
        ->type_name("N")
        ->check(WholeNumber(kMaxEvery))
        ->group(group);
    app.add_option("--split-gap", faults.splitGapMs, "send each reply in two bursts MS apart")
        ->type_name("MS")
        ->check(WholeNumber(kMaxDelayMs))
        ->group(group);
    app.add_option("--garbage", faults.garbageBytes, "send N noise bytes before each reply")
        ->type_name("N")
        ->check(WholeNumber(kMaxGarbage))
        ->group(group);
    app.add_option("--delay", faults.delayMs, "wait MS before each reply")
        ->type_name("MS")
        ->check(WholeNumber(kMaxDelayMs))
        ->group(group);
    app.add_option("--repeat-replies", faults.repeatGapMs,
                   "send every reply a second time, MS after the first")
        ->type_name("MS")
        ->check(WholeNumber(kMaxDelayMs))
        ->group(group);
    app.add_option("--trickle", faults.trickleMs, "send each reply byte MS after the one before")
        ->type_name("MS")
        ->check(WholeNumber(kMaxDelayMs))
        ->group(group);
    app.add_flag("--unanswered-store", faults.unansweredStore,
                 "take a store in and never answer it")
        ->group(group);
    app.add_flag("--refuse-store", faults.refuseStore, "refuse every store, keeping nothing")
        ->group(group);
}

// With --answer-rate or --answer-framing: what a request on other settings gets back.
void AddWrongLineNoise(CLI::App& app, AnswerLine& line) {
    const std::map<std::string, WrongLineNoise> kinds = {{"zeros", WrongLineNoise::Zeros},
                                                         {"ones", WrongLineNoise::Ones},
                                                         {"random", WrongLineNoise::Random}};
    app.add_option("--noise-elsewhere", line.noise,
                   "answer a request on other line settings with 12 noise bytes: zeros (0x00), "
                   "ones (0xFF) or random")
        ->type_name("KIND")
        ->transform(CLI::CheckedTransformer(kinds))
        ->group("Faults");
}

// One program's options, filled in by parsing.
struct Parser {
    explicit Parser(Options& options) : app(kDescription, "kdreader-sim") {
        app.set_version_flag("--version", VersionText(), "print the version and exit");
        AddSettings(app, options, values);
        AddScans(app, options, scanTexts);
        AddFaults(app, options.faults);
        AddWrongLineNoise(app, options.answerOn);
        app.footer(kReadsText);
        app.allow_extras();
    }

    CLI::App app;
    std::vector<std::string> values;
    ScanTexts scanTexts;
};

// The --scan and --scan-nfc reads in the order they were given.
std::vector<Scan> ScansInOrder(const Parser& parser) {
    std::vector<Scan> scans;
    size_t code = 0;
    size_t nfc = 0;
    for (const CLI::Option* option : parser.app.parse_order()) {
        if (option->get_name() == "--scan" && code < parser.scanTexts.code.size()) {
            scans.push_back({catalogue::ReadKind::Code, parser.scanTexts.code[code++]});
        } else if (option->get_name() == "--scan-nfc" && nfc < parser.scanTexts.nfc.size()) {
            scans.push_back({catalogue::ReadKind::Nfc, parser.scanTexts.nfc[nfc++]});
        }
    }
    return scans;
}

// What CLI11 leaves to us: the arguments it did not take, and the combinations.
std::string Complete(const Parser& parser, Options& options) {
    if (const auto rest = parser.app.remaining(); !rest.empty()) {
        const std::string& first = rest.front();
        return first.starts_with("-") ? "unknown option '" + first.substr(0, first.find('=')) + "'"
                                      : "unexpected argument '" + first + "'";
    }
    if (parser.app.count("--baud") > 0 && options.device.empty()) {
        return "--baud applies to --device only";
    }
    if (options.answerOn.noise != WrongLineNoise::None &&
        parser.app.count("--answer-rate") + parser.app.count("--answer-framing") == 0) {
        return "--noise-elsewhere needs --answer-rate or --answer-framing";
    }
    if (!options.device.empty() && !options.link.empty()) {
        return "--link applies to the pseudo-terminal only, not to --device";
    }
    options.scans = ScansInOrder(parser);
    if (options.scanEveryMs != 0 && options.scans.empty()) {
        return "--scan-every needs --scan or --scan-nfc";
    }
    for (const auto& pair : parser.values) {
        const size_t equals = pair.find('=');
        options.values.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    }
    return {};
}

}  // namespace

std::string VersionText() {
    return "kdreader-sim " + std::string(strings::kToolVersion) + "\n";
}

std::string UsageText() {
    Options unused;
    return Parser(unused).app.help();
}

bool ParseOptions(std::span<const std::string_view> args, Options& options, std::string& error) {
    Parser parser(options);
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        parser.app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        return true;
    } catch (const CLI::CallForVersion&) {
        options.version = true;
        return true;
    } catch (const CLI::ParseError& failure) {
        error = failure.what();
        return false;
    }
    error = Complete(parser, options);
    return error.empty();
}

}  // namespace kd::sim
