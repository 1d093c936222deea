#!/usr/bin/python3
"""The request list through the desktop's accessibility bus, as a screen
reader sees it.

Starts a virtual X server, a session bus of its own (the accessibility bus
launcher and registry are activated on it), and the real program with Qt's
accessibility forced on, on a copy of the sample files. Then, as an AT-SPI
client (pyatspi):

  * the list is a table named "Requests" with one row per request of the
    loaded file and the thirteen column titles as headers;
  * the first request's description is the text of its cell;
  * Right then Down moves the current cell; the focus event that follows
    names a cell holding the request's description;
  * Enter opens the prompt, whose field is named "Description"; the typed
    text is announced on the cell when the prompt closes;
  * Shift+Down selects a second row: the table reports both rows selected,
    a selected-state change for the new one and a selection change of its
    own; its Selection interface counts the cells of both rows and names the
    current cell first;
  * menu items and toolbar buttons are named without the accelerator, which
    a menu item reports as its key binding.

Exit status 77 (skipped) only when the accessibility bus cannot be reached.

  list_accessibility_bus_test.py CORVELLA_EXE EXAMPLES_DIR
"""

import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TITLES = ["#", "Request Description", "Team/Ind", "Top 3", "Game/Season", "Sign #",
          "Display Mode", "Times to Display", "Drive", "Library", "Sequence", "Frame", "Offset"]


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def skip(message):
    print("SKIP: " + message, flush=True)
    sys.exit(SKIP)


# ---- outside the bus: the X server, then this script again under a bus ----------

def start_xvfb():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        number = pipe.readline().strip()
    if not number:
        xvfb.kill()
        fail("Xvfb did not start")
    return xvfb, ":" + number


def outer(argv, script=__file__, seconds=150, own_home=False):
    """Runs `script --inner argv...` under a session bus of its own on a
    virtual X server; returns its exit status. With `own_home` the script
    gets a home and settings folders of its own too (for programs that keep
    settings, such as a screen reader)."""
    for tool in ("Xvfb", "dbus-run-session"):
        if not shutil.which(tool):
            fail(tool + " is missing (scripts/setup.sh installs it)")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        fail("pyatspi is missing for " + sys.executable + " (scripts/setup.sh installs python3-pyatspi)")
    xvfb, display = start_xvfb()
    runtime = tempfile.mkdtemp(prefix="corvella-a11y-run-")
    try:
        # The accessibility bus's socket goes into a runtime folder of the
        # test's own.
        env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=runtime)
        if own_home:
            home = os.path.join(runtime, "home")
            os.mkdir(home, 0o700)
            env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                       XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                       XDG_CACHE_HOME=os.path.join(home, ".cache"))
        # Nothing of the caller's desktop: its own session bus, its own
        # accessibility bus started on that bus.
        for name in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        result = subprocess.run(
            ["dbus-run-session", "--", sys.executable, os.path.abspath(script), "--inner"] + argv,
            env=env, timeout=seconds)
        return result.returncode
    except subprocess.TimeoutExpired:
        fail("the test did not finish in time")
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(runtime, ignore_errors=True)


# ---- on the bus --------------------------------------------------------------------

class Events:
    """Collects AT-SPI events while the GLib main loop is pumped."""

    def __init__(self, pyatspi, kinds):
        self.pyatspi = pyatspi
        self.seen = []
        for kind in kinds:
            pyatspi.Registry.registerEventListener(self.on_event, kind)

    def on_event(self, event):
        try:
            name = event.source.name
            role = event.source.getRole()
        except Exception:  # the object may be gone already
            name, role = None, None
        self.seen.append((event.type, event.detail1, name, role))

    def wait_for(self, predicate, seconds=10):
        from gi.repository import GLib
        context = GLib.MainContext.default()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            for item in self.seen:
                if predicate(item):
                    return item
            while context.pending():
                context.iteration(False)
            time.sleep(0.02)
        return None

    def expect(self, what, predicate, seconds=10):
        """The first event matching `predicate`; fails with `what` when none
        comes in time."""
        found = self.wait_for(predicate, seconds)
        if not found:
            fail("%s; saw %r" % (what, self.seen))
        print("heard:", found)
        return found

    def settle(self):
        """Lets the events of what came before arrive, and forgets them."""
        self.wait_for(lambda e: False, 0.5)
        self.seen.clear()


def find(accessible, predicate, depth=0):
    if accessible is None or depth > 12:
        return None
    if predicate(accessible):
        return accessible
    if accessible.get_role_name() == "table":
        return None  # its cells are not searched
    for i in range(accessible.childCount):
        found = find(accessible.getChildAtIndex(i), predicate, depth + 1)
        if found:
            return found
    return None


def wait_until(what, probe, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            value = probe()
        except Exception:
            value = None
        if value:
            return value
        time.sleep(0.2)
    fail(what)


def press(pyatspi, keysym, with_shift=False):
    # Through the registry's device controller, which types on the X server.
    # Shift is held by its key code (50 in the X server's keymaps); the
    # arrows are given as key symbols.
    shift_keycode = 50
    if with_shift:
        pyatspi.Registry.generateKeyboardEvent(shift_keycode, None, pyatspi.KEY_PRESS)
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
    if with_shift:
        pyatspi.Registry.generateKeyboardEvent(shift_keycode, None, pyatspi.KEY_RELEASE)


def check_menus_and_toolbar(pyatspi, table):
    app = table
    while app.parent is not None and app.getRole() != pyatspi.ROLE_APPLICATION:
        app = app.parent
    items, buttons = {}, {}

    def collect(accessible, depth=0):
        if accessible is None or depth > 10 or accessible.getRole() == pyatspi.ROLE_TABLE:
            return
        if accessible.getRole() == pyatspi.ROLE_MENU_ITEM:
            items[accessible.name] = accessible
        elif accessible.getRole() == pyatspi.ROLE_PUSH_BUTTON:
            buttons[accessible.name] = accessible
        for i in range(accessible.childCount):
            collect(accessible.getChildAtIndex(i), depth + 1)

    collect(app)
    tabbed = [name for name in list(items) + list(buttons) if "\t" in (name or "")]
    if tabbed:
        fail("names still carry the accelerator: %r" % tabbed)
    if "Send Request" not in items or "Send Request" not in buttons:
        fail("no menu item and toolbar button named \"Send Request\": %r %r"
             % (sorted(items), sorted(buttons)))
    action = items["Send Request"].queryAction()
    binding = action.getKeyBinding(0)
    print("menu item 'Send Request': key binding %r" % binding)
    if binding != "Ctrl+R":
        fail("Send Request's key binding is %r, expected 'Ctrl+R'" % binding)


def check_selection_interface(pyatspi, events, table, grid, current_name):
    """Rows 1 and 2 are selected, the caret on row 2's Description cell."""
    if not events.wait_for(lambda e: e[0] == "object:selection-changed"
                           and e[3] == pyatspi.ROLE_TABLE):
        fail("no selection-changed event from the table; saw %r" % events.seen)
    interfaces = pyatspi.listInterfaces(table)
    print("table interfaces:", interfaces)
    if "Selection" not in interfaces or "Table" not in interfaces:
        fail("the table lists the interfaces %r" % (interfaces,))
    selection = table.querySelection()
    columns = grid.nColumns
    count = selection.nSelectedChildren
    first = selection.getSelectedChild(0)
    print("selected children: %d, the first %r" % (count, first.name))
    if count != 2 * columns:
        fail("%d selected children, expected the %d cells of two rows" % (count, 2 * columns))
    if first.name != current_name or first.getIndexInParent() != 2 * columns + 1:
        fail("the first selected child is %r (index %d), not the current cell"
             % (first.name, first.getIndexInParent()))
    names = sorted(selection.getSelectedChild(i).getIndexInParent() for i in range(count))
    if names != list(range(columns, 3 * columns)):
        fail("the selected children are the cells %r" % names)
    flags = [selection.isChildSelected(i) for i in (0, columns, 3 * columns - 1, 3 * columns)]
    if flags != [False, True, True, False]:
        fail("isChildSelected of the rows 0, 1, 2, 3 says %r" % flags)
    # The selection is the list's own: the bus cannot change it.
    if selection.clearSelection() or grid.nSelectedRows != 2:
        fail("the selection was cleared from the bus")


def reach_bus():
    """pyatspi and the desktop of the accessibility bus; skips the test when
    the bus cannot be reached."""
    # The session bus starts the accessibility bus launcher on demand; where
    # that cannot happen (no launcher, no bus) there is nothing to test.
    try:
        from gi.repository import Gio, GLib
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                    None, GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE,
                                    20000, None).unpack()[0]
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.childCount  # reaches the registry on the accessibility bus
    except Exception as error:
        skip("the accessibility bus cannot be reached: %s" % error)
    print("accessibility bus:", address)
    return pyatspi, desktop


def find_table(desktop):
    """The program's table "Requests" once it has rows; else None."""
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or "corvella" not in (app.name or "").lower():
            continue
        table = find(app, lambda a: a.get_role_name() == "table" and a.name == "Requests")
        if table is not None and table.queryTable().nRows > 0:
            return table
    return None


def inner(exe, examples):
    pyatspi, desktop = reach_bus()

    work = tempfile.mkdtemp(prefix="corvella-a11y-")
    process = None
    try:
        for name in os.listdir(examples):
            shutil.copy(os.path.join(examples, name), work)
        runtime = os.path.join(work, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ,
                   CORVELLA_DIR=work, XDG_RUNTIME_DIR=runtime,
                   XDG_STATE_HOME=os.path.join(work, "state"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"),
                   QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL="C.UTF-8")
        process = subprocess.Popen([exe], env=env, cwd=work)

        requests = configparser.ConfigParser(interpolation=None, strict=False)
        requests.optionxform = str
        ini = configparser.ConfigParser(interpolation=None, strict=False)
        ini.read(os.path.join(work, "CORVELLA.INI"))
        sport = ini.get("REQUEST", "SPORT")
        requests.read(os.path.join(work, sport), encoding="cp1252")
        expected_rows = len([s for s in requests.sections() if s.startswith("REQ")])
        first_name = requests.get("REQ1", "Name")
        second_name = requests.get("REQ2", "Name")

        table = wait_until("the program showed no table named \"Requests\" on the bus",
                           lambda: find_table(desktop))
        grid = table.queryTable()

        # One row per request, the column titles as headers.
        print("table: %d rows, %d columns" % (grid.nRows, grid.nColumns))
        if grid.nRows != expected_rows:
            fail("%d rows on the bus, %d requests in %s" % (grid.nRows, expected_rows, sport))
        descriptions = [grid.getColumnDescription(c) for c in range(grid.nColumns)]
        headers = [grid.getColumnHeader(c).name for c in range(grid.nColumns)]
        print("column headers:", headers)
        if descriptions != TITLES or headers != TITLES:
            fail("column titles %r / headers %r, expected %r" % (descriptions, headers, TITLES))

        # The first request's description is readable.
        cell = grid.getAccessibleAt(0, 1)
        print("cell (0, 1): role %s, name %r" % (cell.get_role_name(), cell.name))
        if cell.name != first_name or cell.get_role_name() != "table cell":
            fail("cell (0, 1) is %r (%s), expected %r" % (cell.name, cell.get_role_name(), first_name))

        events = Events(pyatspi, ["focus:", "object:state-changed:focused",
                                  "object:state-changed:selected", "object:selection-changed"])
        focused = lambda text: (lambda e: e[0] in ("focus:", "object:state-changed:focused")
                                and e[2] == text and e[3] == pyatspi.ROLE_TABLE_CELL
                                and (e[0] == "focus:" or e[1] == 1))

        # The list has the keyboard focus once the window is active; keys
        # typed before that go nowhere.
        app = table
        while app.parent is not None and app.getRole() != pyatspi.ROLE_APPLICATION:
            app = app.parent
        frame = next(a for a in app if a.getRole() == pyatspi.ROLE_FRAME)
        wait_until("the main window did not become active",
                   lambda: frame.getState().contains(pyatspi.STATE_ACTIVE))
        wait_until("the list did not get the keyboard focus",
                   lambda: table.getState().contains(pyatspi.STATE_FOCUSED))
        xk_right, xk_down = 0xFF53, 0xFF54
        # The first request is current at start: Right makes its Description
        # cell current.
        press(pyatspi, xk_right)
        if not events.wait_for(focused(first_name)):
            fail("no focus event named %r after Right; saw %r" % (first_name, events.seen))
        press(pyatspi, xk_down)
        if not events.wait_for(focused(second_name)):
            fail("no focus event named %r after Down; saw %r" % (second_name, events.seen))
        print("Down announced:", [e for e in events.seen if e[2] == second_name])

        # Enter edits the cell: the prompt's field is named after the column;
        # the new text is announced on the cell once the prompt has closed.
        xk_return = 0xFF0D
        press(pyatspi, xk_return)
        field = events.wait_for(lambda e: e[0] == "focus:" and e[3] == pyatspi.ROLE_TEXT)
        if not field or field[2] != "Description":
            fail("the Enter prompt's field was announced as %r; saw %r" % (field, events.seen))
        new_name = "Steals Leaders"
        pyatspi.Registry.generateKeyboardEvent(0, new_name, pyatspi.KEY_STRING)
        press(pyatspi, xk_return)
        if not events.wait_for(focused(new_name)):
            fail("the edited cell was not announced as %r; saw %r" % (new_name, events.seen))
        if grid.getAccessibleAt(1, 1).name != new_name:
            fail("cell (1, 1) reads %r after the edit" % grid.getAccessibleAt(1, 1).name)
        print("after the edit:", field, [e for e in events.seen if e[2] == new_name])

        # Shift+Down extends the selection to a second row.
        third_name = requests.get("REQ3", "Name")
        press(pyatspi, xk_down, with_shift=True)
        selected = events.wait_for(lambda e: e[0] == "object:state-changed:selected"
                                   and e[1] == 1 and e[2] == third_name)
        if not selected:
            fail("no selected-state event for %r after Shift+Down; saw %r" % (third_name, events.seen))
        rows = list(grid.getSelectedRows())
        print("selected rows:", rows, "event:", selected)
        if grid.nSelectedRows != 2 or rows != [1, 2]:
            fail("selected rows on the bus are %r, expected [1, 2]" % rows)
        check_selection_interface(pyatspi, events, table, grid, third_name)
        check_menus_and_toolbar(pyatspi, table)
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
    sys.exit(outer(args))


if __name__ == "__main__":
    main()
