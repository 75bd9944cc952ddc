#pragma once

#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/channel_key_access.h"
#include "sim/model_channel.h"
#include "sim/reader_model.h"

namespace kd::test {

// A reader in memory behind the real key commands, noting every request it takes:
// "read KEY", "write KEY=VALUE", "store".
class ModelledReader final : public sim::ModelObserver {
  public:
    ModelledReader() : model(keys, {}, this), channel(model), access(&channel) {}

    void OnFrame(sim::Direction direction, std::span<const uint8_t> /*bytes*/,
                 std::string_view note) override {
        if (direction == sim::Direction::Rx) {
            requests.emplace_back(note);
            if (onRequest) {
                onRequest(note);
            }
        }
    }
    bool OnStore(const sim::KeyStore& /*keys*/) override { return storeSucceeds; }
    bool OnUploadComplete(std::string_view target, std::span<const uint8_t> image,
                          bool digestMatches) override {
        uploads.push_back({std::string(target), {image.begin(), image.end()}, digestMatches});
        // As kdreader-sim --new-firmware-version: the reader runs the new image.
        if (target == "tesmor" && !newFirmwareVersion.empty()) {
            Set("masterver", newFirmwareVersion);
        }
        return true;
    }

    void Set(std::string_view name, std::string_view value) {
        if (keys.Set(name, value) != sim::KeyStore::WriteResult::Done) {
            throw std::invalid_argument("unknown key " + std::string(name));
        }
    }
    std::string Value(std::string_view name) const { return *keys.Find(name); }

    // The names read, in order.
    std::vector<std::string> Reads() const {
        std::vector<std::string> names;
        for (const auto& request : requests) {
            if (request.starts_with("read ")) {
                names.push_back(request.substr(5));
            }
        }
        return names;
    }
    // Writes and stores, in order.
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const auto& request : requests) {
            if (request.starts_with("write ") || request == "store") {
                writes.push_back(request);
            }
        }
        return writes;
    }

    sim::KeyStore keys;
    sim::ReaderModel model;
    sim::ModelChannel channel;
    ChannelKeyAccess access;
    std::vector<std::string> requests;
    std::function<void(std::string_view)> onRequest;
    bool storeSucceeds = true;
    std::string newFirmwareVersion;  // masterver once a whole firmware image has arrived

    struct ReceivedImage {
        std::string target;
        std::vector<uint8_t> image;
        bool digestMatches;
    };
    std::vector<ReceivedImage> uploads;
};

}  // namespace kd::test
