// Message boxes of the platform layer. The interactive back end shows a Qt dialog; tests install
// a scripted back end that records every box and answers at once, so nothing blocks.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// Style flags: the buttons (the OK button alone is 0) plus one icon. A question's default
// button is the one that changes nothing: "いいえ" or "キャンセル".
inline constexpr int kMbYesNoCancel = 3;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbButtons = 7;
inline constexpr int kMbIconStop = 16;
inline constexpr int kMbIconQuestion = 32;
inline constexpr int kMbIconExclamation = 48;
inline constexpr int kMbIcons = 0x70;
// The buttons pressed.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxBackend {
 public:
  virtual ~MessageBoxBackend() = default;
  virtual int Show(const std::string& text, int style, const std::string& title) = 0;
};

// Shows a modal message box and returns the button pressed.
int MsgBox(const std::string& text, int style, const std::string& title);

// Replaces the back end (nullptr restores the interactive one); returns the previous one.
std::shared_ptr<MessageBoxBackend> SetMessageBoxBackend(std::shared_ptr<MessageBoxBackend> backend);

struct ShownMessage {
  std::string text;
  int style = 0;
  std::string title;
};

// Records every message and answers each with the next queued button (OK when the queue is empty,
// which no question takes as a yes or a no).
class ScriptedMessageBoxes : public MessageBoxBackend {
 public:
  int Show(const std::string& text, int style, const std::string& title) override;
  std::vector<ShownMessage> shown;
  std::vector<int> answers;
};

}  // namespace platform
