#include "platform/qt/windows1252.h"

#include "platform/utf8_windows1252.h"

namespace corvella {

namespace {

char ByteFor(char16_t c) {
  const int b = Windows1252Byte(c);
  return b < 0 ? '?' : static_cast<char>(b);
}

}  // namespace

bool IsWindows1252(char32_t c) { return Windows1252Byte(c) >= 0; }

QString FirstCharacterOutsideWindows1252(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      return text.mid(i, 2);
    }
    if (c.isSurrogate() || !IsWindows1252(c.unicode())) return text.mid(i, 1);
  }
  return {};
}

QString FromWindows1252(std::string_view bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    out.append(QChar(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b)));
  }
  return out;
}

std::string ToWindows1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    // One '?' per character outside the code page, surrogate pairs included.
    out.push_back(c.isSurrogate() ? '?' : ByteFor(c.unicode()));
  }
  return out;
}

}  // namespace corvella
