#pragma once
// Records every ShowMessage of a test and answers its questions from a script.
// A question with no scripted answer left fails the test and is answered No.
#include <deque>
#include <string>
#include <vector>

#include "common/message.h"

class MessageRecorder {
 public:
  explicit MessageRecorder(std::deque<MessageAnswer> answers = {});
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  void AddAnswer(MessageAnswer answer) { answers_.push_back(answer); }
  const std::vector<MessageRequest>& messages() const { return messages_; }
  // "title: text" of each message, for compact assertions.
  std::vector<std::string> Lines() const;
  size_t unusedAnswers() const { return answers_.size(); }

 private:
  static MessageAnswer Handle(const MessageRequest& request, void* context);

  MessageHandlerSlot previous_;
  std::deque<MessageAnswer> answers_;
  std::vector<MessageRequest> messages_;
};
