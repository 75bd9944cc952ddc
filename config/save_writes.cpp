#include "config/save_writes.h"

#include "catalogue/key_catalogue.h"

namespace kd {

namespace {

namespace key = catalogue::key;
namespace value = catalogue::value;
using catalogue::FlagValue;

class Writes {
  public:
    void operator()(std::string_view name, std::string_view text) {
        list_.push_back({name, std::string(text)});
    }
    std::vector<KeyWrite> Take() { return std::move(list_); }

  private:
    std::vector<KeyWrite> list_;
};

void SymbologyAndRoute(const PageSettings& pages, Writes& write) {
    const SymbologyPage::Settings& symbology = pages.symbology;
    write(key::kPdf417Code, FlagValue(symbology.pdf417));
    write(key::kQrCode, FlagValue(symbology.qrCode));
    write(key::kDmCode, FlagValue(symbology.dmCode));
    write(key::kOneCode, FlagValue(symbology.barcode));

    const OutputModePage::Settings& mode = pages.mode;
    if (mode.comOutput) {
        write(key::kIoInits, value::kComInits);
        write(key::kIoMonitors, value::kComMonitors);
        write(key::kIoOutputs, value::kComOutput);
        write(key::kBaudRate, mode.baudRate);
        write(key::kByteSizes, mode.byteSize);
        write(key::kStopBits, mode.stopBits);
        write(key::kParitys, mode.parity);
    }
    if (mode.usbOutput) {
        write(key::kIoInits, value::kUsbInits);
        write(key::kIoMonitors, value::kUsbMonitors);
        write(key::kIoOutputs, value::kUsbOutput);
    }
}

void LineEndsAndAffixes(const OutputFormatPage::Settings& format, Writes& write) {
    write(key::kContentOrder, catalogue::ContentOrderValue(format.enter, format.wrap));
    write(key::kCodePrefix, format.codePrefix);
    write(key::kCodePostfix, format.codePostfix);
    if (format.nfcPrefixChecked) {
        write(key::kNfcContentOrder, value::kNfcContentOrder);
    }
    write(key::kNfcPrefix, format.nfcPrefix);
    write(key::kNfcPostfix, format.nfcPostfix);
}

void SignalsModeAndNfc(const ControlPage::Settings& control, Writes& write) {
    write(key::kIntervalTime, control.intervalTime);
    if (control.rebootLight) {
        const catalogue::RebootLight& light = *control.rebootLight;
        write(key::kNfcHint, catalogue::HintValue(light, control.nfcBeeper, control.nfcRedFlash));
        write(key::kCodeHint,
              catalogue::HintValue(light, control.codeBeeper, control.codeRedFlash));
        write(key::kRebootHint, light.literal);
    }
    if (control.workMode) {
        write(key::kWorkMode, *control.workMode);
    }
    if (control.nfcOn) {
        write(key::kNfcSerial, value::kNfcSerial);
        write(key::kNfcAble, FlagValue(true));
        write(key::kCom0DevName, value::kCom0DevName);
        if (control.nfcContentFormat) {
            write(key::kNfcContentFormat, *control.nfcContentFormat);
        }
    } else {
        write(key::kNfcAble, FlagValue(false));
    }
}

void AffixFormats(const OutputFormatPage::Settings& format, Writes& write) {
    if (format.codePrePostFormat) {
        write(key::kCodePrePostFormat, *format.codePrePostFormat);
    }
    if (format.nfcPrePostFormat) {
        write(key::kNfcPrePostFormat, *format.nfcPrePostFormat);
    }
    if (format.nfcReadMethod) {
        write(key::kNfcReadMethod, *format.nfcReadMethod);
    }
}

void ContentFormats(const ControlPage::Settings& control, Writes& write) {
    write(key::kNfcContentBegin, control.nfcContentBegin);
    write(key::kNfcContentEnd, control.nfcContentEnd);
    if (control.codeContentFormat) {
        write(key::kCodeContentFormat, *control.codeContentFormat);
    }
    if (control.contentFormat) {
        write(key::kContentFormat, *control.contentFormat);
    }
    if (control.developMode) {
        write(key::kDevelopCtrl, control.developMode->developCtrl);
        write(key::kScanMode, control.developMode->scanMode);
    }
}

}  // namespace

std::vector<KeyWrite> SaveWrites(const PageSettings& pages) {
    // The pages interleave: the reader has always been written in this order.
    Writes write;
    SymbologyAndRoute(pages, write);
    LineEndsAndAffixes(pages.format, write);
    SignalsModeAndNfc(pages.control, write);
    AffixFormats(pages.format, write);
    write(key::kDeviceNo, pages.deviceNumber);
    ContentFormats(pages.control, write);
    return write.Take();
}

}  // namespace kd
