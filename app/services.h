#pragma once

#include <memory>
#include <string>

#include "link/channel.h"
#include "link/serial_settings.h"

namespace kd {

class PortSource;
class HidPlatform;
class UploadFiles;
class Sleeper;
namespace ui {
class Toolkit;
}

// The named mutex that keeps a second copy out, and the way out of the process.
class ProcessControl {
  public:
    virtual ~ProcessControl() = default;
    // Creates the mutex with initial ownership and keeps it until the process ends.
    // False when a mutex of that name already existed.
    virtual bool CreateSingleInstanceMutex(const char* name) = 0;
    virtual void ExitProcess(int code) = 0;
};

// Opens the serial channel a connect asks for.
class ChannelOpener {
  public:
    virtual ~ChannelOpener() = default;
    virtual std::unique_ptr<Channel> Open(const SerialSettings& settings, std::string& error) = 0;
};

// Everything the application reaches outside itself.
struct AppServices {
    ui::Toolkit& toolkit;
    ProcessControl& process;
    PortSource& ports;
    HidPlatform& hidPlatform;
    ChannelOpener& channels;
    UploadFiles& uploadFiles;
    Sleeper& sleeper;
};

}  // namespace kd
