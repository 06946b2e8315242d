"""The KSY7100 evaluation tool as a PyMeasure instrument (Debian's python3-pymeasure).

    from ksy7100.pymeasure import KSY7100Eval
    synth = KSY7100Eval("TCPIP::127.0.0.1::5025::SOCKET")
    synth.frequency = 2400.2
    print(synth.frequency, synth.board_frequency)

A setting the tool refuses raises KSY7100Error with its code and message.
"""
from pymeasure.instruments import Instrument

from . import KSY7100Error, parse_errors

__all__ = ["KSY7100Eval"]


def _control(get_command, set_command, docs, **kwargs):
    return Instrument.control(get_command, set_command, docs, check_set_errors=True, **kwargs)


class KSY7100Eval(Instrument):
    """The evaluation tool's command server; every setting is checked against the error queue."""

    # Numbers go out as Python writes a float, to full precision (%g would keep six digits).
    frequency = _control("FREQ?", "FREQ %s", "VCO frequency in MHz, as the counters the board holds make it")
    pfd = _control("FREQ:PFD?", "FREQ:PFD %s", "PFD frequency in kHz")
    reference = _control("FREQ:REF?", "FREQ:REF %s", "reference frequency in MHz")
    prescaler = _control("PRES?", "PRES %d", "prescaler modulus P", cast=int)
    output_power = _control("POW:OUTP?", "POW:OUTP %d", "output power level, 0 to 3", cast=int)
    core_power = _control("POW:CORE?", "POW:CORE %d", "core power level, 0 to 3", cast=int)
    muxout = _control("MUX?", "MUX %d", "muxout code, 0 to 7", cast=int)
    cp_gain = _control("SWIT:CPG?", "SWIT:CPG %d", "charge-pump gain (N latch DB21)", cast=int)
    loop_kvco = _control("LOOP:KVCO?", "LOOP:KVCO %g", "VCO gain in MHz/V")
    loop_order = _control("LOOP:ORD?", "LOOP:ORD %d", "loop filter order, 2 or 3", cast=int)
    loop_bandwidth = Instrument.measurement("LOOP:BWID?", "the loop's unity-gain crossover, Hz")
    loop_phase_margin = Instrument.measurement("LOOP:PMAR?", "the loop's phase margin, degrees")
    board_frequency = Instrument.measurement("BOAR:FREQ?", "what the words the board holds make, in MHz",
                                             get_process=lambda v: None if v == "NONE" else v)

    def __init__(self, adapter, **kwargs):
        kwargs.setdefault("read_termination", "\n")
        kwargs.setdefault("write_termination", "\n")
        kwargs.setdefault("visa_library", "@py")
        super().__init__(adapter, "KSY7100 evaluation tool", includeSCPI=True, **kwargs)

    def check_errors(self):
        errors = parse_errors(self.ask("SYST:ERR:ALL?"))
        if errors:
            raise KSY7100Error(*errors[0])
        return errors

    def hop(self, start_mhz, stop_mhz, interval_ms):
        self.write(f"HOP:STAR {start_mhz},{stop_mhz},{interval_ms}")
        self.check_errors()

    def stop_hop(self):
        self.write("HOP:STOP")

    def design_loop(self, fc_hz, phase_margin_deg):
        """Designs the loop filter for the present plan and keeps the parts."""
        self.write(f"LOOP:DES {fc_hz!r},{phase_margin_deg!r}")
        self.check_errors()
