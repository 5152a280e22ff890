#include "common/message.h"

#include <cstdio>

namespace {
MessageHandlerSlot gMessageHandler;
}

MessageHandlerSlot SetMessageHandler(MessageHandlerSlot slot) {
  MessageHandlerSlot previous = gMessageHandler;
  gMessageHandler = slot;
  return previous;
}

std::string MessageWithPath(const char* pattern, const std::string& path) {
  std::string text = pattern;
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

MessageAnswer ShowMessage(const MessageRequest& request) {
  if (gMessageHandler.handler) return gMessageHandler.handler(request, gMessageHandler.context);
  std::fprintf(stderr, "[%s] %s\n", request.title.c_str(), request.text.c_str());
  return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageButtons buttons,
                          MessageIcon icon, void* owner) {
  MessageRequest request;
  request.owner = owner;
  request.text = text;
  request.title = title;
  request.buttons = buttons;
  request.icon = icon;
  return ShowMessage(request);
}
