"""Drive the KSY7100 evaluation tool as a bench instrument, over its command server.

Start the tool with ``--scpi`` (and ``--headless --variant NAME`` on a machine without a display),
then::

    from ksy7100 import KSY7100
    with KSY7100("TCPIP::127.0.0.1::5025::SOCKET") as synth:
        synth.frequency = 2400.2          # MHz, through the frequency dialog's Load Now
        print(synth.board_frequency, hex(synth.latch_word("N")))

Only the standard library and pyvisa are needed (pyvisa-py as the backend when no other VISA
library is installed). Every setting is checked: a refusal raises KSY7100Error with the tool's
code and message, and nothing was changed. A PyMeasure instrument is in ``ksy7100.pymeasure``.
"""
import collections

import pyvisa

# An exerciser's state: whether it runs, its progress (hops made, or the MHz of the last sweep
# step), the scheduling its timing thread got ("REALTIME", "NORMAL", or "NONE" before any run) and
# the ticks it made more than 1 ms late.
RunState = collections.namedtuple("RunState", "running progress scheduling late_ticks")
# The loop filter's parts: capacitors in F, resistors in ohm (C3 and R3 0 at order 2).
LoopParts = collections.namedtuple("LoopParts", "c1 c2 c3 r2 r3")
# A predicted lock time in s (None when the loop does not settle within 100 ms), and whether cycle
# slips make it optimistic.
LockTime = collections.namedtuple("LockTime", "seconds slips")
# The lock times a hop run measured on the lock-detect line: min, median and max over the hops
# that locked (None where none did), and the resolution of the figures, s.
HopLocks = collections.namedtuple("HopLocks", "count min median max not_locked resolution")

__all__ = ["KSY7100", "KSY7100Error", "LoopParts", "LockTime", "HopLocks"]

NO_ERROR = '0,"No error"'


class KSY7100Error(Exception):
    """A command the tool refused: its error code (-222, -221, ...) and its message."""

    def __init__(self, code, message):
        super().__init__(f"{code}: {message}")
        self.code = code
        self.message = message


def parse_errors(text):
    """The errors of a SYST:ERR:ALL? answer as (code, message) pairs; none for 0,"No error"."""
    errors, rest = [], text.strip()
    while rest and rest != NO_ERROR:
        code, _, rest = rest.partition(",")
        if not rest.startswith('"'):
            raise ValueError("not an error queue: " + text)
        i, message = 1, ""
        while i < len(rest):  # a quote inside the text is doubled
            if rest[i] == '"':
                if rest[i + 1:i + 2] == '"':
                    message, i = message + '"', i + 2
                    continue
                break
            message, i = message + rest[i], i + 1
        errors.append((int(code), message))
        rest = rest[i + 1:].lstrip(",")
    return errors


def _switch(header, doc):
    return property(lambda self: self.query(header + "?") == "1",
                    lambda self, on: self.write(f"{header} {'ON' if on else 'OFF'}"), doc=doc)


def _points(header, doc):
    """Noise points as [(offset Hz, dBc/Hz), ...]; an empty list means no such contribution."""
    def get(self):
        answer = self.query(header + "?")
        if answer == "NONE":
            return []
        values = [float(v) for v in answer.split(",")]
        return list(zip(values[0::2], values[1::2]))

    def set(self, points):
        points = list(points)
        self.write(f"{header} " + (",".join(f"{f!r},{level!r}" for f, level in points) if points else "NONE"))
    return property(get, set, doc=doc)


def _number(header, convert, doc):
    return property(lambda self: convert(self.query(header + "?")),
                    lambda self, value: self.write(f"{header} {value}"), doc=doc)


class KSY7100:
    """The evaluation tool's command server as an instrument, on plain pyvisa."""

    def __init__(self, resource="TCPIP::127.0.0.1::5025::SOCKET", resource_manager=None, timeout_ms=5000):
        self._rm = resource_manager or pyvisa.ResourceManager("@py")
        self._own_rm = resource_manager is None
        self.instrument = self._rm.open_resource(resource, read_termination="\n", write_termination="\n",
                                                 timeout=timeout_ms)

    def close(self):
        self.instrument.close()
        if self._own_rm:
            self._rm.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # ---- the command language, checked ----

    def check_errors(self):
        """Raises the oldest error the tool queued, with the others left behind; the queue is empty after."""
        errors = parse_errors(self.instrument.query("SYST:ERR:ALL?"))
        if errors:
            raise KSY7100Error(*errors[0])

    def write(self, command):
        """Sends a setting command; raises KSY7100Error when the tool refuses it."""
        self.instrument.write(command)
        self.check_errors()

    def query(self, command):
        """Asks a query; raises KSY7100Error when the tool refuses it (it then sends no answer)."""
        try:
            return self.instrument.query(command)
        except pyvisa.errors.VisaIOError:
            self.check_errors()
            raise

    # ---- what the windows set ----

    frequency = _number("FREQ", float, "VCO frequency in MHz, as the counters the board holds make it")
    pfd = _number("FREQ:PFD", float, "PFD frequency in kHz (the reference over R)")
    reference = _number("FREQ:REF", float, "reference (REF IN) frequency in MHz")
    prescaler = _number("PRES", int, "prescaler modulus P: 8, 16 or 32 (1 for the KSY7100-8)")
    output_power = _number("POW:OUTP", int, "output power level, 0 to 3")
    core_power = _number("POW:CORE", int, "core power level, 0 to 3")
    muxout = _number("MUX", int, "muxout code, 0 to 7")
    polarity_positive = _switch("SWIT:POL", "RF PD polarity positive")
    counter_reset = _switch("SWIT:CRES", "counter reset")
    cp_gain = _switch("SWIT:CPG", "charge-pump gain (N latch DB21)")
    internal_divide = _switch("SWIT:IDIV", "internal divide-by-2")
    charge_pump_three_state = _switch("SWIT:TST", "charge pump three-state")
    output_divide = _switch("SWIT:ODIV", "output divide-by-2")
    mute_till_lock = _switch("SWIT:MUTE", "mute till lock detect")
    lock_detect_precision = _switch("SWIT:LDP", "lock detect precision (on: 5 cycles)")

    @property
    def idn(self):
        return self.query("*IDN?")

    @property
    def link(self):
        """The board link and its state: SIM,OK or PARPORT,/dev/parport0,OK ..."""
        return self.query("SYST:LINK?")

    @property
    def board_frequency(self):
        """What the words the board holds make, in MHz, or None before it holds them."""
        answer = self.query("BOAR:FREQ?")
        return None if answer == "NONE" else float(answer)

    def latch_word(self, latch):
        """The word last sent to a latch ("CONT", "R", "N" or "TEST"), or None before the first."""
        answer = self.query(f"LATC:WORD? {latch}")
        return None if answer == "NONE" else int(answer, 16)

    def write_register(self, row, word):
        """A register-map row ("CONT", "N" or "R") set from a whole word, then sent."""
        self.write(f"REG:WRIT {row},#H{word:06X}")

    def send_latch(self, latch="ALL"):
        self.write(f"LATC:SEND {latch}")

    def step(self, up=True):
        self.write("FREQ:STEP " + ("UP" if up else "DOWN"))

    def save(self, name):
        self.write(f'MEM:SAVE "{name}"')

    def load(self, name):
        self.write(f'MEM:LOAD "{name}"')

    def reset(self):
        self.write("*RST")

    def self_test(self):
        """True when the board link answers; else the cause is raised."""
        if self.query("*TST?") == "0":
            return True
        self.check_errors()
        return False

    # ---- the exercisers ----

    def hop(self, start_mhz, stop_mhz, interval_ms, divide=None):
        """Lock-time hopping between two whole-MHz frequencies; `divide`: (at start, at stop)."""
        command = f"HOP:STAR {start_mhz},{stop_mhz},{interval_ms}"
        if divide is not None:
            command += f",{int(divide[0])},{int(divide[1])}"
        self.write(command)

    def hop_with_gain(self, start_mhz, stop_mhz, interval_ms, delay_ms=0):
        """Hopping with the charge-pump gain raised for each hop; a delay of 0 lowers it at once."""
        self.write(f"HOP:GAIN {start_mhz},{stop_mhz},{interval_ms},{delay_ms}")

    def stop_hop(self):
        self.write("HOP:STOP")

    @property
    def hop_state(self):
        """RunState(running, hops made, scheduling of the timing thread, late ticks)."""
        state, hops, scheduling, late = self.query("HOP:STAT?").split(",")
        return RunState(state == "RUN", int(hops), scheduling, int(late))

    @property
    def hop_lock_measurement(self):
        """Whether the next hop run measures each hop's lock time on the lock-detect line."""
        return self.query("HOP:LOCK:STAT?") == "1"

    @hop_lock_measurement.setter
    def hop_lock_measurement(self, on):
        self.write(f"HOP:LOCK:STAT {'ON' if on else 'OFF'}")

    def hop_locks(self):
        """HopLocks of the hop run in progress or the last one."""
        fields = self.query("HOP:LOCK?").split(",")
        seconds = [None if f == "9.91E37" else float(f) for f in fields[1:4]]
        return HopLocks(int(fields[0]), *seconds, int(fields[4]), float(fields[5]))

    def hop_lock_times(self):
        """Every hop's lock time, s, in order (None for a hop not locked)."""
        answer = self.query("HOP:LOCK:ALL?")
        return [None if f == "9.91E37" else float(f) for f in answer.split(",")] if answer else []

    def sweep(self, start_mhz, stop_mhz, step_khz, rate_ms):
        self.write(f"SWE:STAR {start_mhz},{stop_mhz},{step_khz},{rate_ms}")

    def stop_sweep(self):
        self.write("SWE:STOP")

    @property
    def sweep_state(self):
        """RunState(running, MHz of the last step or None, scheduling, late ticks)."""
        state, last, scheduling, late = self.query("SWE:STAT?").split(",")
        return RunState(state == "RUN", None if last == "NONE" else float(last), scheduling, int(late))

    # ---- the loop designer (changes no latch, sends nothing to the board) ----

    loop_order = _number("LOOP:ORD", int, "loop filter order, 2 or 3 (2 clears C3 and R3)")
    loop_kvco = _number("LOOP:KVCO", float, "VCO gain in MHz/V")
    loop_snap = _number("LOOP:SNAP", str, "series the parts are rounded to: 'E12', 'E24', 'E96' or 'NONE'")
    loop_fom = _number("LOOP:NOIS:FOM", float, "the synthesizer's normalised noise floor, dBc/Hz")
    loop_flicker = _number("LOOP:NOIS:FLIC", float, "the synthesizer's flicker level at 10 kHz from 1 GHz, dBc/Hz")
    loop_vco_noise = _points("LOOP:NOIS:VCO", "the free-running VCO's noise points [(offset Hz, dBc/Hz), ...]")
    loop_reference_noise = _points("LOOP:NOIS:REF", "the reference's noise points [(offset Hz, dBc/Hz), ...]")

    @property
    def loop_current(self):
        """The charge-pump current the loop uses now, mA."""
        return float(self.query("LOOP:ICP?"))

    @property
    def loop_parts(self):
        """LoopParts(c1, c2, c3, r2, r3) in F and ohm; set it with a LoopParts or five numbers."""
        return LoopParts(*(float(v) for v in self.query("LOOP:COMP?").split(",")))

    @loop_parts.setter
    def loop_parts(self, parts):
        self.write("LOOP:COMP " + ",".join(repr(float(v)) for v in parts))

    def design_loop(self, fc_hz, phase_margin_deg, gamma=None, t31=None):
        """Designs the filter for the present plan and keeps the parts; returns them."""
        args = [fc_hz, phase_margin_deg] + [v for v in (gamma, t31) if v is not None]
        if t31 is not None and gamma is None:
            args.insert(2, 1)
        self.write("LOOP:DES " + ",".join(repr(float(v)) for v in args))
        return self.loop_parts

    @property
    def loop_bandwidth(self):
        """The open loop's unity-gain crossover of the parts in use, Hz."""
        return float(self.query("LOOP:BWID?"))

    @property
    def loop_phase_margin(self):
        """The phase margin of the parts in use, degrees."""
        return float(self.query("LOOP:PMAR?"))

    def lock_time(self, from_mhz, to_mhz, tolerance_hz):
        """LockTime(seconds or None when not settled within 100 ms, slips) of a hop."""
        seconds, kind = self.query(f"LOOP:LTIM? {from_mhz!r},{to_mhz!r},{tolerance_hz!r}").split(",")
        return LockTime(None if seconds == "9.91E37" else float(seconds), kind == "SLIPS")

    def lock_detect_time(self, from_mhz, to_mhz):
        """When digital lock detect rises after a hop, s (None when not within 100 ms): the model's
        figure, with the present parts, current and lock-detect precision."""
        seconds = self.query(f"LOOP:LDT? {from_mhz!r},{to_mhz!r}")
        return None if seconds == "9.91E37" else float(seconds)

    def phase_noise(self, offset_hz):
        """The total phase noise at an offset from the VCO frequency, dBc/Hz."""
        return float(self.query(f"LOOP:NOIS? {offset_hz!r}"))

    def jitter(self, from_hz, to_hz):
        """The RMS jitter over a band of offsets at the VCO frequency, s."""
        return float(self.query(f"LOOP:JITT? {from_hz!r},{to_hz!r}"))
