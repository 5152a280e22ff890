#include "testing/message_recorder.h"

#include <gtest/gtest.h>

MessageRecorder::MessageRecorder(std::deque<MessageAnswer> answers) : answers_(std::move(answers)) {
  previous_ = SetMessageHandler({&MessageRecorder::Handle, this});
}

MessageRecorder::~MessageRecorder() {
  SetMessageHandler(previous_);
}

std::vector<std::string> MessageRecorder::Lines() const {
  std::vector<std::string> lines;
  for (const MessageRequest& m : messages_) lines.push_back(m.title + ": " + m.text);
  return lines;
}

MessageAnswer MessageRecorder::Handle(const MessageRequest& request, void* context) {
  auto* self = static_cast<MessageRecorder*>(context);
  self->messages_.push_back(request);
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (self->answers_.empty()) {
    ADD_FAILURE() << "unexpected question [" << request.title << "] " << request.text;
    return MessageAnswer::No;
  }
  MessageAnswer answer = self->answers_.front();
  self->answers_.pop_front();
  return answer;
}
