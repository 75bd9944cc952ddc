#include "protocol/upload_frames.h"

#include <algorithm>

namespace kd {

size_t BuildUploadStartFrame(uint32_t fileLength, std::string_view targetName,
                             const Md5Digest& digest, std::span<uint8_t> out) {
    const size_t payloadLength = 4 + 2 + targetName.size() + 2 + digest.size();
    if (targetName.size() > 0xFFFF || kRequestHeaderSize + payloadLength + 1 > out.size()) {
        return 0;
    }
    uint8_t* at = &out[kRequestHeaderSize];
    PutLe32(at, fileLength);
    PutLe16(at + 4, static_cast<uint16_t>(targetName.size()));
    at = std::copy(targetName.begin(), targetName.end(), at + 6);
    PutLe16(at, static_cast<uint16_t>(digest.size()));
    std::copy(digest.begin(), digest.end(), at + 2);
    return SealRequest(kHandshakeMagic, kUploadStartCommand, payloadLength, out);
}

size_t SealUploadDataFrame(uint32_t blockIndex, size_t dataLength, std::span<uint8_t> out) {
    if (dataLength == 0 || dataLength > kUploadBlockSize ||
        kUploadDataOffset + dataLength + 1 > out.size()) {
        return 0;
    }
    PutLe32(&out[kRequestHeaderSize], blockIndex);
    return SealRequest(kHandshakeMagic, kUploadDataCommand, dataLength + 4, out);
}

bool AcknowledgesBlock(std::span<const uint8_t> received, uint32_t blockIndex) {
    return JudgeReply(received, kUploadDataReplyMin) == ReplyVerdict::Accepted &&
           GetLe32(&received[kReplyHeaderSize]) == blockIndex;
}

}  // namespace kd
