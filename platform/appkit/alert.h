#pragma once

// Alerts: a message, informative text, a style and buttons, answered with a modal
// response.
//
// Nothing waits for a person here: the person at the simulated desktop answers every
// alert at once (simulated_user.h; by default the first button is chosen). runModal
// returns the answer at once; a sheet's completion runs with it on a later loop turn.
//
// Responses: the n-th button (from 0) answers alertFirstButtonReturn + n. An alert
// without buttons shows one "OK" button.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

class Window;

namespace modal_response {
inline constexpr int64_t ok = 1;
inline constexpr int64_t cancel = 0;
inline constexpr int64_t stop = -1000;
inline constexpr int64_t abort = -1001;
inline constexpr int64_t continueSession = -1002;
inline constexpr int64_t alertFirstButtonReturn = 1000;
inline constexpr int64_t alertSecondButtonReturn = 1001;
inline constexpr int64_t alertThirdButtonReturn = 1002;
}  // namespace modal_response

enum class AlertStyle { warning, informational, critical };

class Alert {
public:
    const std::string& messageText() const { return message_; }
    void setMessageText(std::string text) { message_ = std::move(text); }
    const std::string& informativeText() const { return informative_; }
    void setInformativeText(std::string text) { informative_ = std::move(text); }
    AlertStyle alertStyle() const { return style_; }
    void setAlertStyle(AlertStyle style) { style_ = style; }
    // Adds a button; returns its response.
    int64_t addButton(std::string title);
    // The buttons' titles; "OK" alone when none was added.
    std::vector<std::string> buttonTitles() const;
    bool showsSuppressionButton() const { return showsSuppression_; }
    void setShowsSuppressionButton(bool shows) { showsSuppression_ = shows; }

    // The responder's answer. Without a world the first button's response.
    int64_t runModal() const;
    // Presents the alert as a sheet of `window`; the completion runs with the answer on
    // a later loop turn.
    void beginSheetModal(Window& window, std::function<void(int64_t)> completion) const;

private:
    std::string message_;
    std::string informative_;
    AlertStyle style_ = AlertStyle::warning;
    std::vector<std::string> buttons_;
    bool showsSuppression_ = false;
};

}  // namespace platform
