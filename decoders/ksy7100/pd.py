##
## This file is part of the KSY7100 evaluation tool.
## Licensed under the MIT licence.
##

import sigrokdecode as srd

VARIANTS = tuple('KSY7100-%d' % i for i in range(9))

MODULI = ('8/9', '16/17', '32/33', '32/33')
POWER_DOWN = ('Normal Operation', 'Asynchronous Powerdown', 'Normal Operation', 'Synchronous Powerdown')
MUXOUT = ('Three-State Output', 'Digital Lock Detect', 'N Divider Output', 'DVdd', 'R Divider Output',
          'Open Drain Lock Detect', 'Serial Data Output', 'DGnd')
OUTPUT_POWER = ('-12 dBm', '-9 dBm', '-6 dBm', '-3 dBm')
CORE_POWER = ('5 mA', '10 mA', '15 mA', '20 mA')
CORE_POWER_SINGLE = ('2.5 mA', '5 mA', '7.5 mA', '10 mA')
ABP = ('3.0 ns', '1.3 ns', '6.0 ns', '3.0 ns')
TEST_MODES = ('Normal Operation', 'Normal Operation', 'VCO Operation only. Prescaler & Counters Disabled',
              'External VCO. Int VCO disabled.', 'Force Charge Pump Up', 'Force Charge Pump Down',
              'Force Charge Pump 3 State', 'R Div / 2 Select', 'N Div / 2 Select',
              'N Div Select, Test Mux Selects Data', 'A Div Select, Test Mux Selects Data', 'Normal Operation',
              'Force Phase Detector Pump Up', 'Force Phase Detector Pump Down',
              'Force Phase Detector Pump Up, Test Mux Selects Data',
              'Force Phase Detector Pump Up, Test Mux Selects Data')
READBACK = ('Normal Operation', 'ADC Readback', 'SAR Readback', 'Not Used')


def on_off(on, off):
    return lambda v, single: on if v else off


def number(v, single):
    return str(v)


def reserved(v, single):
    return 'set (reserved)' if v else '0'


def muxout(v, single):
    return 'Not Used' if single and v in (5, 6) else MUXOUT[v]


def core_power(v, single):
    return (CORE_POWER_SINGLE if single else CORE_POWER)[v]


# The latches by their address bits (DB1, DB0): name, and fields from DB23 down under the register
# map's names: (name, high bit, low bit, meaning of the value, reserved). The counters go by their
# letter in front of the value ("R 50", "B 296"; the KSY7100-8's N counter "N 120").
LATCHES = {
    0: ('Control', [
        ('Prescaler', 23, 22, lambda v, single: MODULI[v], False),
        ('PD2', 21, 21, on_off('set', 'clear'), False),
        ('PD1', 20, 20, on_off('set', 'clear'), False),
        ('Curr Setting 2', 19, 17, lambda v, single: 'code %d' % v, False),
        ('Curr Setting 1', 16, 14, lambda v, single: 'code %d' % v, False),
        ('Pwr Out', 13, 12, lambda v, single: OUTPUT_POWER[v], False),
        ('MLD', 11, 11, on_off('mute till lock detect', 'no mute'), False),
        ('CPG', 10, 10, number, False),
        ('CP3', 9, 9, on_off('three-state', 'active'), False),
        ('Pol', 8, 8, on_off('positive', 'negative'), False),
        ('Muxout', 7, 5, muxout, False),
        ('CR', 4, 4, on_off('counters held in reset', 'counting'), False),
        ('Core Pwr', 3, 2, core_power, False),
    ]),
    1: ('R counter', [
        ('Reserved', 23, 22, reserved, True),
        ('BSCB', 21, 20, lambda v, single: 'divide by %d' % (1 << v), False),
        # DB19 is no reserved bit: it enables the test modes.
        ('Res', 19, 19, on_off('test modes enabled', 'test modes disabled'), False),
        ('LDP', 18, 18, on_off('precision 5', 'precision 3'), False),
        ('ABP', 17, 16, lambda v, single: ABP[v], False),
        ('R', 15, 2, number, False),
    ]),
    2: ('N counter', [
        ('DIV SEL', 23, 23, on_off('on', 'off'), False),
        ('DIV/2', 22, 22, on_off('output divide by 2', 'no output divide'), False),
        ('CP Gain', 21, 21, number, False),
        ('B', 20, 8, number, False),
        ('Res', 7, 7, reserved, True),
        ('A', 6, 2, number, False),
    ]),
    3: ('Test', [
        ('Reserved', 23, 16, reserved, True),
        ('External Band Enable', 15, 15, on_off('enabled', 'disabled'), False),
        ('Synthesizer Test Modes', 14, 11, lambda v, single: TEST_MODES[v], False),
        ('Band Control', 10, 10, on_off('enabled', 'Icp disabled'), False),
        ('ADC Control', 9, 9, on_off('enabled', 'disabled'), False),
        ('SAR / ADC Readback', 8, 7, lambda v, single: READBACK[v], False),
        ('External Band Control', 6, 4, lambda v, single: '%d,%d,%d' % (v >> 2, (v >> 1) & 1, v & 1), False),
        ('Core Pwr', 3, 2, core_power, False),
    ]),
}

# The KSY7100-8 ignores these bits; the register map names them so, and the decoder shows their
# value alone. Its B counter is the whole N counter.
SINGLE_MODULUS_NAMES = {(0, 23): "Don't Care", (2, 23): "Don't Care", (2, 22): "Don't Care",
                        (2, 6): 'Not Used, Set to 0', (2, 20): 'N'}

# The address field's meaning, as the register map calls the rows.
ADDRESS = ('control latch', 'R latch', 'N latch', 'test latch')


def field_value(word, high, low):
    return (word >> low) & ((1 << (high - low + 1)) - 1)


class Decoder(srd.Decoder):
    api_version = 3
    id = 'ksy7100'
    name = 'KSY7100'
    longname = 'KSY7100 PLL synthesizer latches'
    desc = 'The latch words of the KSY7100 family of PLL synthesizers, with the frequency they program.'
    license = 'mit'
    inputs = ['spi']
    outputs = []
    tags = ['Clock/timing', 'IC', 'Wireless/RF']
    options = (
        {'id': 'ref', 'desc': 'Reference frequency (MHz)', 'default': 10.0},
        {'id': 'variant', 'desc': 'Variant', 'default': 'KSY7100-1', 'values': VARIANTS},
    )
    annotations = (
        ('latch', 'Latch'),
        ('field', 'Field'),
        ('frequency', 'Frequency'),
        ('warning', 'Warning'),
    )
    annotation_rows = (
        ('latches', 'Latches', (0,)),
        ('fields', 'Fields', (1,)),
        ('frequencies', 'Frequency', (2,)),
        ('warnings', 'Warnings', (3,)),
    )

    def __init__(self):
        self.reset()

    def reset(self):
        self.bits = None
        self.held = {}

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)

    def put_field(self, high, low, row, texts):
        # The SPI decoder lists a word's bits last first, so bit i is DB i.
        self.put(self.bits[high][1], self.bits[low][2], self.out_ann, [row, texts])

    def decode(self, ss, es, data):
        ptype, mosi, _ = data
        if ptype == 'BITS':
            self.bits = mosi
            return
        if ptype != 'DATA' or mosi is None or self.bits is None or len(self.bits) != 24:
            return
        word = mosi
        latch = word & 3
        single = self.options['variant'] == 'KSY7100-8'
        name, fields = LATCHES[latch]
        self.put(ss, es, self.out_ann, [0, ['%s latch %06X' % (name, word), name, name[0]]])
        for field, high, low, meaning, is_reserved in fields:
            value = field_value(word, high, low)
            text = meaning(value, single)
            shown = field
            if single and (latch, high) in SINGLE_MODULUS_NAMES:
                shown = SINGLE_MODULUS_NAMES[(latch, high)]
                if shown != 'N':
                    text = str(value)
            self.put_field(high, low, 1, ['%s %s' % (shown, text), text])
            if is_reserved and value:
                self.put_field(high, low, 3, ['%s set in the %s latch (reserved)' % (field, name), 'Reserved bit set'])
        self.put_field(1, 0, 1, ['address ' + ADDRESS[latch], ADDRESS[latch]])
        self.held[latch] = word
        self.put_frequency(ss, es, single)

    def put_frequency(self, ss, es, single):
        # The frequency of the words held: R from the R latch, B and A from the N latch, P from
        # the control latch (the KSY7100-8 divides by its N counter alone).
        r_word, n_word, control = self.held.get(1), self.held.get(2), self.held.get(0)
        if r_word is None or n_word is None or (control is None and not single):
            return
        r = field_value(r_word, 15, 2)
        if r == 0:
            return
        b, a = field_value(n_word, 20, 8), field_value(n_word, 6, 2)
        n = b if single else (8, 16, 32, 32)[field_value(control, 23, 22)] * b + a
        mhz = n * float(self.options['ref']) / r
        text = 'VCO %.15g MHz (R %d, N %d)' % (mhz, r, n)
        if field_value(n_word, 22, 22):
            text += ', output %.15g MHz' % (mhz / 2)
        self.put(ss, es, self.out_ann, [2, [text, '%.15g MHz' % mhz]])
