#include "provision/key_error.h"

#include "protocol/device_commands.h"

namespace kd::provision {

std::optional<KeyError> FromExchange(int result) {
    if (result >= 0) {
        return std::nullopt;
    }
    switch (result) {
        case kExchangeRefused:
            return KeyError::Refused;
        case kExchangeShortReply:
            return KeyError::NoValidReply;
        default:
            // A request that could not be sent and one that got no answer both mean
            // the reader is no longer there to talk to.
            return KeyError::ReaderGone;
    }
}

std::string_view Describe(KeyError error) {
    switch (error) {
        case KeyError::Refused:
            return "the reader refused";
        case KeyError::NoValidReply:
            return "no valid reply";
        case KeyError::ReaderGone:
            return "no reply: the reader is gone";
        case KeyError::NotAsked:
            break;
    }
    return "not asked: the reader had gone";
}

std::string_view Code(KeyError error) {
    switch (error) {
        case KeyError::Refused:
            return "refused";
        case KeyError::NoValidReply:
            return "no-valid-reply";
        case KeyError::ReaderGone:
            return "no-reply";
        case KeyError::NotAsked:
            break;
    }
    return "not-asked";
}

}  // namespace kd::provision
