#include "support/recording_dc.h"

namespace corvella {

RecordingDc::RecordingDc()
    : caps{{HORZRES, 800}, {VERTRES, 600}, {LOGPIXELSX, 96}, {LOGPIXELSY, 96}} {}

std::vector<RecordingDc::Record> RecordingDc::Of(Op op) const {
  std::vector<Record> out;
  for (const Record& r : records) {
    if (r.op == op) out.push_back(r);
  }
  return out;
}

const RecordingDc::Record* RecordingDc::FindText(const std::string& text) const {
  for (const Record& r : records) {
    if (r.op == Op::Text && r.text == text) return &r;
  }
  return nullptr;
}

std::vector<RecordingDc::Record> RecordingDc::FillsAt(const Rect& rect) const {
  std::vector<Record> out;
  for (const Record& r : records) {
    if (r.op == Op::Fill && r.rect == rect) out.push_back(r);
  }
  return out;
}

int RecordingDc::GetDeviceCaps(int index) const {
  auto it = caps.find(index);
  return it == caps.end() ? 0 : it->second;
}

COLORREF RecordingDc::SetTextColor(COLORREF color) {
  Record r;
  r.op = Op::TextColor;
  r.color = color;
  records.push_back(r);
  const COLORREF old = m_textColor;
  m_textColor = color;
  return old;
}

COLORREF RecordingDc::SetBkColor(COLORREF color) {
  Record r;
  r.op = Op::BkColor;
  r.color = color;
  records.push_back(r);
  const COLORREF old = m_bkColor;
  m_bkColor = color;
  return old;
}

void RecordingDc::FillSolidRect(const Rect& rect, COLORREF color) {
  Record r;
  r.op = Op::Fill;
  r.rect = rect;
  r.color = color;
  records.push_back(r);
}

void RecordingDc::FrameRect(const Rect& rect, COLORREF color) {
  Record r;
  r.op = Op::Frame;
  r.rect = rect;
  r.color = color;
  records.push_back(r);
}

void RecordingDc::DrawText(const std::string& text, const Rect& rect, unsigned format) {
  Record r;
  r.op = Op::Text;
  r.rect = rect;
  r.text = text;
  r.format = format;
  r.textColor = m_textColor;
  r.bkColor = m_bkColor;
  r.font = m_font;
  records.push_back(r);
}

Size RecordingDc::GetTextExtent(const std::string& text) const {
  if (measure) return Size{measure(text, m_font), charHeight};
  return Size{static_cast<int>(text.size()) * charWidth, charHeight};
}

FontSpec RecordingDc::SelectFont(const FontSpec& font) {
  Record r;
  r.op = Op::Font;
  r.font = font;
  records.push_back(r);
  const FontSpec old = m_font;
  m_font = font;
  return old;
}

int RecordingDc::SetMapMode(int mode) {
  Record r;
  r.op = Op::MapMode;
  r.value = mode;
  records.push_back(r);
  const int old = m_mapMode;
  m_mapMode = mode;
  return old;
}

void RecordingDc::SetWindowExt(Size extent) {
  Record r;
  r.op = Op::WindowExt;
  r.size = extent;
  records.push_back(r);
}

void RecordingDc::SetViewportExt(Size extent) {
  Record r;
  r.op = Op::ViewportExt;
  r.size = extent;
  records.push_back(r);
}

void RecordingDc::SetViewportOrg(Point origin) {
  Record r;
  r.op = Op::ViewportOrg;
  r.point = origin;
  records.push_back(r);
}

}  // namespace corvella
