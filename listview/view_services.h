#pragma once
// What the request list works through outside its own rows: the clipboard,
// the state of the modifier keys, the pixel widths of its font and the sending
// of a request. Whoever composes the program connects them to the view
// (CCorvellaView::Connect); each may be none.

#include <string>

namespace corvella {

class Clipboard;
class KeyState;

// Send Request, carried out outside the list (transmit/send_request.h).
class RequestSending {
 public:
  virtual ~RequestSending() = default;
  virtual void OnSendRequest() = 0;
};

// Pixel widths of texts in the list's font.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int TextWidth(const std::string& text) const = 0;
};

// Every one of them must outlive its connection to the view.
struct ViewServices {
  Clipboard* clipboard = nullptr;        // none: Copy, Cut and Paste do nothing
  const KeyState* keys = nullptr;        // none: no modifier key reads as held
  RequestSending* sending = nullptr;     // none: Send Request does nothing
  const TextMeasure* measure = nullptr;  // none: texts are measured by an average character
};

}  // namespace corvella
