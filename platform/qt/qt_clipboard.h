#pragma once
// QtClipboard: the system clipboard as plain 8-bit (Windows-1252) text.

#include "platform/clipboard.h"

namespace corvella {

class QtClipboard : public Clipboard {
 public:
  // ---- implements Clipboard -----------------------------------------------------
  // False when there is no clipboard or it does not hold the text afterwards.
  bool SetText(const std::string& text) override;
  std::optional<std::string> GetText() override;
  bool HasText() override;
  bool TextOutsideCodePage() override;
};

}  // namespace corvella
