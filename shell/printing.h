#pragma once
// Print, Print Preview and Print Setup of the request list: the platform's
// printing flow around the view's three hooks (OnPreparePrinting, OnPrepareDC,
// OnDraw). One QPrinter serves the whole run, so the orientation the view sets
// stays in effect for later jobs and for the set-up dialog.

#include <memory>

class QWidget;

namespace corvella {

class CCorvellaView;

class Printing {
 public:
  Printing(QWidget* parent, CCorvellaView& view);
  ~Printing();
  Printing(const Printing&) = delete;
  Printing& operator=(const Printing&) = delete;

  // Print (with the print dialog and its page range) or, with `direct`, on the
  // current printer settings without a dialog.
  void Print(bool direct = false);
  // Opens the preview window showing the same pages as the printout.
  void Preview();
  // The printer set-up dialog on the application's printer settings.
  void Setup();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

}  // namespace corvella
