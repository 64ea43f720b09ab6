#pragma once

#include <string>
#include <vector>

namespace lumicap {

// Exiv2 reports dropped tags and similar losses only as log messages. We route
// them here instead of to stderr, and a save listens for them: a warning
// while writing means something would be lost.
void installExivLogHandler();

class ExivWarningCapture
{
public:
    ExivWarningCapture();
    ~ExivWarningCapture();
    ExivWarningCapture(const ExivWarningCapture &) = delete;
    ExivWarningCapture &operator=(const ExivWarningCapture &) = delete;

    bool any() const { return !messages_.empty(); }
    const std::vector<std::string> &messages() const { return messages_; }

    // Called by the log handler.
    void add(std::string message) { messages_.push_back(std::move(message)); }

private:
    std::vector<std::string> messages_;
    ExivWarningCapture *previous_;
};

} // namespace lumicap
