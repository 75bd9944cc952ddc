#pragma once

namespace kd::cli {

// Distinct exit codes, so scripts can tell the failures apart.
enum ExitCode : int {
    kExitOk = 0,
    kExitDiffers = 1,  // diff: the reader differs (apply exits 0 when nothing had to change)
    kExitUsage = 2,
    kExitPortUnavailable = 3,
    kExitNoAnswer = 4,               // write failed, or no reply / a short reply in time
    kExitRefused = 5,                // the reader answered with a non-zero status
    kExitUploadFile = 6,             // the file is missing, unreadable or changed while sent
    kExitUploadStartFailed = 7,      // the reader did not take the upload's start
    kExitUploadTransmitFailed = 8,   // a block could not be written to the port
    kExitUploadNotAcknowledged = 9,  // a block went out four times without acknowledgement
    kExitOutputFailed = 10,          // standard output or the output file could not be written
    kExitProfileRefused = 11,   // the profile cannot be read, or the catalogue check refused it
    kExitWriteFailed = 12,      // apply: a write or the store failed, nothing stored
    kExitVerifyFailed = 13,     // apply: a key read back differently after the store
    kExitStationFailures = 14,  // station: at least one reader failed
    kExitVersionMismatch = 15,  // upload-firmware --expect-version: another version afterwards
    kExitReadDiffers = 16,      // monitor --expect: the read holds other content
    kExitInterrupted = 130,     // SIGINT (Ctrl-C): stopped between two exchanges
    kExitTerminated = 143,      // SIGTERM or SIGHUP: stopped between two exchanges
};

}  // namespace kd::cli
