#pragma once

#include <signal.h>

#include "sim/frame_log.h"
#include "sim/line_pace.h"
#include "sim/reader_model.h"

namespace kd::sim {

enum class ServeEnd { Stopped, PortFailed };

// Reads requests from fd (non-blocking) in chunks, feeds the model and sends its replies
// with their delays and the line's pace, until stop is set. Signals are taken only while
// waiting, with waitMask in force, so a stop request is never missed between check and
// wait. When answerRate is not 0, requests that arrive while the line's speed differs
// are logged and dropped unread by the model.
ServeEnd Serve(int fd, ReaderModel& model, FrameLog& log, const LinePace& pace, uint32_t answerRate,
               const sigset_t& waitMask, const volatile sig_atomic_t& stop);

}  // namespace kd::sim
