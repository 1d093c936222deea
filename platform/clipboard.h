#pragma once
// Plain 8-bit text on the system clipboard.

#include <optional>
#include <string>

namespace corvella {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // False when the system clipboard refuses the data.
  virtual bool SetText(const std::string& text) = 0;
  // The clipboard's text, or nothing when it holds no text. A character
  // Windows-1252 cannot hold arrives as '?'; TextOutsideCodePage tells.
  virtual std::optional<std::string> GetText() = 0;
  // True when the clipboard's text holds a character Windows-1252 cannot
  // hold, so that a paste can refuse it rather than store '?'.
  virtual bool TextOutsideCodePage() = 0;
  virtual bool HasText() = 0;
};

}  // namespace corvella
