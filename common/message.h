#pragma once
// The one road every message box of the suite takes. Portable code calls
// ShowMessage; the Win32 programs install a handler that opens a real message
// box, and tests install one that records the request and answers from a script.
#include <string>

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageRequest {
  void* owner = nullptr;  // HWND on Windows; opaque here
  std::string text;       // UTF-8
  std::string title;      // UTF-8
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
};

using MessageHandler = MessageAnswer (*)(const MessageRequest& request, void* context);

struct MessageHandlerSlot {
  MessageHandler handler = nullptr;
  void* context = nullptr;
};

// Returns the handler that was installed before, so a scope can put it back.
MessageHandlerSlot SetMessageHandler(MessageHandlerSlot slot);

// A message text with "%s" replaced by the path it speaks of (no other
// format characters are read, so a path with "%" in it stays as it is).
std::string MessageWithPath(const char* pattern, const std::string& path);

// Without a handler the request goes to standard error and the answer is the
// safe one: Ok for a notice, No for a question.
MessageAnswer ShowMessage(const MessageRequest& request);
MessageAnswer ShowMessage(const std::string& text, const std::string& title,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::None, void* owner = nullptr);
