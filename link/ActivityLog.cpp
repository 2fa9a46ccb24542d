#include "link/ActivityLog.h"

namespace kdx {

std::string FormatLogLine(std::string_view timeOfDay, std::string_view message) {
    std::string line;
    line.reserve(timeOfDay.size() + message.size() + 7);
    line.append(timeOfDay).append(" --> ").append(message).append("\r\n");
    return line;
}

void ActivityLog::LogMessage(std::string_view message) {
    text_.insert(0, FormatLogLine(time_.TimeOfDay(), message));
    if (changed_) changed_(text_);
}

}  // namespace kdx
