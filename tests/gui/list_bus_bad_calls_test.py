#!/usr/bin/python3
"""Calls on the request list's table over the accessibility bus that a
screen reader may make with a cell that is not there (-1, the row just past
the end, as right after a delete) or with arguments of the wrong types: each
gets an answer (a neutral value or a D-Bus error; wrong types an "invalid
arguments" error) and the program goes on running, its table still
answering. See list_accessibility_bus_test.py for the set-up, which this
test shares.

Exit status 77 (skipped) only when the accessibility bus cannot be reached.

  list_bus_bad_calls_test.py CORVELLA_EXE EXAMPLES_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import list_accessibility_bus_test as bus  # noqa: E402

fail = bus.fail
TABLE = "org.a11y.atspi.Table"
SELECTION = "org.a11y.atspi.Selection"
INVALID = "org.freedesktop.DBus.Error.InvalidArgs"
ANY_ERROR = "error"


def cases(rows, columns):
    """(interface, method, signature, arguments, expected): expected is the
    reply's values, INVALID for an invalid-arguments error, ANY_ERROR for any
    D-Bus error, or a function that accepts the reply's values."""
    cells = rows * columns
    no_cell = (ANY_ERROR, (0,), (1,))  # an error, or an extent of 0 or 1
    neutral_extents = lambda v: v == ANY_ERROR or v[0] is False
    calls = []
    for row, column in ((-1, 0), (rows, 0), (0, -1), (0, columns), (rows, columns)):
        calls += [
            (TABLE, "IsSelected", "(ii)", (row, column), lambda v: v in (ANY_ERROR, (False,))),
            (TABLE, "GetRowExtentAt", "(ii)", (row, column), lambda v: v in no_cell),
            (TABLE, "GetColumnExtentAt", "(ii)", (row, column), lambda v: v in no_cell),
            (TABLE, "GetIndexAt", "(ii)", (row, column), lambda v: v in (ANY_ERROR, (-1,))),
        ]
    for index in (-1, cells, cells + columns):
        calls += [(TABLE, "GetRowColumnExtentsAtIndex", "(i)", (index,), neutral_extents)]
    calls += [
        # Arguments of the wrong types, or too few.
        (SELECTION, "GetSelectedChild", "(s)", ("abc",), INVALID),
        (SELECTION, "IsChildSelected", "()", (), INVALID),
        (TABLE, "IsSelected", "(ss)", ("a", "b"), INVALID),
        (TABLE, "GetRowExtentAt", "(i)", (0,), INVALID),
        (TABLE, "GetRowColumnExtentsAtIndex", "(s)", ("x",), INVALID),
        (TABLE, "GetAccessibleAt", "()", (), INVALID),
        # A cell that is there still answers as before.
        (TABLE, "GetRowExtentAt", "(ii)", (rows - 1, columns - 1), (1,)),
        (TABLE, "IsSelected", "(ii)", (0, 0), (True,)),
        (TABLE, "GetRowColumnExtentsAtIndex", "(i)", (columns + 1,),
         lambda v: v[:6] == (True, 1, 1, 1, 1, False)),
    ]
    return calls


def accessibility_bus(Gio, GLib):
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                None, GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE,
                                20000, None).unpack()[0]
    flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
             Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    return Gio.DBusConnection.new_for_address_sync(address, flags, None, None)


def inner(exe, examples):
    pyatspi, desktop = bus.reach_bus()
    from gi.repository import Gio, GLib

    work = tempfile.mkdtemp(prefix="corvella-a11y-")
    process = None
    try:
        for name in os.listdir(examples):
            shutil.copy(os.path.join(examples, name), work)
        runtime = os.path.join(work, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, CORVELLA_DIR=work, XDG_RUNTIME_DIR=runtime,
                   XDG_STATE_HOME=os.path.join(work, "state"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"),
                   QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL="C.UTF-8")
        process = subprocess.Popen([exe], env=env, cwd=work)
        table = bus.wait_until("the program showed no table named \"Requests\" on the bus",
                               lambda: bus.find_table(desktop))
        grid = table.queryTable()
        rows, columns = grid.nRows, grid.nColumns
        connection = accessibility_bus(Gio, GLib)
        owner, path = table.app.bus_name, table.path
        print("table %s %s: %d rows, %d columns" % (owner, path, rows, columns))

        for interface, method, signature, arguments, expected in cases(rows, columns):
            what = "%s.%s%r" % (interface.rsplit(".", 1)[1], method, arguments)
            try:
                reply = connection.call_sync(owner, path, interface, method,
                                             GLib.Variant(signature, arguments), None,
                                             Gio.DBusCallFlags.NONE, 5000, None)
                got = tuple(reply.unpack())
            except GLib.Error as error:
                got = INVALID if INVALID in error.message else ANY_ERROR
                print("%s: %s" % (what, error.message))
            if process.poll() is not None:
                fail("%s ended the program (status %d)" % (what, process.returncode))
            accepted = expected(got) if callable(expected) else got == expected
            if not accepted:
                fail("%s answered %r" % (what, got))
            print("%s -> %r" % (what, got))
        print("PASS")
        return 0
    finally:
        if process is not None:
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(work, ignore_errors=True)


def main():
    args = sys.argv[1:]
    if args and args[0] == "--inner":
        sys.exit(inner(*[os.path.abspath(a) for a in args[1:]]))
    if len(args) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(bus.outer(args, __file__, 150))


if __name__ == "__main__":
    main()
