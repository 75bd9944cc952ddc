#include "provision/upload_words.h"

namespace kd::provision {

std::string DescribeUpload(UploadOutcome outcome, bool firmware, const std::string& fileName) {
    const std::string what = firmware ? "firmware" : "configuration";
    switch (outcome) {
        case UploadOutcome::Done:
            return what + " update sent: power the reader off and on for the new " + what +
                   " to take effect";
        case UploadOutcome::NoChannel:
            return "no reader connection";
        case UploadOutcome::FileMissing:
            return "cannot open " + fileName + ": the file does not exist or cannot be read";
        case UploadOutcome::StartWriteFailed:
            return what +
                   " upload failed at the start (1): the start frame could not be written to "
                   "the port";
        case UploadOutcome::StartShortReply:
            return what + " upload failed at the start (2): no valid reply from the reader";
        case UploadOutcome::StartRefused:
            return what + " upload failed at the start (3): the reader refused it";
        case UploadOutcome::FileReadFailed:
            return "reading " + fileName +
                   " failed: it gave fewer or other bytes than when it was opened; update failed";
        case UploadOutcome::WriteFailed:
            return "transmit error: a block could not be written to the port; update failed";
        case UploadOutcome::Cancelled:
            return what + " upload stopped between blocks: the reader holds a partial image; " +
                   "send the whole file again";
        case UploadOutcome::NotAcknowledged:
            break;
    }
    return "communication error: a block was not acknowledged after " +
           std::to_string(kUploadSendsPerBlock) + " sends; update failed";
}

}  // namespace kd::provision
