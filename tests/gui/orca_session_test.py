#!/usr/bin/python3
"""A blind operator's work with the real screen reader: Orca runs against the
real program, on a virtual X server with a session bus and accessibility bus
of its own, speech-dispatcher on its silent output, and the keys go in as a
keyboard's would (through the accessibility registry, which Orca listens
to). What Orca speaks is read from its debug log ("SPEECH OUTPUT" lines).

Each step presses keys and waits for what Orca must say:

  * a send's outcome, not delivered (after the message box) and delivered,
    and Orca's "read status bar" command (Insert+KP_Enter twice) with it;
  * three sends made one after another against a slow sign service, each
    outcome arriving while the next send's dialog is open or closing: all
    three outcomes are said, each once, in order; Ctrl+L says them again;
  * F6 goes to the Send Log, which says its name and count, and Escape
    comes back to the list;
  * Home moves the caret: the next Down reads the row below the first;
  * the main keyboard's = and - step a number, and the new number is said;
  * a letter key on Display Mode and Undo are said with the new values;
    Copy and Paste say the new number of requests;
  * Shift+Down says how many are selected and stays on the caret's row
    (the table's selection-changed event does not move Orca); Delete's box
    says how many requests go;
  * in Edit Request a drop-down list is read with its entry and a numeric
    field's step is said;
  * F1 shows the guide, which Down reads line by line, a column's name
    with what it holds;
  * saving says the file saved; another sport chosen from the menu says
    the file opened; a sport whose file has gone says why it is greyed,
    reached with the arrows and chosen by its key.

Exit status 77 (skipped) only when the accessibility bus cannot be reached.
The transcript of everything Orca said is printed at the end.

  orca_session_test.py CORVELLA_EXE EXAMPLES_DIR SIGNSIM_EXE
"""

import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import list_accessibility_bus_test as bus  # noqa: E402
import screen_reader_bus_test as screen  # noqa: E402

fail = bus.fail

# Key codes in the X server's keymaps (typed through the registry).
KEYCODES = dict(Control=37, Shift=50, Alt=64, Insert=118, KP_Enter=104, e=26, r=27, s=39, z=52,
                c=54, v=55, n=57, f=41, o=32, l=46, equal=21, minus=20)
KEYSYMS = dict(Down=0xFF54, Up=0xFF52, Left=0xFF51, Right=0xFF53, Home=0xFF50, Return=0xFF0D,
               Tab=0xFF09, Escape=0xFF1B, F1=0xFFBE, F6=0xFFC3, Delete=0xFFFF)
# The stand-in sign service answers this late, so that sends overlap; the
# library waits longer than that for an answer.
SLOW_SERVICE_MS = 3000
LIBRARY_TIMEOUT_MS = 10000
# Orca writes its debug log through a buffered file, so a line can reach
# the file seconds after it was spoken; Orca is started with the log's file
# opened line-buffered instead (its own start-up script, run unchanged).
# Without --replace: another user's or session's Orca is left alone.
ORCA_LINE_BUFFERED = (
    "import builtins, functools, runpy, sys\n"
    "script = sys.argv[1]\n"
    "sys.argv = ['orca'] + sys.argv[2:]\n"
    "runpy.run_path(script, run_name='__main__',\n"
    "               init_globals={'open': functools.partial(builtins.open, buffering=1)})\n")
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*)'(?:\s*voice=\S+)?\s*(?:\{.*\})?\s*$")


def silence_speech_dispatcher(home, config_home):
    """speech-dispatcher, which Orca starts, with its dummy output module only,
    whatever synthesizers the machine has, and its sound going to libao's
    null driver: nothing is heard and no sound device is needed."""
    with open(os.path.join(home, ".libao"), "w") as conf:
        conf.write("default_driver=null\n")
    folder = os.path.join(config_home, "speech-dispatcher")
    os.makedirs(os.path.join(folder, "modules"), exist_ok=True)
    with open(os.path.join(folder, "speechd.conf"), "w") as conf:
        conf.write('AddModule "dummy" "sd_dummy" ""\n'
                   'DefaultModule dummy\n'
                   'AudioOutputMethod "libao"\n'
                   'LogLevel 3\n')


class Orca:
    """Orca with a settings folder and a debug log of its own."""

    def __init__(self, home):
        silence_speech_dispatcher(home, os.environ.get("XDG_CONFIG_HOME",
                                                       os.path.join(home, ".config")))
        self.log = os.path.join(home, "orca-debug.log")
        prefs = os.path.join(home, "orca-prefs")
        os.makedirs(prefs, exist_ok=True)
        self.process = subprocess.Popen(
            ["/usr/bin/python3", "-c", ORCA_LINE_BUFFERED, shutil.which("orca"),
             "--user-prefs", prefs, "--debug-file", self.log],
            stdout=subprocess.DEVNULL, stderr=open(os.path.join(home, "orca.err"), "w"))
        self.offset = 0
        self.heard = []       # everything spoken, in order
        self.transcript = []  # (step, what was spoken during it)

    def read(self):
        try:
            with open(self.log, "rb") as log:
                log.seek(self.offset)
                data = log.read()
        except FileNotFoundError:
            return []
        # Only whole lines; a line being written is read the next time.
        end = data.rfind(b"\n") + 1
        self.offset += end
        spoken = []
        for line in data[:end].decode("utf-8", "replace").splitlines():
            match = SPEECH.search(line)
            if match:
                spoken.append(match.group(1))
        self.heard.extend(spoken)
        return spoken

    def wait_for(self, step, pattern, seconds=20):
        """Waits until the speech since the step began matches `pattern`."""
        said = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            said.extend(self.read())
            if re.search(pattern, " | ".join(said)):
                # What follows at once belongs to the same step.
                time.sleep(0.8)
                said.extend(self.read())
                self.transcript.append((step, said))
                return said
            if self.process.poll() is not None:
                fail("Orca ended during %r" % step)
            time.sleep(0.1)
        self.transcript.append((step, said))
        fail("during %r Orca did not say /%s/; it said %r" % (step, pattern, said))

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def keys(pyatspi, *names, hold=(), x_client=False):
    if x_client:
        # Keys typed through the registry close a menu the moment it opens
        # (its popup cannot take the keyboard); an X client's keys, like a
        # real keyboard's, leave it open.
        held = [m.lower() for m in hold]
        command = ["xdotool"] + [a for m in held for a in ("keydown", m)]
        command += [a for name in names for a in ("key", name)]
        command += [a for m in reversed(held) for a in ("keyup", m)]
        subprocess.run(command, check=True)
        return
    registry = pyatspi.Registry
    for modifier in hold:
        registry.generateKeyboardEvent(KEYCODES[modifier], None, pyatspi.KEY_PRESS)
    for name in names:
        if name in KEYSYMS:
            registry.generateKeyboardEvent(KEYSYMS[name], None, pyatspi.KEY_SYM)
        else:
            registry.generateKeyboardEvent(KEYCODES[name], None, pyatspi.KEY_PRESSRELEASE)
    for modifier in reversed(hold):
        registry.generateKeyboardEvent(KEYCODES[modifier], None, pyatspi.KEY_RELEASE)


def session(pyatspi, orca, program):
    def step(name, pattern, *names, hold=(), times=1, seconds=20, x_client=False):
        orca.read()  # what came before belongs to the step before
        for i in range(times):
            if i:
                time.sleep(0.1)  # a second press, as Orca counts double presses
            keys(pyatspi, *names, hold=hold, x_client=x_client)
        said = orca.wait_for(name, pattern, seconds)
        print("%-34s %s" % (name, " | ".join(said)), flush=True)
        time.sleep(0.5)
        return said

    # The first request (Points Leaders) is current from the start.

    # Item: outcomes. No sign service: the message box, then the outcome.
    step("Ctrl+R (no sign service)", r"Select Desired Team/Player", "r", hold=("Control",))
    step("Return (send)", r"Unable to connect to Norvane Sign Service", "Return")
    step("Return (close the box)", r"Request 1 NOT delivered: status 1722", "Return")
    program.start_service(delay_ms=SLOW_SERVICE_MS)
    step("Ctrl+R (sign service up)", r"Select Desired Team/Player", "r", hold=("Control",))
    step("Return (send)", r"Request 1 delivered to the sign service", "Return")
    # Orca's "read status bar": Insert+KP_Enter pressed twice.
    step("Insert+KP_Enter twice", r"statusbar.*Request 1 delivered", "KP_Enter",
         hold=("Insert",), times=2)

    # Item: three sends in a row against the slow service, as fast as an
    # operator makes them: each dialog is answered once Orca has read it
    # (Return sends Home and player 0), so later sends wait behind earlier
    # ones and outcomes arrive while the next dialog is open or closing.
    mark = len(orca.heard)
    for n in (1, 2, 3):
        if n > 1:
            keys(pyatspi, "Down")
            time.sleep(0.3)
        orca.read()
        keys(pyatspi, "r", hold=("Control",))
        orca.wait_for("Ctrl+R (send %d)" % n, r"Request %d: .*Player Number" % n)
        keys(pyatspi, "Return")
        time.sleep(0.3)
    outcomes = [r"Request %d delivered to the sign service" % n for n in (1, 2, 3)]
    deadline = time.monotonic() + 30
    while True:
        orca.read()
        heard = " | ".join(orca.heard[mark:])
        if all(re.search(o, heard) for o in outcomes) or time.monotonic() > deadline:
            break
        time.sleep(0.2)
    orca.transcript.append(("three overlapping sends", orca.heard[mark:]))
    print("%-34s %s" % ("three overlapping sends", heard), flush=True)
    found = [[m.start() for m in re.finditer(o, heard)] for o in outcomes]
    if [len(f) for f in found] != [1, 1, 1] or not found[0][0] < found[1][0] < found[2][0]:
        fail("the three outcomes were not each said once, in order: %r" % heard)
    step("Ctrl+L", r"Request 3 delivered.*Request 2 delivered.*Request 1 delivered", "l",
         hold=("Control",))
    # Item: the Send Log by its key, and back.
    step("F6 (Send Log)", r"Send Log: \d+ sends", "F6")
    step("Escape (back to the list)", r"Requests: \d+ requests", "Escape")
    step("Home", r"Points Leaders", "Home")

    # Item: Home moves the caret.
    step("Down", r"Rebound Leaders", "Down")
    step("Down", r"Assist Leaders", "Down")
    step("Home", r"Points Leaders", "Home")
    step("Down after Home", r"Rebound Leaders", "Down")

    # Item: the main keyboard's + (=) and - on Sign #.
    step("Right x5 to Sign #", r"Sign # column header", "Right", "Right", "Right", "Right",
         "Right")
    step("= (plus)", r"(^|\| )2\.?( \||$)", "equal")
    step("- (minus)", r"(^|\| )1\.?( \||$)", "minus")

    # Item: changes in place.
    step("Right to Display Mode", r"Display Mode column header Continuous", "Right")
    step("S", r"Single Step\. Times to Display 0", "s")
    # Undo keeps the cell mode; Ctrl+Left goes back to the # column (row mode).
    step("Ctrl+Z", r"Continuous\. Times to Display 2", "z", hold=("Control",))
    step("Ctrl+Left", r"Points Leaders|# column header", "Left", hold=("Control",))

    # Item: the selection.
    said = step("Shift+Down", r"Assist Leaders.*2 requests selected", "Down", hold=("Shift",))
    # The table's selection changed too; Orca stays on the caret's row
    # rather than going to the first selected one.
    if any("Rebound" in line for line in said):
        fail("after Shift+Down Orca went back to the first selected row: %r" % said)
    step("Delete", r"Do you wish to Delete\?.*2 requests will be deleted", "Delete")
    step("N (keep them)", r"Requests|Rebound|Assist", "n")
    step("Up (one row)", r"Rebound Leaders", "Up")

    # Item: dialog values.
    step("Ctrl+E", r"Edit Request", "e", hold=("Control",))
    step("Tab to Type", r"Type.*combo box.*Individual", "Tab")
    step("Tab to Sign #", r"Sign #.*spin button", "Tab")
    step("Up in Sign #", r"(^|\| )2\.?( \||$)", "Up")
    step("Tab to Display Mode", r"Display Mode.*combo box.*Continuous", "Tab")
    step("Down in Display Mode", r"Single Step", "Down")
    step("Escape", r"Requests|Rebound", "Escape")

    # Item: the guide.
    step("F1", r"Corvella Help", "F1")
    step("Down in the guide", r"main window shows the requests", "Down")
    # A line of the list of columns gives the column and what it holds together.
    step("Down to a column's line", r"Request Description: a name for the request", "Down",
         times=3)
    step("Escape", r"Requests|Rebound|Corvella", "Escape")

    # Copy and Paste change the number of requests.
    step("Ctrl+C", r"[Cc]opied", "c", hold=("Control",))
    step("Ctrl+V", r"9 requests in the list", "v", hold=("Control",))

    # Saving, then another sport from the File menu's Sport submenu.
    step("Ctrl+S", r"Saved BASK\.REQ at", "s", hold=("Control",))
    step("Alt+F", r"Send Request", "f", hold=("Alt",), x_client=True)
    step("O (Sport)", r"expanded.*Baseball", "o", x_client=True)
    step("Down (the current sport)", r"Basketball checked", "Down", x_client=True)
    step("F (Football)", r"Opened FOOT\.REQ", "f", x_client=True)

    # A sport whose file has gone: its item, greyed, says why when the arrows
    # reach it, and the window says it again when it is chosen by its key.
    os.remove(os.path.join(program.work, "BASK.REQ"))
    step("Alt+F", r"Send Request", "f", hold=("Alt",), x_client=True)
    step("O (Sport)", r"expanded.*Baseball", "o", x_client=True)
    step("Down (a greyed sport)", r"Basketball.*there is no BASK\.REQ", "Down", x_client=True)
    step("B (the greyed sport)", r"Basketball is not available: there is no BASK\.REQ", "b",
         x_client=True)


def inner(exe, examples, signsim):
    pyatspi, desktop = bus.reach_bus()
    for tool in ("orca", "speech-dispatcher", "xdotool"):
        if not shutil.which(tool):
            fail(tool + " is missing (scripts/setup.sh installs it)")
    program = screen.Program(exe, examples, signsim, timeout_ms=LIBRARY_TIMEOUT_MS)
    orca = None
    try:
        bus.wait_until("the program showed no table named \"Requests\" on the bus",
                       lambda: bus.find_table(desktop))
        app = screen.find_app(desktop)
        frame = next(a for a in app if a.getRole() == pyatspi.ROLE_FRAME)
        bus.wait_until("the main window did not become active",
                       lambda: frame.getState().contains(pyatspi.STATE_ACTIVE))
        orca = Orca(os.environ["HOME"])
        orca.wait_for("Orca starts", r"Screen reader on.*BASK\.REQ - Corvella", 60)
        session(pyatspi, orca, program)
        print("PASS")
        return 0
    finally:
        if orca is not None:
            orca.stop()
            keep = os.environ.get("ORCA_DEBUG_LOG_COPY")
            if keep:
                shutil.copy(orca.log, keep)
            print("\nWhat Orca said, step by step:")
            for name, said in orca.transcript:
                print("  %-32s %s" % (name, " | ".join(said)))
        program.close()


def main():
    args = sys.argv[1:]
    if args and args[0] == "--inner":
        sys.exit(inner(*[os.path.abspath(a) for a in args[1:]]))
    if len(args) != 3:
        print(__doc__)
        sys.exit(2)
    sys.exit(bus.outer(args, __file__, 500, own_home=True))


if __name__ == "__main__":
    main()
