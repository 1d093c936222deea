#!/usr/bin/python3
"""What a screen reader is told while the operator works, checked on the
desktop's accessibility bus (AT-SPI) with pyatspi as the client, against the
real program on a virtual X server (see list_accessibility_bus_test.py for
the set-up, which this test shares):

  * a send's outcome: the notification in the status bar is named after the
    outcome and becomes "showing" (the event on which a screen reader speaks
    a notification), once when not delivered, only after the message box
    that precedes it has closed, and once when delivered; the status bar
    holds the outcome for the screen reader's "read status bar";
  * changes made in place are said: a letter key's new value, Undo's
    restored cells, the number of requests after Paste and Delete;
  * Shift+Down sends the new row's selected state after the focus, and the
    number of selected requests is said; "Verify Delete!" says how many
    requests go;
  * in Edit Request a drop-down list reads as its entry, and a new entry
    is said; a numeric field is a spin button whose steps change its value;
  * F1 puts the focus on the guide, a text whose caret Down moves.

Exit status 77 (skipped) only when the accessibility bus cannot be reached.

  screen_reader_bus_test.py CORVELLA_EXE EXAMPLES_DIR SIGNSIM_EXE
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import list_accessibility_bus_test as bus  # noqa: E402

fail = bus.fail

XK = dict(Down=0xFF54, Up=0xFF52, Return=0xFF0D, Right=0xFF53, Left=0xFF51, Home=0xFF50,
          Delete=0xFFFF, Tab=0xFF09, Escape=0xFF1B, F1=0xFFBE)
# Key codes in the X server's keymaps, for keys pressed with Control: a key
# symbol is typed by the registry with the modifiers it needs and no other.
CONTROL, KEY_R, KEY_Z, KEY_C, KEY_V, KEY_E, KEY_LEFT = 37, 27, 52, 54, 55, 26, 113


EVENTS = ["focus:", "object:state-changed:focused", "object:state-changed:showing",
          "object:state-changed:selected", "object:selection-changed", "window:activate",
          "object:property-change:accessible-value", "object:text-caret-moved"]


def press(pyatspi, keysym, shift=False):
    bus.press(pyatspi, keysym, with_shift=shift)


def press_with_control(pyatspi, keycode):
    registry = pyatspi.Registry
    registry.generateKeyboardEvent(CONTROL, None, pyatspi.KEY_PRESS)
    registry.generateKeyboardEvent(keycode, None, pyatspi.KEY_PRESSRELEASE)
    registry.generateKeyboardEvent(CONTROL, None, pyatspi.KEY_RELEASE)


def descendants(accessible, depth=0):
    if accessible is None or depth > 12:
        return
    yield accessible
    if accessible.get_role_name() == "table":
        return
    for i in range(accessible.childCount):
        yield from descendants(accessible.getChildAtIndex(i), depth + 1)


class Program:
    """The program on a copy of the sample files, with a stand-in sign
    service on the ncalrpc endpoint of its own folder."""

    def __init__(self, exe, examples, signsim, timeout_ms=3000):
        self.work = tempfile.mkdtemp(prefix="corvella-sr-")
        for name in os.listdir(examples):
            shutil.copy(os.path.join(examples, name), self.work)
        self.socket_dir = os.path.join(self.work, "zeltrpc")
        os.mkdir(self.socket_dir, 0o700)
        runtime = os.path.join(self.work, "runtime")
        os.mkdir(runtime, 0o700)
        self.signsim_exe = signsim
        self.signsim = None
        self.env = dict(os.environ, CORVELLA_DIR=self.work, XDG_RUNTIME_DIR=runtime,
                        ZELTRPC_DIR=self.socket_dir, ZELTRPC_TIMEOUT_MS=str(timeout_ms),
                        XDG_STATE_HOME=os.path.join(self.work, "state"),
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL="C.UTF-8")
        self.process = subprocess.Popen([exe], env=self.env, cwd=self.work)

    def start_service(self, delay_ms=0):
        command = [self.signsim_exe, "--dir", self.socket_dir, "--quiet"]
        if delay_ms:
            command += ["--delay-ms", str(delay_ms)]
        self.signsim = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
        line = self.signsim.stdout.readline()
        if "listening" not in line:
            fail("signsim did not start: %r" % line)

    def stop_service(self):
        if self.signsim is not None:
            self.signsim.terminate()
            self.signsim.wait(timeout=10)
            self.signsim = None

    def close(self):
        self.stop_service()
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.work, ignore_errors=True)


def find_app(desktop):
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and "corvella" in (app.name or "").lower():
            return app
    return None


def notified(pyatspi, text):
    return lambda e: (e[0] == "object:state-changed:showing" and e[1] == 1
                      and e[3] == pyatspi.ROLE_NOTIFICATION and e[2] == text)


def check_changes_and_selection(pyatspi, events, app):
    expect, settle = events.expect, events.settle

    # Cell mode on Display Mode of the first request (Continuous, shown once).
    for _ in range(6):
        press(pyatspi, XK["Right"])
    settle()
    # A letter key changes the cell in place: its new value, and the Times
    # that goes with it, are said.
    bus.press(pyatspi, 0x73)  # s
    expect("S on Display Mode was not said", notified(pyatspi, "Single Step. Times to Display 0"))
    settle()
    # + on the main keyboard (=) steps Times of a Continuous row: first back.
    press_with_control(pyatspi, KEY_Z)
    expect("Undo was not said", notified(pyatspi, "Continuous. Times to Display 1"))
    settle()
    # Undo keeps the cell mode; Ctrl+Left goes back to the # column (row
    # mode), where the row commands work.
    press_with_control(pyatspi, KEY_LEFT)
    settle()

    # Shift+Down: the focus goes to the new row first, then its selected
    # state changes, so a screen reader says "selected"; the count is said.
    press(pyatspi, XK["Down"], shift=True)
    count = expect("no count after Shift+Down", notified(pyatspi, "2 requests selected"))
    focus = next((i for i, e in enumerate(events.seen)
                  if e[0] == "focus:" and e[3] == pyatspi.ROLE_TABLE_CELL), None)
    selected = next((i for i, e in enumerate(events.seen)
                     if e[0] == "object:state-changed:selected" and e[1] == 1), None)
    if focus is None or selected is None or not focus < selected:
        fail("the selected state did not follow the focus on the new row: %r" % events.seen)
    del count
    settle()

    # Copy and paste one request (Paste takes one selected row): the new
    # number of requests is said.
    press(pyatspi, XK["Down"])
    settle()
    press_with_control(pyatspi, KEY_C)
    settle()
    press_with_control(pyatspi, KEY_V)
    expect("Paste was not said", notified(pyatspi, "9 requests in the list"))
    settle()
    press(pyatspi, XK["Down"], shift=True)
    settle()

    # Delete asks with the number of requests it removes under its question;
    # the new number is said after it.
    press(pyatspi, XK["Delete"])
    box = expect("no Verify Delete! box", lambda e: e[0] == "focus:" and e[2] == "Yes")
    del box
    dialog = next(a for a in app if a.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG)
                  and a.name == "Verify Delete!")
    labels = [a.name for a in descendants(dialog) if a.getRole() == pyatspi.ROLE_LABEL]
    print("Verify Delete! labels:", labels)
    if "Do you wish to Delete?" not in labels or "2 requests will be deleted." not in labels:
        fail("the Verify Delete! box reads %r" % labels)
    press(pyatspi, XK["Return"])
    expect("the deletion was not said",
           lambda e: (e[0] == "object:state-changed:showing" and e[1] == 1
                      and e[3] == pyatspi.ROLE_NOTIFICATION
                      and (e[2] or "").startswith("7 requests in the list")))
    settle()


def check_dialog_values_and_guide(pyatspi, events):
    expect, settle = events.expect, events.settle

    focused = lambda role, name: (lambda e: e[0] == "focus:" and e[3] == role
                                  and (e[2] or "").strip() == name)
    # The first request (Individual, Continuous), current from the start,
    # in Edit Request.
    settle()
    press_with_control(pyatspi, KEY_E)
    expect("Edit Request did not open", focused(pyatspi.ROLE_TEXT, "Description:"))
    settle()
    press(pyatspi, XK["Tab"])
    # A drop-down list is named after its entry (the label comes from its
    # label's relation).
    expect("Type was not read with its entry", focused(pyatspi.ROLE_COMBO_BOX, "Individual"))
    settle()
    press(pyatspi, XK["Tab"])
    expect("Sign # is no spin button", focused(pyatspi.ROLE_SPIN_BUTTON, "Sign #:"))
    settle()
    press(pyatspi, XK["Up"])
    expect("Up in Sign # changed no value",
           lambda e: e[0] == "object:property-change:accessible-value"
           and e[3] == pyatspi.ROLE_SPIN_BUTTON)
    settle()
    press(pyatspi, XK["Tab"])
    expect("Display Mode was not read with its entry",
           focused(pyatspi.ROLE_COMBO_BOX, "Continuous"))
    settle()
    press(pyatspi, XK["Down"])
    expect("the new Display Mode was not said", notified(pyatspi, "Single Step"))
    settle()
    press(pyatspi, XK["Escape"])
    expect("the list did not get the focus back",
           lambda e: e[0] == "focus:" and e[3] == pyatspi.ROLE_TABLE_CELL)
    settle()

    # F1: the guide in a text with a caret, read line by line.
    press(pyatspi, XK["F1"])
    # (Qt gives a read-only text the role of a label, with the text interface.)
    expect("the guide did not take the focus",
           lambda e: focused(pyatspi.ROLE_TEXT, "Operator's guide")(e)
           or focused(pyatspi.ROLE_LABEL, "Operator's guide")(e))
    settle()
    press(pyatspi, XK["Down"])
    expect("Down moved no caret in the guide",
           lambda e: e[0] == "object:text-caret-moved" and e[2] == "Operator's guide")
    settle()
    press(pyatspi, XK["Escape"])
    expect("the list did not get the focus back after the guide",
           lambda e: e[0] == "focus:" and e[3] == pyatspi.ROLE_TABLE_CELL)
    settle()


def check_send_outcomes(pyatspi, events, program, app):
    def spoken(prefix):
        return lambda e: (e[0] == "object:state-changed:showing" and e[1] == 1
                          and e[3] == pyatspi.ROLE_NOTIFICATION and (e[2] or "").startswith(prefix))

    def send():
        events.wait_for(lambda e: False, 1)
        events.seen.clear()
        press_with_control(pyatspi, KEY_R)
        # The player number has the focus; OK is the default button.
        dialog = events.wait_for(lambda e: e[0] == "focus:" and e[3] == pyatspi.ROLE_SPIN_BUTTON
                                 and e[2] == "Player Number")
        if not dialog:
            fail("Ctrl+R opened no team/player dialog; saw %r" % events.seen)
        press(pyatspi, XK["Return"])

    # Not delivered: the connection fails, and its message box comes first;
    # the outcome is said once the box has closed and the focus is back on
    # the list. Home has made the first request the selected one.
    send()
    box = events.wait_for(lambda e: e[0] == "focus:" and e[3] == pyatspi.ROLE_PUSH_BUTTON
                          and e[2] == "OK", 15)
    if not box:
        fail("no message box after a send without the service; saw %r" % events.seen)
    time.sleep(2.5)  # longer than an announcement waits for an inactive window
    events.wait_for(lambda e: False, 0.1)
    early = [e for e in events.seen if e[3] == pyatspi.ROLE_NOTIFICATION]
    if early:
        fail("an outcome was announced while the message box was open: %r" % early)
    press(pyatspi, XK["Return"])
    said = events.wait_for(spoken("Request 1 NOT delivered: status 1722"), 15)
    if not said:
        fail("the failed send was not announced; saw %r" % events.seen)
    print("announced:", said)

    # Delivered.
    program.start_service()
    press(pyatspi, XK["Down"])
    send()
    said = events.wait_for(spoken("Request 2 delivered"), 15)
    if not said:
        fail("the delivery was not announced; saw %r" % events.seen)
    print("announced:", said)

    status = next(a for a in descendants(app) if a.getRole() == pyatspi.ROLE_STATUS_BAR)
    texts = [a.name for a in descendants(status)
             if a.getRole() == pyatspi.ROLE_LABEL and a.getState().contains(pyatspi.STATE_SHOWING)]
    print("status bar labels:", texts)
    if not any(t.startswith("Request 2 delivered") for t in texts):
        fail("the status bar holds no showing label with the outcome: %r" % texts)


def inner(exe, examples, signsim):
    pyatspi, desktop = bus.reach_bus()
    program = Program(exe, examples, signsim)
    try:
        table = bus.wait_until("the program showed no table named \"Requests\" on the bus",
                               lambda: bus.find_table(desktop))
        app = find_app(desktop)
        events = bus.Events(pyatspi, EVENTS)
        # The program hears of the listeners through the registry, and its
        # shortcuts work once its window is active.
        frame = next(a for a in app if a.getRole() == pyatspi.ROLE_FRAME)
        bus.wait_until("the main window did not become active",
                       lambda: frame.getState().contains(pyatspi.STATE_ACTIVE))
        events.wait_for(lambda e: False, 1)
        check_dialog_values_and_guide(pyatspi, events)
        check_changes_and_selection(pyatspi, events, app)
        press(pyatspi, XK["Home"])
        check_send_outcomes(pyatspi, events, program, app)
        print("PASS")
        return 0
    finally:
        program.close()


def main():
    args = sys.argv[1:]
    if args and args[0] == "--inner":
        sys.exit(inner(*[os.path.abspath(a) for a in args[1:]]))
    if len(args) != 3:
        print(__doc__)
        sys.exit(2)
    sys.exit(bus.outer(args, __file__, 280))


if __name__ == "__main__":
    main()
