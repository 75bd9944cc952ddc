#pragma once

#include <string_view>

namespace kd {

// Where a version query puts the text it read: a label of the main window, or a line
// of the command-line tool.
class TextSink {
  public:
    virtual ~TextSink() = default;
    virtual void SetText(std::string_view text) = 0;
};

}  // namespace kd
