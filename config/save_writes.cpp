#include "config/save_writes.h"

#include <algorithm>

#include "catalogue/key_catalogue.h"

namespace kd {

namespace {

namespace key = catalogue::key;
namespace value = catalogue::value;

// The pages interleave: the reader has always been written in this order. Each key is
// written when the pages give it a value.
constexpr std::string_view kCodeTypes[] = {key::kPdf417Code, key::kQrCode, key::kDmCode,
                                           key::kOneCode};
// Written after the serial route's boxes, in this order.
constexpr std::string_view kLineSettings[] = {key::kBaudRate, key::kByteSizes, key::kStopBits,
                                              key::kParitys};
constexpr std::string_view kAfterRoutes[] = {
    key::kContentOrder,      key::kCodePrefix,       key::kCodePostfix,
    key::kNfcContentOrder,   key::kNfcPrefix,        key::kNfcPostfix,
    key::kIntervalTime,      key::kNfcHint,          key::kCodeHint,
    key::kRebootHint,        key::kWorkMode,         key::kNfcSerial,
    key::kNfcAble,           key::kCom0DevName,      key::kNfcContentFormat,
    key::kCodePrePostFormat, key::kNfcPrePostFormat, key::kNfcReadMethod,
    key::kDeviceNo,          key::kNfcContentBegin,  key::kNfcContentEnd,
    key::kCodeContentFormat, key::kContentFormat,    key::kDevelopCtrl,
    key::kScanMode,
};

class Writes {
  public:
    explicit Writes(const KeyValues& values) : values_(values) {}

    void operator()(std::string_view name, std::string_view text) {
        list_.push_back({name, std::string(text)});
    }
    void Each(std::span<const std::string_view> names) {
        for (const std::string_view name : names) {
            if (const std::string* text = FindValue(values_, name);
                text != nullptr && Means(name)) {
                (*this)(name, *text);
            }
        }
    }
    std::vector<KeyWrite> Take() { return std::move(list_); }

  private:
    // The NFC format means nothing with the NFC reader off.
    bool Means(std::string_view name) const {
        if (name != key::kNfcContentFormat) {
            return true;
        }
        const std::string* nfcAble = FindValue(values_, key::kNfcAble);
        return nfcAble != nullptr && catalogue::FlagIsOn(*nfcAble);
    }

    const KeyValues& values_;
    std::vector<KeyWrite> list_;
};

// The literal of the key that goes with the route's box.
std::string_view Companion(std::string_view name, std::string_view route) {
    const catalogue::KeyInfo& routes = *catalogue::FindKey(key::kIoOutputs);
    const auto box = std::find(routes.literals.begin(), routes.literals.end(), route);
    return catalogue::FindKey(name)->literals[static_cast<size_t>(box - routes.literals.begin())];
}

void Route(std::string_view route, Writes& write) {
    write(key::kIoInits, Companion(key::kIoInits, route));
    write(key::kIoMonitors, Companion(key::kIoMonitors, route));
    write(key::kIoOutputs, route);
    if (route == value::kComOutput) {
        write.Each(kLineSettings);
    }
}

}  // namespace

std::vector<KeyWrite> SaveWrites(const PageSettings& pages) {
    Writes write(pages.values);
    write.Each(kCodeTypes);
    for (const std::string_view route : pages.routes) {
        Route(route, write);
    }
    write.Each(kAfterRoutes);
    return write.Take();
}

}  // namespace kd
