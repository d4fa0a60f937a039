"""The panel as a SCPI instrument, driven by PyVISA over TCP: the headless logger against the
simulator, as a lab script would use it."""
import math
import socket
import subprocess
import threading
import time
import unittest

from scpi_bench import FRONTPANEL, NO_VALUE, Bench, error_code, values, wait_until


def statistics(v):
    mean = sum(v) / len(v)
    sd = math.sqrt(sum((x - mean) ** 2 for x in v) / (len(v) - 1))
    adev = math.sqrt(sum((b - a) ** 2 for a, b in zip(v, v[1:])) / (2 * (len(v) - 1))) / mean
    return [mean, sd, min(v), max(v)], adev


def find_run(haystack, needle):
    """Where `needle` stands in `haystack` as a run of consecutive items; -1 if it does not."""
    for i in range(len(haystack) - len(needle) + 1):
        if haystack[i:i + len(needle)] == needle:
            return i
    return -1


def is_subsequence(needle, haystack):
    it = iter(haystack)
    return all(any(x == y for y in it) for x in needle)


class StreamingInstrument(unittest.TestCase):
    """A simulator that sends a frame every 50 ms with a noisy 10 MHz, at 9600 baud."""

    @classmethod
    def setUpClass(cls):
        cls.bench = Bench(sim_args=["--period-ms", "50", "--noise-ppm", "5"])

    @classmethod
    def tearDownClass(cls):
        status = cls.bench.close()
        if status != 0:
            raise AssertionError(f"the logger ended with {status}: " + "".join(cls.bench.err))

    def setUp(self):
        self.inst = self.bench.client()
        self.inst.write("*RST;*CLS")
        self.assertEqual(self.inst.query("*OPC?"), "1")

    def si_values(self, gate_ms=None):
        return [float(r["si_value"]) for r in self.bench.rows() if gate_ms is None or r["gate_ms"] == str(gate_ms)]

    def test_identification(self):
        version = subprocess.run([FRONTPANEL, "--version"], capture_output=True, text=True).stdout.strip()
        self.assertEqual(self.inst.query("*IDN?").split(","),
                         ["FRONTPANEL", "CHES-712", "0", version.removeprefix("frontpanel ")])
        self.assertEqual(self.inst.query("SYST:VERS?"), "1999.0")
        self.assertEqual(self.inst.query("SYST:LINK?"), "CONNECTED")
        self.assertEqual(self.inst.query("*idn?;:syst:vers?").split(";")[1], "1999.0")

    def test_errors_go_to_the_queue_with_their_standard_numbers(self):
        cases = [
            ("FOO:BAR", -113), ("FETC", -113), ("*IDN", -113), ("FREQ:GATE:TIME 0.5", -222),
            ("SYST:KEY", -109), ("*CLS 5", -108), ("FREQ:GATE:TIME ABC", -224), ("FREQ::GATE", -102),
            ("SAMP:COUN 0", -222), ("SYST:KEY 29", -222), ("DISP:TEXT? 'x'", -108),
            ("FREQ:GATE:TIME 'x'", -104), ("*IDN? " + "x" * 5000, -223),
        ]
        for command, code in cases:
            with self.subTest(command=command[:40]):
                self.inst.write(command)
                self.assertEqual(error_code(self.inst), code)
                self.assertEqual(self.inst.query("SYST:ERR?"), '0,"No error"')
        self.assertEqual(self.inst.query("SYST:ERR?"), '0,"No error"')
        # A command error ends its line; the replies before it come back.
        self.inst.write("*CLS")
        self.assertEqual(self.inst.query("SYST:VERS?;FOO;*IDN?"), "1999.0")
        self.assertEqual(self.inst.query("*STB?;*ESR?;*ESR?;SYST:ERR?;*STB?"),
                         '4;32;0;-113,"Undefined header;FOO";0')
        for _ in range(25):
            self.inst.write("FOO")
        self.assertEqual(self.inst.query("SYST:ERR?"), '-113,"Undefined header;FOO"')
        for _ in range(18):
            self.inst.query("SYST:ERR?")
        self.assertEqual(self.inst.query("SYST:ERR?"), '-350,"Queue overflow"')

    def test_set_up_presses_the_keys_and_the_queries_read_the_lamps(self):
        steps = [
            ("FREQ:GATE:TIME 0.1", "SENS:FREQ:GATE:TIME?", 0.1, 5),
            ("FREQ:GATE:TIME 10 ms", "FREQ:GATE:TIME?", 0.01, 4),
            ("SYST:TMAR 1E-5", "SYST:TMAR?", 1e-5, 11),
            ("SYST:DTIM 1", "SYST:DTIM?", 1.0, 25),
            ("FREQ:GATE:TIME MAX", "FREQ:GATE:TIME?", 10.0, 7),
        ]
        for command, query, value, key in steps:
            with self.subTest(command=command):
                self.inst.write(command)
                self.assertEqual(self.inst.query("*OPC?"), "1")
                self.assertAlmostEqual(float(self.inst.query(query)), value)
                self.assertEqual(self.inst.query(f"SYST:KEY? {key}"), "1")
        # Several keys in one line: each goes once the one before is answered, and *OPC? once all are.
        self.inst.write("FREQ:GATE:TIME 1;:SYST:DTIM 2;:SYST:TMAR 1E-4;:SYST:KEY 8")
        self.assertEqual(self.inst.query("*OPC?"), "1")
        self.assertEqual(self.inst.query("SYST:KEY? 6;KEY? 26;KEY? 12;KEY? 8"), "1;1;1;1")
        for command, mode in [("CONF:PER", "PER"), ("CONF:FREQ:RAT", "FREQ:RAT"), ("CONF:TINT", "TINT"),
                              ("SYST:KEY 28", "TEST"), ("CONF:FREQ", "FREQ")]:
            self.inst.write(command + ";*WAI")
            self.assertEqual(self.inst.query("CONF?"), f'"{mode}"')
        self.inst.write("SYST:KEY 8;*RST")
        self.assertEqual(self.inst.query("*OPC?"), "1")
        lit = [int(self.inst.query(f"SYST:KEY? {k}")) for k in range(1, 28)]
        self.assertEqual([k for k in range(1, 28) if lit[k - 1]], [3, 9, 19, 24])
        self.assertEqual(error_code(self.inst), 0)
        self.assertRegex(self.inst.query("DISP:TEXT?"), r'^"[0-9.]+"$')

    def test_read_gives_the_next_measurements_as_the_csv_records_them(self):
        self.inst.write("FREQ:GATE:TIME 0.1")
        self.assertEqual(self.inst.query("*OPC?"), "1")
        single = [float(self.inst.query("READ?")) for _ in range(10)]
        self.inst.write("SAMP:COUN 10")
        burst = values(self.inst.query("READ?"))
        self.assertEqual(len(burst), 10)
        measured = float(self.inst.query("SAMP:COUN 1;:MEAS:FREQ?"))
        wait_until(lambda: measured in self.si_values(100))
        recorded = self.si_values(100)
        self.assertTrue(is_subsequence(single, recorded), (single, recorded))
        self.assertGreaterEqual(find_run(recorded, burst), 0, (burst, recorded))
        self.assertIn(measured, recorded)
        self.assertTrue(all(abs(v - 1e7) < 1e3 for v in single + burst))

    def test_data_remove_gives_every_measurement_once_and_statistics_cover_the_series(self):
        # Readings to 10 Hz of a signal that wanders by 50 Hz.
        self.assertEqual(self.inst.query("FREQ:GATE:TIME 0.1;*OPC?"), "1")
        points = int(self.inst.query("CALC:AVER:CLE;:DATA:POIN?"))
        if points > 0:
            self.inst.query(f"DATA:REM? {points}")
        time.sleep(2.0)
        reply = self.inst.query("CALC:AVER:COUN?;ALL?;ADEV?;:DATA:POIN?").split(";")
        count, figures, adev, stored = int(reply[0]), values(reply[1]), float(reply[2]), int(reply[3])
        self.assertGreater(count, 3)
        self.assertEqual(stored, count)
        taken = values(self.inst.query(f"DATA:REM? {stored}"))
        expected, expected_adev = statistics(taken)
        for got, want in zip(figures + [adev], expected + [expected_adev]):
            self.assertLessEqual(abs(got - want), 1e-9 * abs(want))
        self.assertGreater(expected[1], 0)
        self.assertGreaterEqual(find_run(self.si_values(), taken), 0)

        # Without WAIT, more than there are is an error; with it, they are waited for.
        self.assertEqual(float(self.inst.query("DATA:REM? 100000")), NO_VALUE)
        self.assertEqual(error_code(self.inst), -222)
        following = values(self.inst.query("DATA:REM? 5,WAIT"))
        self.assertEqual(len(following), 5)
        recorded = self.si_values()
        self.assertEqual(recorded[find_run(recorded, taken) + len(taken):][:5], following)

    def test_two_clients_have_their_own_errors_and_one_waiting_holds_back_no_other(self):
        other = self.bench.client()
        self.inst.write("FOO")
        self.assertEqual(other.query("SYST:ERR?"), '0,"No error"')
        self.assertEqual(error_code(self.inst), -113)

        # While A waits for 40 readings, B is answered: B's queue (since before A asked) has
        # fewer than 40 when its last answer comes.
        self.inst.write("SAMP:COUN 40")
        self.inst.write("READ?")
        answers = [other.query("*IDN?") for _ in range(20)]
        self.assertLess(int(other.query("DATA:POIN?")), 40)
        self.assertTrue(all(a.startswith("FRONTPANEL,") for a in answers))
        self.assertEqual(len(values(self.inst.read())), 40)
        self.assertEqual(len(values(other.query("READ?"))), 1)

    def test_eight_clients_asking_as_fast_as_they_can_each_get_every_answer(self):
        answered = []

        def poll(n):
            with socket.create_connection(("127.0.0.1", self.bench.port)) as s:
                s.settimeout(10)
                got = b""
                for i in range(3000):
                    s.sendall(b"FETC?;:SAMP:COUN?\n" if i % 2 else b"*IDN?\n")
                    while got.count(b"\n") <= i:
                        chunk = s.recv(4096)
                        if not chunk:
                            return
                        got += chunk
                lines = got.decode().splitlines()
                if all(line.startswith("FRONTPANEL,") == (i % 2 == 0) for i, line in enumerate(lines)):
                    answered.append(len(lines))

        clients = [threading.Thread(target=poll, args=(n,)) for n in range(8)]
        for c in clients:
            c.start()
        for c in clients:
            c.join(60)
        self.assertEqual(answered, [3000] * 8)

    def test_a_client_that_stops_reading_is_dropped_and_others_go_on(self):
        hostile = socket.create_connection(("127.0.0.1", self.bench.port))
        hostile.settimeout(30)
        lines = b"*IDN?;*IDN?;*IDN?;*IDN?\n" * 1000
        outcome = []

        def flood():
            # Sends and never reads, for 30 s at most: the server ends it long before.
            try:
                end = time.monotonic() + 30
                while time.monotonic() < end:
                    hostile.sendall(lines)
                outcome.append("sent everything")
            except OSError as e:
                outcome.append(type(e).__name__)

        sender = threading.Thread(target=flood)
        sender.start()
        while sender.is_alive():
            self.assertTrue(self.inst.query("*IDN?").startswith("FRONTPANEL,"))
        sender.join(60)
        self.assertIn(outcome, [["ConnectionResetError"], ["BrokenPipeError"]])
        hostile.close()
        self.assertEqual(self.inst.query("SYST:VERS?"), "1999.0")


class SlowInstrument(unittest.TestCase):
    """A frame every 3 s: longer than READ? waits at the start settings (1 ms + 0.3 s + 2 s)."""

    def setUp(self):
        self.bench = Bench(sim_args=["--period-ms", "3000", "--burst"], logger_args=["--reconnect"])
        self.inst = self.bench.client()

    def tearDown(self):
        self.assertEqual(self.bench.close(), 0, "".join(self.bench.err))

    def just_after_a_frame(self):
        self.assertTrue(wait_until(lambda: float(self.inst.query("READ?")) != NO_VALUE, 30, 0))
        self.inst.write("*CLS")

    def test_read_gives_up_when_no_measurement_comes_in_time(self):
        self.just_after_a_frame()
        started = time.monotonic()
        self.assertEqual(float(self.inst.query("READ?")), NO_VALUE)
        self.assertGreater(time.monotonic() - started, 2.0)
        self.assertEqual(self.inst.query("SYST:ERR?"), '-230,"Data corrupt or stale;no measurement within 2 s"')

    def test_a_line_lost_during_read_answers_at_once_with_a_hardware_error(self):
        self.just_after_a_frame()
        self.inst.write("SAMP:COUN 2;:READ?")
        time.sleep(0.3)
        self.bench.stop_simulator()
        self.assertEqual(values(self.inst.read()), [NO_VALUE, NO_VALUE])
        self.assertEqual(self.inst.query("SYST:ERR?"), '-240,"Hardware error;the line to the instrument is lost"')
        self.assertEqual(self.inst.query("SYST:LINK?"), "LOST")
        # While it is lost, READ? says so at once.
        self.assertEqual(values(self.inst.query("READ?")), [NO_VALUE, NO_VALUE])
        self.assertEqual(error_code(self.inst), -240)
        self.bench.start_simulator()
        self.assertTrue(wait_until(lambda: self.inst.query("SYST:LINK?") == "CONNECTED", 20))


class SlowInstrumentWithoutReconnect(unittest.TestCase):
    def test_a_read_waiting_when_the_lost_line_ends_the_logger_still_answers(self):
        bench = Bench(sim_args=["--period-ms", "3000", "--burst"])
        inst = bench.client()
        self.assertTrue(wait_until(lambda: float(inst.query("READ?")) != NO_VALUE, 30, 0))
        inst.write("READ?")
        time.sleep(0.3)
        bench.stop_simulator()
        self.assertEqual(float(inst.read()), NO_VALUE)
        # The logger ends by itself; a stop signal from close() would race its last steps.
        self.assertEqual(bench.logger.wait(15), 1)
        bench.close()
        self.assertIn("line lost", "".join(bench.err))


if __name__ == "__main__":
    unittest.main()
