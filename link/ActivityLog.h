#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "link/Interfaces.h"

namespace kdx {

// One log line: time of day, " --> ", the message, CR LF.
std::string FormatLogLine(std::string_view timeOfDay, std::string_view message);

// The activity log's text, newest line first; it only ever grows.
class ActivityLog : public MessageLog {
  public:
    explicit ActivityLog(TimeOfDaySource& time) : time_(time) {}

    void LogMessage(std::string_view message) override;
    const std::string& Text() const { return text_; }

    // Called with the whole new text after every line (the window shows it in `Text2`).
    void SetChangedHook(std::function<void(const std::string&)> hook) {
        changed_ = std::move(hook);
    }

  private:
    TimeOfDaySource& time_;
    std::string text_;
    std::function<void(const std::string&)> changed_;
};

}  // namespace kdx
