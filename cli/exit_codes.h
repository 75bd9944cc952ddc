#pragma once

namespace kd::cli {

// Distinct exit codes, so scripts can tell the failures apart.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 2,
    kExitPortUnavailable = 3,
    kExitNoAnswer = 4,               // write failed, or no reply / a short reply in time
    kExitRefused = 5,                // the reader answered with a non-zero status
    kExitUploadFile = 6,             // the file is missing, unreadable or changed while sent
    kExitUploadStartFailed = 7,      // the reader did not take the upload's start
    kExitUploadTransmitFailed = 8,   // a block could not be written to the port
    kExitUploadNotAcknowledged = 9,  // a block went out four times without acknowledgement
    kExitOutputFailed = 10,          // standard output could not be written
};

}  // namespace kd::cli
