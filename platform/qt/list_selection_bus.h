#pragma once
// The request list's selection on the desktop's accessibility bus.
//
// Qt 6.4's AT-SPI bridge gives an accessible table no Selection interface
// and never sends object:selection-changed, so a screen reader can neither
// ask which requests are selected nor learn that the selection changed. The
// bridge answers the bus through one D-Bus object registered on its
// connection; this puts a thin object in front of it that answers the
// Selection interface (and adds it to the interface list) for the request
// list's table and passes every other call to Qt unchanged.
//
// It also answers the table's calls that Qt's bridge cannot take: a row,
// column or cell that is not there (a screen reader may ask for the row just
// past the end right after a delete; the bridge follows a null cell and
// crashes) gets the call's neutral answer (false, 0, -1, "", the null
// object), and arguments of the wrong types an "invalid arguments" error.

class QWidget;

namespace corvella {

// Puts the selection answerer in front of Qt's bridge as soon as the bridge
// is on the bus, and again whenever accessibility is switched on. Safe to
// call more than once; does nothing without an accessibility bus.
void EnableListSelectionOnBus();

// Sends object:selection-changed for the table of `list` (a ListWidget).
// Does nothing until the answerer is in place.
void NotifyListSelectionChanged(QWidget* list);

}  // namespace corvella
