#include "listview/list_view_ex.h"

namespace corvella {

CListViewEx::CListViewEx()
    : m_crText(GetSysColor(COLOR_WINDOWTEXT)), m_crBackground(GetSysColor(COLOR_WINDOW)) {}

void CListViewEx::DrawItem(const DrawItemStruct&) {}
std::string CListViewEx::ShortenToFit(DeviceContext&, const std::string& text, int, int) { return text; }
void CListViewEx::RepaintSelection() {}
void CListViewEx::OnSetFocus(bool) {}
void CListViewEx::OnKillFocus(bool) {}
bool CListViewEx::IsVisiblySelected(int) const { return false; }

}  // namespace corvella
