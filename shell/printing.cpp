#include "shell/printing.h"

namespace corvella {

struct Printing::Impl {
  QWidget* parent;
  CCorvellaView& view;
};

Printing::Printing(QWidget* parent, CCorvellaView& view) : m_pImpl(new Impl{parent, view}) {}
Printing::~Printing() = default;
void Printing::Print(bool) {}
void Printing::Preview() {}
void Printing::Setup() {}

}  // namespace corvella
