// Feeds arbitrary text to the simulator's state file parser. A text loads whole or
// changes nothing; what loaded saves to a text that loads back to the same keys; and
// the field escapes round-trip every byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/key_store.h"
#include "tests/fuzz/played_channel.h"

using kd::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::string unescaped;
    for (bool isKey : {false, true}) {
        Require(kd::sim::UnescapeStateField(kd::sim::EscapeStateField(text, isKey), unescaped));
        Require(unescaped == text);
    }

    kd::sim::KeyStore keys;
    const std::string before = keys.StateText();
    std::string error;
    if (!keys.ApplyStateText(text, error)) {
        Require(!error.empty());
        Require(keys.StateText() == before);
        return 0;
    }
    const std::string saved = keys.StateText();
    kd::sim::KeyStore reloaded;
    Require(reloaded.ApplyStateText(saved, error));
    Require(reloaded.StateText() == saved);
    return 0;
}
