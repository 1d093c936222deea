#!/usr/bin/env python3
"""zeltctl against a separate signsim process in a private socket directory:
one call per command (signsim's log of the arguments, the output lines, the
exit status), usage errors, options after the command, batches, the trace,
the time-out option, JSON output, and a service nobody runs.

usage: zeltctl_test.py ZELTCTL SIGNSIM [unittest arguments]
"""
import json
import os
import re
import resource
import subprocess
import sys
import tempfile
import time
import unittest

ZELTCTL = SIGNSIM = None

PACKET = (b"\x16" b"00000000" b"\x01" b"00103000005CSCORES  LEADERS 000000120GIV 7 "
          b"\x04" b"20" b"\x17")


def buf(name, data):
    """The lines of an output buffer: hex, and text when printable."""
    raw = data.encode() if isinstance(data, str) else data
    lines = [f"{name}={raw.hex().upper()}"]
    if raw and all(0x20 <= b < 0x7F for b in raw):
        lines.append(f"{name}.text={raw.decode()}")
    return lines


def sized(text, name="buffer", size="size"):
    return buf(name, text) + [f"{size}={len(text)}"]


OK = "status=0 ERROR_SUCCESS"

# (arguments, signsim's log of the call, output lines before the status
# line, status line). Run in this order against one service: later calls read
# what earlier ones set.
CALLS = [
    (["ping"], 'Ping() -> 0', [], OK),
    (["playsequence", "SIGN1", "LEADERS", "1", "-2"], 'PlaySequence("SIGN1", "LEADERS", 1, -2) -> 0', [], OK),
    (["SelectFrame", "SIGN1", "3"], 'SelectFrame("SIGN1", 3) -> 0', [], OK),
    (["singlestepframe", "SIGN1", "2"], 'SingleStepFrame("SIGN1", 2) -> 0', [], OK),
    (["runschedule", "SIGN1", "GAMEDAY", "4"], 'RunSchedule("SIGN1", "GAMEDAY", 4) -> 0', [], OK),
    (["queuesequence", "SIGN1", "SCORES", "5", "6"], 'QueueSequence("SIGN1", "SCORES", 5, 6) -> 0', [], OK),
    (["setdefaultsequence", "SIGN1", "WELCOME", "7", "8"],
     'SetDefaultSequence("SIGN1", "WELCOME", 7, 8) -> 0', [], OK),
    (["stopsequence", "SIGN2"], 'StopSequence("SIGN2") -> 0', [], OK),
    (["blanksign", "SIGN2"], 'BlankSign("SIGN2") -> 0', [], OK),
    (["endschedule", "SIGN1"], 'EndSchedule("SIGN1") -> 0', [], OK),
    (["nextitem", "SIGN1"], 'NextItem("SIGN1") -> 0', [], OK),
    (["clearqueue", "SIGN1"], 'ClearQueue("SIGN1") -> 0', [], OK),
    (["setdimming", "SIGN1", "80", "90"], 'SetDimming("SIGN1", 80, 90) -> 0', [], OK),
    (["checksequence", "SIGN1", "NOPE"], 'CheckSequence("SIGN1", "NOPE") -> 1168', [],
     "status=1168 ERROR_NOT_FOUND"),
    (["getchangeflag", "SIGN1"], 'GetChangeFlag("SIGN1") -> 0', ["flag=1"], OK),
    (["getschedchangeflag", "SIGN1"], 'GetSchedChangeFlag("SIGN1") -> 0', ["flag=1"], OK),
    (["getphotocell", "SCOREBOARD"], 'GetPhotocell("SCOREBOARD") -> 0', ["value=300"], OK),
    (["getstatus", "SIGN1"], 'GetStatus("SIGN1", 4096) -> 0',
     sized("sign=SIGN1 state=stepping sequence=SCORES frame=0 dim=80,90 queue=0 schedule=-"), OK),
    (["getschedseqstatus", "SIGN1", "7"], 'GetSchedSeqStatus("SIGN1", 4096, 4096, 7) -> 0',
     sized("", "buffer1", "size1") + sized("SCORES", "buffer2", "size2") + ["value=7"], OK),
    (["getframestatus", "SIGN1"], 'GetFrameStatus("SIGN1", 4096) -> 0',
     sized("frame 0 of SCORES") + ["value1=0", "value2=12", "value3=1", "value4=1", "value5=0"], OK),
    (["geteffectstatus", "SIGN1"], 'GetEffectStatus("SIGN1", 4096) -> 0',
     ["value=1"] + sized("effect fade"), OK),
    (["getschedule", "SIGN1"], 'GetSchedule("SIGN1", 4096) -> 0',
     ["size=19"] + buf("buffer", "GAMEDAY 19:00-23:00") + ["value=0"], OK),
    (["getqueue", "SIGN1"], 'GetQueue("SIGN1", 4096) -> 0', sized(""), OK),
    (["getconfig", "SIGN2"], 'GetConfig("SIGN2", 4096) -> 0',
     sized("sign=SIGN2 rows=16 columns=96 colors=3 ports=4"), OK),
    (["getbulb", "SIGN1"], 'GetBulb("SIGN1", 4096) -> 0', sized("bulbs=1536 failed=0"), OK),
    (["getbulbex", "SIGN1"], 'GetBulbEx("SIGN1", 4096) -> 0', sized("bulbs=1536 failed=0") + ["extra=0"], OK),
    (["ListSigns"], 'ListSigns(4096) -> 0', sized("SIGN1,SIGN2,SCOREBOARD"), OK),
    (["windowenable", "SIGN1", "2", "1"], 'WindowEnable("SIGN1", 2, 1) -> 0', [], OK),
    (["windowmove", "SIGN1", "2", "10", "20"], 'WindowMove("SIGN1", 2, 10, 20) -> 0', [], OK),
    (["listwindows", "SIGN1"], 'ListWindows("SIGN1", 4096) -> 0', sized("1:on:0,0,0;2:on:10,20,0"), OK),
    (["queuewindowenable", "SIGN1", "1", "0"], 'QueueWindowEnable("SIGN1", 1, 0) -> 0', [], OK),
    (["queuewindowmove", "SIGN1", "1", "5", "6"], 'QueueWindowMove("SIGN1", 1, 5, 6) -> 0', [], OK),
    (["setrealtimedata", "3", "0x414243", "5"], 'SetRealTimeData(3, [3] "ABC", 3, 5, 0) -> 0', [], OK),
    (["--size", "5", "getrealtimedata", "3", "9"], 'GetRealTimeData(3, 5, 9, 0) -> 0',
     buf("data", b"ABC\0\0"), OK),
    (["getdefaultsequence", "SIGN1"], 'GetDefaultSequence("SIGN1", 4096) -> 0',
     sized("WELCOME") + ["value1=7", "value2=8"], OK),
    (["sendrealtimedataport", "0", "@PACKET"], 'SendRealTimeDataPort(0, [57] "\\x1600000000\\x0100103', [], OK),
    (["showframe", "SIGN1", "@-"], 'ShowFrame("SIGN1", [3] "hi\\x0A", 3) -> 0', [], OK),
    (["vlsendbrightness", "SIGN1", "60"], 'VLSendBrightness("SIGN1", 60) -> 0', [], OK),
    (["vlsendcontrast", "SIGN1", "61"], 'VLSendContrast("SIGN1", 61) -> 0', [], OK),
    (["vlsendsaturation", "SIGN1", "62"], 'VLSendSaturation("SIGN1", 62) -> 0', [], OK),
    (["vlsendhue", "SIGN1", "63"], 'VLSendHue("SIGN1", 63) -> 0', [], OK),
    (["vlsendformat", "SIGN1", "2"], 'VLSendFormat("SIGN1", 2) -> 0', [], OK),
    (["vlsendinput", "SIGN1", "3"], 'VLSendInput("SIGN1", 3) -> 0', [], OK),
    (["vlsendsource", "SIGN1", "4"], 'VLSendSource("SIGN1", 4) -> 0', [], OK),
    (["vlsendviewablearea", "SIGN1", "1", "2", "3", "4"], 'VLSendViewableArea("SIGN1", 1, 2, 3, 4) -> 0', [], OK),
    (["vlsendwindow", "SIGN1", "5", "6", "7", "8"], 'VLSendWindow("SIGN1", 5, 6, 7, 8) -> 0', [], OK),
    (["vlgetchangeflag", "SIGN1"], 'VLGetChangeFlag("SIGN1") -> 0', ["flag=1"], OK),
    (["vlgetstatus", "SIGN1"], 'VLGetStatus("SIGN1", 4096) -> 0',
     sized("brightness=60 contrast=61 saturation=62 hue=63"), OK),
    (["vlgetconfig", "SIGN1"], 'VLGetConfig("SIGN1", 4096) -> 0', sized("format=2 input=3 source=4"), OK),
    (["vlreadfmtinpsrc", "SIGN1"], 'VLReadFmtInpSrc("SIGN1") -> 0', ["format=2", "input=3", "source=4"], OK),
    (["vlreadviewablearea", "SIGN1"], 'VLReadViewableArea("SIGN1") -> 0',
     ["value1=1", "value2=2", "value3=3", "value4=4"], OK),
    (["vlreadwindow", "SIGN1"], 'VLReadWindow("SIGN1") -> 0', ["value1=5", "value2=6", "value3=7", "value4=8"], OK),
    (["vlreadbchs", "SIGN1"], 'VLReadBCHS("SIGN1") -> 0',
     ["brightness=60", "contrast=61", "hue=63", "saturation=62"], OK),
    (["listservers", "1"], 'ListServers(4096, 1) -> 0', sized("SIGNSERVER,BACKUP"), OK),
]

# (arguments, a piece of the message, the command whose usage follows or None)
USAGE_ERRORS = [
    (["frobnicate"], "unknown command frobnicate", None),
    (["getstatus"], "getstatus: missing SIGN", "getstatus SIGN"),
    (["ping", "extra"], "ping: unexpected argument extra", "ping"),
    (["selectframe", "SIGN1", "2147483648"], "FRAME is not a decimal long", "selectframe SIGN FRAME"),
    (["sendrealtimedataport", "0", "0x123"], "DATA is not hex", "sendrealtimedataport PORT DATA"),
    (["sendrealtimedataport", "0", "1g"], "DATA is not hex", "sendrealtimedataport PORT DATA"),
    (["--size", "16777217", "listsigns"], "over the limit of 16777216 bytes", None),
    (["--size", "-1", "listsigns"], "not a number of bytes", None),
    (["--bogus", "ping"], "unknown option --bogus", None),
    (["ping", "--bogus"], "unknown option --bogus", None),
    (["help", "nosuch"], "unknown command nosuch", None),
    (["--timeout", "0", "ping"], "--timeout: not a number of milliseconds", None),
    (["ping", "--timeout", "abc"], "--timeout: not a number of milliseconds", None),
    (["ping", "--timeout"], "--timeout needs milliseconds", None),
    (["--batch", "-", "ping"], "--batch reads the commands: unexpected ping", None),
    (["-x", "ping"], "unknown option -x", None),
]

# Options before and after the command, and "--": (arguments, signsim's log
# of the call, the output lines).
OPTION_PLACES = [
    (["ping", "--json"], "Ping() -> 0", ['{"status": 0, "statusName": "ERROR_SUCCESS"}']),
    (["getchangeflag", "--json", "SIGN2"], 'GetChangeFlag("SIGN2") -> 0',
     ['{"flag": 1, "status": 0, "statusName": "ERROR_SUCCESS"}']),
    (["listsigns", "--size", "5"], "ListSigns(5) -> 234",
     buf("buffer", "SIGN1") + ["size=5", "status=234 ERROR_MORE_DATA"]),
    (["listsigns", "--size=6"], "ListSigns(6) -> 234",
     buf("buffer", "SIGN1,") + ["size=6", "status=234 ERROR_MORE_DATA"]),
    (["playsequence", "SIGN2", "LEADERS", "-1", "-22"], 'PlaySequence("SIGN2", "LEADERS", -1, -22) -> 0', [OK]),
    (["--", "playsequence", "SIGN2", "--json", "3", "4"], 'PlaySequence("SIGN2", "--json", 3, 4) -> 1168',
     ["status=1168 ERROR_NOT_FOUND"]),
    (["selectframe", "--json", "SIGN2", "--", "5"], 'SelectFrame("SIGN2", 5) -> 0',
     ['{"status": 0, "statusName": "ERROR_SUCCESS"}']),
    (["checksequence", "SIGN2", "--", "--size"], 'CheckSequence("SIGN2", "--size") -> 1168',
     ["status=1168 ERROR_NOT_FOUND"]),
]


def run(args, env, stdin=b""):
    return subprocess.run([ZELTCTL] + args, env=env, input=stdin, capture_output=True, timeout=30)


def listed_commands():
    """The command names that `zeltctl help` lists."""
    r = run(["help"], os.environ)
    return [line.split()[0] for line in r.stdout.decode().split("Commands", 1)[1].splitlines()[1:]]


class SignsimCase(unittest.TestCase):
    """A signsim process per test class, in its own socket directory."""
    SIGNSIM_ARGS = []

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.env = dict(os.environ, ZELTRPC_DIR=os.path.join(cls.tmp.name, "sock"), ZELTRPC_TIMEOUT_MS="5000")
        cls.env.pop("ZELTRPC_SERVER", None)
        cls.log_path = os.path.join(cls.tmp.name, "log")
        cls.log = open(cls.log_path, "w")
        cls.signsim = subprocess.Popen([SIGNSIM] + cls.SIGNSIM_ARGS, env=cls.env, stdout=cls.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while "listening on" not in cls.read_log():
            if time.monotonic() > deadline or cls.signsim.poll() is not None:
                raise RuntimeError("signsim did not start:\n" + cls.read_log())
            time.sleep(0.02)

    @classmethod
    def tearDownClass(cls):
        cls.signsim.terminate()
        cls.signsim.wait(10)
        cls.log.close()
        cls.tmp.cleanup()

    @classmethod
    def read_log(cls):
        with open(cls.log_path) as f:
            return f.read()


class EveryCommand(SignsimCase):
    def test_each_command_reaches_the_service_and_prints_its_outputs(self):
        packet = os.path.join(self.tmp.name, "request.pkt")
        with open(packet, "wb") as f:
            f.write(PACKET)
        for args, logged, lines, status in CALLS:
            with self.subTest(args=args):
                before = len(self.read_log())
                args = ["@" + packet if a == "@PACKET" else a for a in args]
                r = run(args, self.env, stdin=b"hi\n")
                self.assertEqual(r.stderr, b"")
                self.assertEqual(r.stdout.decode().splitlines(), lines + [status])
                self.assertEqual(r.returncode, 0 if status == OK else 1)
                self.assertIn(logged, self.read_log()[before:])
        self.assertIn("sign 03 mode 0 Continuous", self.read_log())
        called = {next(a for a in args if not a.startswith("-") and not a.isdigit()).lower()
                  for args, *_ in CALLS}
        self.assertEqual(called, set(listed_commands()))

    def test_json_output_parses_with_the_same_names(self):
        r = run(["--json", "getframestatus", "SIGN2"], self.env)
        self.assertEqual(r.returncode, 0)
        out = json.loads(r.stdout)
        self.assertEqual(list(out), ["buffer", "buffer.text", "size", "value1", "value2", "value3", "value4",
                                     "value5", "status", "statusName"])
        self.assertEqual(out["buffer.text"], "frame 0 of -")
        self.assertEqual(out["buffer"], b"frame 0 of -".hex().upper())
        self.assertEqual((out["value2"], out["status"], out["statusName"]), (12, 0, "ERROR_SUCCESS"))
        r = run(["--json", "checksequence", "SIGN1", "NOPE"], self.env)
        self.assertEqual((r.returncode, json.loads(r.stdout)),
                         (1, {"status": 1168, "statusName": "ERROR_NOT_FOUND", "outcome": "ran"}))

    def test_usage_errors_say_what_is_wrong_and_call_nothing(self):
        for args, message, usage in USAGE_ERRORS:
            with self.subTest(args=args):
                before = len(self.read_log())
                r = run(args, self.env)
                self.assertEqual(r.returncode, 2)
                self.assertEqual(r.stdout, b"")
                err = r.stderr.decode()
                self.assertIn(message, err)
                self.assertIn("usage: zeltctl [OPTION...] " + (usage or "COMMAND"), err)
                self.assertEqual(self.read_log()[before:], "")

    def test_options_anywhere_and_double_dash(self):
        for args, logged, lines in OPTION_PLACES:
            with self.subTest(args=args):
                before = len(self.read_log())
                r = run(args, self.env)
                self.assertEqual(r.stdout.decode().splitlines(), lines)
                self.assertIn(logged, self.read_log()[before:])
                self.assertEqual(r.returncode, 0 if lines[-1].endswith('"ERROR_SUCCESS"}') or lines[-1] == OK else 1)
                # A cut answer names the option that gives more room.
                self.assertEqual("--size" in r.stderr.decode(), "234" in lines[-1])

    def test_output_that_cannot_be_written_is_a_failure(self):
        # (arguments, standard input, a call made, a call a batch stops before)
        cases = [
            (["ping"], b"", "Ping()", None),
            (["help"], b"", None, None),
            (["--version"], b"", None, None),
            (["--batch", "-"], b"ping\nblanksign SIGN2\n", "Ping()", "BlankSign"),
        ]
        with open("/dev/full", "wb") as full:
            for args, stdin, made, not_made in cases:
                with self.subTest(args=args):
                    before = len(self.read_log())
                    r = subprocess.run([ZELTCTL] + args, env=self.env, input=stdin, stdout=full,
                                       stderr=subprocess.PIPE, timeout=30)
                    self.assertEqual(r.returncode, 1)
                    self.assertRegex(r.stderr.decode(),
                                     r"^zeltctl: (line 1: )?cannot write the output: No space left on device\n$")
                    log = self.read_log()[before:]
                    if made:
                        self.assertIn(made, log)
                    if not_made:
                        self.assertNotIn(not_made, log)

    def test_unreadable_input_file_fails_the_call_not_the_usage(self):
        r = run(["sendrealtimedataport", "0", "@/nonexistent/packet"], self.env)
        self.assertEqual((r.returncode, r.stdout), (1, b""))
        self.assertEqual(r.stderr.decode(), "zeltctl: cannot open /nonexistent/packet: No such file or directory\n")

    def test_json_errors_come_as_objects_on_standard_output(self):
        # (arguments, exit status, the error)
        cases = [
            (["--json", "sendrealtimedataport", "0", "@/nonexistent/packet"], 1,
             "cannot open /nonexistent/packet: No such file or directory"),
            (["--json", "frobnicate"], 2, "unknown command frobnicate"),
            (["getstatus", "--json"], 2, "getstatus: missing SIGN"),
            (["--json", "--timeout", "0", "ping"], 2,
             "--timeout: not a number of milliseconds from 1 to 86400000: 0"),
        ]
        for args, status, error in cases:
            with self.subTest(args=args):
                r = run(args, self.env)
                self.assertEqual((r.returncode, json.loads(r.stdout)), (status, {"error": error}))
                self.assertIn(error, r.stderr.decode())

    def test_a_reader_that_goes_away_ends_the_run_with_1(self):
        r = subprocess.run(
            ["bash", "-c", 'yes ping | head -5000 | "$0" --batch - | head -1; exit ${PIPESTATUS[2]}', ZELTCTL],
            env=self.env, capture_output=True, timeout=60)
        self.assertEqual(r.stdout.decode(), OK + "\n")
        self.assertEqual(r.returncode, 1)
        self.assertIn("cannot write the output: Broken pipe", r.stderr.decode())

    def test_help_after_a_command_is_that_commands(self):
        for args in (["getstatus", "--help"], ["--help", "GETSTATUS", "SIGN1"], ["help", "getstatus"]):
            with self.subTest(args=args):
                r = run(args, self.env)
                self.assertEqual(r.returncode, 0)
                self.assertTrue(r.stdout.decode().startswith("usage: zeltctl [OPTION...] getstatus SIGN\n"
                                                             "Calls zeltGetStatus.\n"), r.stdout)

    def test_batch_one_block_per_command_over_one_connection(self):
        # (lines, blocks printed, exit status): the worst status wins.
        cases = [
            (["ping", "", "# a comment", "getchangeflag 'SIGN2'", "  checksequence SIGN1 \"NO PE\""],
             [[OK], ["flag=0", OK], ["status=1168 ERROR_NOT_FOUND"]], 1),
            (["ping", "nosuch", "ping"], [[OK], ["error=unknown command nosuch"], [OK]], 2),
            (["getconfig SIGN1 --size 3", "showframe SIGN1 @/nonexistent/frame", "ping"],
             [buf("buffer", "sig") + ["size=3", "status=234 ERROR_MORE_DATA"],
              ["error=cannot open /nonexistent/frame: No such file or directory"], [OK]], 1),
            (["ping", "ping"], [[OK], [OK]], 0),
            (["ping", "ping --json"], [[OK], ["error=only --size can be given on a batch line, not --json"]], 2),
        ]
        for lines, blocks, status in cases:
            with self.subTest(lines=lines):
                before = len(self.read_log())
                r = run(["--batch", "-"], self.env, stdin="\n".join(lines).encode() + b"\n")
                self.assertEqual(r.stdout.decode().splitlines(), [line for b in blocks for line in b])
                self.assertEqual(r.returncode, status)
                log = self.read_log()[before:]
                self.assertEqual(log.count(" bind "), 1, log)
        path = os.path.join(self.tmp.name, "commands")
        with open(path, "w") as f:
            f.write("ping\ngetphotocell SCOREBOARD\n")
        r = run(["--batch", path, "--json"], self.env)
        self.assertEqual([json.loads(line) for line in r.stdout.splitlines()],
                         [{"line": 1, "status": 0, "statusName": "ERROR_SUCCESS"},
                          {"line": 2, "value": 300, "status": 0, "statusName": "ERROR_SUCCESS"}])
        self.assertEqual(r.returncode, 0)
        # Each object names the line it answers, skipped and wrong lines counted.
        r = run(["--batch", "-", "--json"], self.env, stdin=b"# first\n\nping\nnosuch\nchecksequence SIGN1 NOPE\n")
        self.assertEqual([json.loads(line) for line in r.stdout.splitlines()],
                         [{"line": 3, "status": 0, "statusName": "ERROR_SUCCESS"},
                          {"line": 4, "error": "unknown command nosuch"},
                          {"line": 5, "status": 1168, "statusName": "ERROR_NOT_FOUND", "outcome": "ran"}])
        self.assertEqual(r.returncode, 2)

    def test_batch_line_over_the_limit_stops_the_batch(self):
        limit = 16 * 1024 * 1024
        too_long = "error=longer than 16777216 bytes"
        # (batch file contents, or a path to read, the blocks printed, the
        # line named as too long, the pings made)
        cases = [
            ("/dev/zero", [too_long], 1, 0),
            (b"ping\n# " + b"x" * (limit - 2) + b"\nping\n", [OK, OK], None, 2),
            (b"ping\n" + b"x" * (limit + 1) + b"\nping\n", [OK, too_long], 2, 1),
        ]

        # A batch without a limit could take all memory; its address space is
        # bounded, unless AddressSanitizer reserves terabytes of it for itself.
        with open(ZELTCTL, "rb") as f:
            sanitized = b"__asan_init" in f.read()

        def bounded():
            if not sanitized:
                resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))

        for contents, blocks, named, pings in cases:
            with self.subTest(named=named, pings=pings):
                path = contents
                if isinstance(contents, bytes):
                    path = os.path.join(self.tmp.name, "long-lines")
                    with open(path, "wb") as f:
                        f.write(contents)
                before = len(self.read_log())
                r = subprocess.run([ZELTCTL, "--batch", path], env=self.env, capture_output=True,
                                   timeout=60, preexec_fn=bounded)
                self.assertEqual(r.stdout.decode().splitlines(), blocks)
                self.assertEqual(r.returncode, 0 if named is None else 1)
                if named:
                    self.assertEqual(r.stderr.decode(), f"zeltctl: line {named}: longer than 16777216 bytes; "
                                                         f"the rest of {path} is not read\n")
                # The connect, made by the first command, pings too.
                self.assertEqual(self.read_log()[before:].count("Ping() -> 0"), pings + (pings > 0))

    def test_trace_shows_each_pdu_in_hex(self):
        r = run(["--trace", "getconfig", "SIGN2"], self.env)
        self.assertEqual(r.returncode, 0)
        err = r.stderr.decode()
        heads = [line for line in err.splitlines() if line.startswith("zeltrpc: ")]
        # Each heading: the time of day, what the PDU is, and for a request
        # and its answer the procedure.
        clock = r"zeltrpc: \d\d:\d\d:\d\d\.\d{6} "
        for h in heads:
            self.assertRegex(h, "^" + clock)
        self.assertEqual([", ".join(re.sub("^" + clock, "", h).split(", ")[:-1]) for h in heads],
                         ["sent bind, call 1", "received bind_ack, call 1", "sent request, call 2, Ping",
                          "received response, call 2, Ping", "sent request, call 3, GetConfig",
                          "received response, call 3, GetConfig"])
        self.assertRegex(err, r"\nzeltctl: \d\d:\d\d:\d\d\.\d{6} GetConfig: status 0 ERROR_SUCCESS "
                              r"\(ran\) after \d+ ms\n$")
        # The last reply's bytes, read back from the hex, hold the text printed.
        last = err.split(heads[-1], 1)[1]
        data = bytes.fromhex("".join(line.split(None, 1)[1] for line in last.splitlines()
                                     if line.startswith("  ")))
        self.assertIn(b"sign=SIGN2 rows=16", data)
        self.assertEqual(len(data), int(heads[-1].split(", ")[-1].split()[0]))
        self.assertEqual(run(["getconfig", "SIGN2"], self.env).stderr, b"")


class Help(unittest.TestCase):
    def test_version(self):
        r = run(["ping", "--version"], os.environ)
        self.assertEqual(r.returncode, 0)
        self.assertRegex(r.stdout.decode(), r"^zeltctl \d+\.\d+\n$")

    def test_help_lists_every_command_and_shows_one(self):
        r = run(["help"], os.environ)
        self.assertEqual(r.returncode, 0)
        self.assertEqual(len(listed_commands()), 54)
        self.assertIn("  getschedseqstatus SIGN VALUE  -> buffer1 size1 buffer2 size2 value\n", r.stdout.decode())
        r = run(["help", "GETBULBEX"], os.environ)
        self.assertEqual(r.returncode, 0)
        self.assertIn("Calls zeltGetBulb.", r.stdout.decode())


class SlowService(SignsimCase):
    SIGNSIM_ARGS = ["--delay-ms", "3000"]

    def test_timeout_option_bounds_the_call(self):
        start = time.monotonic()
        r = run(["ping", "--timeout", "400"], self.env)
        self.assertEqual(r.stdout.decode(), "status=1818 RPC_S_CALL_CANCELLED\n")
        # The connect's ping ran out of time: the call itself was not made.
        self.assertEqual(r.returncode, 3)
        self.assertLess(time.monotonic() - start, 2.5)

    def test_max_time_bounds_the_whole_run(self):
        # --timeout alone would let the connect and the call take 3 s each.
        # (arguments, exit status: 4 when a call was under way, 3 when it ran
        # out before a call was made)
        for args, status in ((["--json", "blanksign", "SIGN1", "--timeout", "6000", "--max-time", "4500"], 4),
                             (["--json", "ping", "--timeout", "6000", "--max-time", "1000"], 3),
                             (["--json", "--batch", "-", "--max-time", "1000", "--timeout", "400"], 3)):
            with self.subTest(args=args):
                start = time.monotonic()
                r = run(args, self.env, stdin=b"ping\nping\nping\nping\n")
                limit = int(args[args.index("--max-time") + 1]) / 1000
                self.assertLess(time.monotonic() - start, limit + 1.5)
                self.assertEqual(r.returncode, status)
                self.assertIn(f"--max-time {args[args.index('--max-time') + 1]} ms ran out",
                              json.loads(r.stdout.splitlines()[-1])["error"])


class LostReplies(SignsimCase):
    SIGNSIM_ARGS = ["--lose-reply-after", "1"]

    def test_a_call_that_may_have_run_is_never_repeated(self):
        before = len(self.read_log())
        r = run(["--retry", "3", "--json", "blanksign", "SIGN1"], self.env)
        self.assertEqual(json.loads(r.stdout), {"status": 1726, "statusName": "RPC_S_CALL_FAILED",
                                                "outcome": "may have run"})
        self.assertEqual(r.returncode, 4)
        self.assertEqual(self.read_log()[before:].count("BlankSign("), 1)
        self.assertNotIn("repeat", r.stderr.decode())


class NothingListening(unittest.TestCase):
    def test_status_line_and_exit_3(self):
        with tempfile.TemporaryDirectory() as d:
            env = dict(os.environ, ZELTRPC_DIR=os.path.join(d, "sock"), ZELTRPC_TIMEOUT_MS="500")
            env.pop("ZELTRPC_SERVER", None)
            for args in (["ping"], ["getstatus", "SIGN1"]):
                with self.subTest(args=args):
                    r = run(args, env)
                    self.assertEqual(r.stdout.decode(), "status=1722 RPC_S_SERVER_UNAVAILABLE\n")
                    self.assertEqual(r.returncode, 3)

    def test_retry_repeats_a_call_that_did_not_run_until_the_service_answers(self):
        with tempfile.TemporaryDirectory() as d:
            env = dict(os.environ, ZELTRPC_DIR=os.path.join(d, "sock"), ZELTRPC_TIMEOUT_MS="500")
            env.pop("ZELTRPC_SERVER", None)
            err_path = os.path.join(d, "stderr")
            with open(err_path, "w") as err:
                client = subprocess.Popen([ZELTCTL, "--retry", "20", "blanksign", "SIGN1"], env=env,
                                          stdout=subprocess.PIPE, stderr=err)

            def said():
                with open(err_path) as f:
                    return f.read()
            # The service starts once the first repeat has been announced.
            deadline = time.monotonic() + 20
            while "repeat 1 of 20" not in said() and time.monotonic() < deadline:
                time.sleep(0.02)
            with open(os.path.join(d, "log"), "w") as log:
                signsim = subprocess.Popen([SIGNSIM], env=env, stdout=log, stderr=subprocess.STDOUT)
                try:
                    out, _ = client.communicate(timeout=60)
                finally:
                    signsim.terminate()
                    signsim.wait(10)
            self.assertEqual(out.decode(), OK + "\n")
            self.assertEqual(client.returncode, 0)
            self.assertIn("status 1722 RPC_S_SERVER_UNAVAILABLE: the call did not run; repeat 1 of 20",
                          said())
            with open(os.path.join(d, "log")) as f:
                self.assertEqual(f.read().count('BlankSign("SIGN1") -> 0'), 1)


if __name__ == "__main__":
    ZELTCTL, SIGNSIM = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
