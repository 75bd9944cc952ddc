#pragma once

#include <signal.h>

#include "sim/answer_line.h"
#include "sim/frame_log.h"
#include "sim/line_pace.h"
#include "sim/reader_model.h"
#include "sim/scan_feed.h"

namespace kd::sim {

enum class ServeEnd { Stopped, PortFailed };

// Reads requests from fd (non-blocking) in chunks, feeds the model and sends its replies
// with their delays and the line's pace, until stop is set. Signals are taken only while
// waiting, with waitMask in force, so a stop request is never missed between check and
// wait. Requests that arrive while the line is not set as answerOn asks are logged and
// dropped unread by the model. Between requests it sends the reads the scans give, when
// they are due; never in the middle of a reply.
ServeEnd Serve(int fd, ReaderModel& model, FrameLog& log, const LinePace& pace,
               const AnswerLine& answerOn, ScanFeed& scans, const sigset_t& waitMask,
               const volatile sig_atomic_t& stop);

}  // namespace kd::sim
